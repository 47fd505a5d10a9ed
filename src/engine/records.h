// The per-member information that the member walk and the listings keep, beside
// the ZIP records as the engine reads them (engine/zip_format.h).
#pragma once

#include <cstdint>

#include "engine/zip_format.h"

struct MemberInfo {
    uint64_t local_offset = 0;    // as stored: checked when it is sought
    uint64_t packed_size = 0;
    uint32_t crc32 = 0;
    uint64_t unpacked_size = 0;   // from the directory (for members with a data descriptor)
    int32_t host = 0;             // made_by_host, 12 and above stored as 12
    int32_t host_attributes = 0;  // low byte: MS-DOS attribute bits
    bool encrypted = false;       // flags bit 0
    bool has_descriptor = false;  // flags bit 3
    bool text_member = false;     // internal attributes bit 0
    bool convert_text = false;    // line ends are converted on output
    bool lowercase_name = false;  // name from a FAT-style host: fold case
    bool volume_label = false;
    bool utf8_name = false;       // flags bit 11: the name is UTF-8
    uint32_t unix_mode = 0;       // permission bits of a member made on Unix, else 0
    bool symbolic_link = false;   // made on Unix as a symbolic link: the data is its target
};
