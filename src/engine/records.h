// The ZIP records as the engine reads them, and the per-member information that
// the member walk and the listings keep.
#pragma once

#include <cstdint>

// The end record, with the values of the Zip64 end record in place of the
// classic ones when the archive has one (more than 65,535 members, or a central
// directory beyond 4 GiB).
struct EndRecord {
    uint32_t disk_number = 0;
    uint32_t central_start_disk = 0;
    uint64_t entries_this_disk = 0;
    uint64_t entries_total = 0;
    uint64_t central_size = 0;
    uint64_t central_offset = 0;
    uint16_t comment_length = 0;
    bool zip64 = false;             // the Zip64 end record was found and read
    int64_t zip64_record_offset = 0;  // its physical offset
};

struct CentralHeader {
    uint8_t made_by_version = 0;
    uint8_t made_by_host = 0;
    uint8_t needed_version = 0;
    uint8_t needed_host = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dos_time = 0;
    uint16_t dos_date = 0;
    uint32_t crc32 = 0;
    uint64_t packed_size = 0;          // 64-bit values from the Zip64 extra field
    uint64_t unpacked_size = 0;        // replace the saturated 32-bit ones
    uint16_t name_length = 0;
    uint16_t extra_length = 0;
    uint16_t comment_length = 0;
    uint32_t start_disk = 0;
    uint16_t internal_attributes = 0;
    uint32_t external_attributes = 0;
    uint64_t local_header_offset = 0;
};

// An encrypted member's compressed data begins with this header.
inline constexpr uint64_t ENCRYPTION_HEADER_SIZE = 12;

// The size of a member's compressed data without its encryption header: never
// below 0, also for a damaged entry that states less than the header.
inline uint64_t member_data_size(const CentralHeader& h) {
    if (!(h.flags & 0x01)) return h.packed_size;
    return h.packed_size > ENCRYPTION_HEADER_SIZE ? h.packed_size - ENCRYPTION_HEADER_SIZE : 0;
}

struct LocalHeader {
    uint8_t needed_version = 0;
    uint8_t needed_host = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dos_time = 0;
    uint16_t dos_date = 0;
    uint32_t crc32 = 0;
    uint64_t packed_size = 0;
    uint64_t unpacked_size = 0;
    uint16_t name_length = 0;
    uint16_t extra_length = 0;
};

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
};
