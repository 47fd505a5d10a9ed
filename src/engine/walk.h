// Member selection and extraction: the walk over the central directory in
// batches, the support check, and the extraction of one member.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/hostfile.h"

int walk_members();
bool check_member_support();
int extract_member();
// Opens the member's output file under a temporary name in its folder (in
// G.out_file, the name in G.temp_name): 0, ENG_DISK_FULL when the disk is full,
// ENG_ERROR for any other cause (reported with the system's reason). The file
// is made by `create_new` (tests pass their own).
int create_output_file(FILE* (*create_new)(const char* path) = host_create_new);
int existing_file_age(const char* host_path);
int64_t dos_time_to_seconds(uint16_t dos_date, uint16_t dos_time);
