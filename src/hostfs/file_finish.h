// Output file times and attributes.
#pragma once

#include <cstdio>

#include "platform/hostfile.h"
#include "platform/win32_api.h"

// Sets the current member's host_attributes from its central entry; returns 0.
int map_host_attributes();

// The member's local DOS date and time as a UTC file time.
bool dos_time_to_file_time(FILETIME* out);

// What prepare_output_file did to a file while it was open, and what it leaves
// to finish_output_file: the reports (in their usual place, once the file has its
// name) and the attributes that can only be set by name.
struct PreparedOutput {
    bool have_time = false;      // the member's time could be converted
    bool dos_failed = false;     // the DOS date and time are no valid time (error_code)
    bool local_failed = false;   // no UTC time for the local time, used as it is (error_code)
    DWORD error_code = 0;
    HostOutputDone done;
};

// Gives a complete output file, flushed and still open, the member's time and
// what it can take of its attributes, through the open file.
PreparedOutput prepare_output_file(FILE* f);

// Closes the output file and gives it the member's time and attributes: those
// that `prepared` (from prepare_output_file, before the file got its name) left,
// or all of them, by name, when it is null.
void finish_output_file(const PreparedOutput* prepared = nullptr);
