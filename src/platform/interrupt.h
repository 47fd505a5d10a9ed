// Interruption of the process: SIGINT, SIGTERM and SIGHUP on Linux; Ctrl-C,
// Ctrl-Break and the closing of the console on Windows. The process stops at
// once: the output file being written (registered below) is removed, one line
// naming the member and the signal goes to standard error, and the process
// ends with the code given to host_catch_interruptions.
#pragma once

// Installs the handlers (again at every call; the code may change).
void host_catch_interruptions(int exit_code);

// The output file now being written: its host path (removed on interruption)
// and the name shown in the message. Both are copied.
void host_output_begun(const char* path, const char* shown_name);
// No output file is being written any more.
void host_output_ended();
