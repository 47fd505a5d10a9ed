// Engine entry internals: option parsing, usage, the loop over archives.
#pragma once

int parse_options(int& argc, char**& argv);
int show_usage(bool is_error);
int process_archives();
void on_fatal_signal(int signal_number);
