// Output file times and attributes.
#pragma once

#include "platform/win32_api.h"

// Sets the current member's host_attributes from its central entry; returns 0.
int map_host_attributes();

// The member's local DOS date and time as a UTC file time.
bool dos_time_to_file_time(FILETIME* out);

// Closes the output file and gives it the member's time and attributes.
void finish_output_file();
