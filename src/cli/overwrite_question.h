// The command-line program's answer to the engine's existing-file question:
// asks on standard error and reads one line. y or Y replaces this file, n (or
// anything else) keeps it; A replaces it and every later one, N keeps it and
// every later one without asking. At the end of input the question is no
// longer asked and the remaining files are kept.
#pragma once

int ask_overwrite(const char* host_path);

// Files kept because the input ended before an answer (0 when none).
int files_kept_at_end_of_input();
