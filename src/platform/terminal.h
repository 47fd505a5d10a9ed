// A secret typed on the terminal: the prompt on standard error, the answer
// read from standard input with the echo off (termios on Linux, the console
// mode on Windows), so that nobody watching the screen sees it.
#pragma once

#include <string>

// When standard input is a terminal: shows `prompt`, reads one line without
// echo into *line (without its line end) and returns true. False, with nothing
// shown, when standard input is no terminal.
bool host_read_secret(const char* prompt, std::string* line);
