// Member selection and extraction: the walk over the central directory in
// batches, the support check, and the extraction of one member.
#pragma once

#include <cstdint>

int walk_members();
bool check_member_support();
int extract_member();
int create_output_file();
int existing_file_age(const char* host_path);
int64_t dos_time_to_seconds(uint16_t dos_date, uint16_t dos_time);
