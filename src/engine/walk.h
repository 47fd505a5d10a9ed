// Member selection and extraction: the walk over the central directory in
// batches, the support check, the rules for existing files, and the steps that
// bring each member to its extraction (engine/extract.h).
#pragma once

#include <cstdint>

int walk_members();
bool check_member_support();
int existing_file_age(const char* host_path);
int64_t dos_time_to_seconds(uint16_t dos_date, uint16_t dos_time);
