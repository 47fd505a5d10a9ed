// The setup's log (/LOG=file): a plain text file in UTF-8 that tells an
// administrator what one run did, line by line as it happens (each line is
// flushed, so that the log is complete up to a crash): the start, the options,
// the language and folders, every file written, backed up, copied, converted
// or deleted, every folder, link and registry value made, every question with
// its answer and every message, a rollback or an uninstallation step by step,
// and the end with the exit code. Without an open log nothing is written.
//
// Texts are given in the setup's code page 1252 and written as UTF-8; a
// carriage return inside a message (its line breaks) continues the entry on an
// indented next line. Lines may come from the dialog thread and the worker.
#pragma once

#include <string>
#include <string_view>

// Creates (or replaces) the log file. False when it cannot be created.
bool log_open(const std::string& path);
// Closes the log; later lines are dropped.
void log_close();
bool log_enabled();

// Writes one entry.
void log_line(std::string_view text);

// The local time as "YYYY-MM-DD hh:mm:ss", for the start and end entries.
std::string log_time_now();
