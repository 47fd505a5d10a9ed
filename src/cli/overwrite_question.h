// The command-line program's answer to the engine's existing-file question:
// asks on standard error, reads one line; a line beginning with y or Y overwrites,
// anything else or no input skips.
#pragma once

#include <array>

int ask_overwrite(const char* host_path);
