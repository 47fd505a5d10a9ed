// Extraction or test of one member whose local header was read: the output
// file, the method, the CRC check.
#pragma once

#include <cstdio>
#include <string>

#include "platform/hostfile.h"

// `stored_name` is the member's name as the archive stores it (G.member_name
// may be its host path by now): an encrypted member's password prompt names it.
int extract_member(const std::string& stored_name);

// Why a member is skipped for the result of parse_aes_extra (not DECRYPT_OK).
const char* aes_extra_refusal(int parse_result);

// Opens the member's output file under a temporary name in its folder (in
// G.out_file, the name in G.temp_name): 0, ENG_DISK_FULL when the disk is full,
// ENG_ERROR for any other cause (reported with the system's reason). The file
// is made by `create_new` (tests pass their own).
int create_output_file(FILE* (*create_new)(const char* path) = host_create_new);
