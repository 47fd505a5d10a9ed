// A test archive writer that can set every header field, store or deflate data
// (zlib's compressor), and place other bytes before, inside or after the archive.
// Tests build their archives at run time with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tz {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(const std::string& text);
std::string text_of(const Bytes& bytes);

// zlib's raw deflate (no header) of `data`.
Bytes deflate_raw(const Bytes& data, int level = 6, int strategy = 0, int mem_level = 8);

uint32_t crc32_of(const Bytes& data);

// MS-DOS date and time words.
uint16_t dos_date(int year, int month, int day);
uint16_t dos_time(int hour, int minute, int second);

// Exact-time extra blocks, header included: the extended timestamp (0x5455)
// with the given flags and times (UTC seconds; as many as the block should
// hold), and the NTFS block (0x000a) with its three times (100 ns since 1601).
Bytes extended_time_block(uint8_t flags, const std::vector<int32_t>& times);
Bytes ntfs_time_block(uint64_t modified, uint64_t accessed, uint64_t created);

struct Member {
    std::string name;        // stored name bytes (central and, unless local_name, local)
    Bytes data;              // uncompressed content
    uint16_t method = 0;     // 0 stored, 8 deflated by the writer; others need `packed`
    std::optional<Bytes> packed;  // compressed bytes written as they stand
    int level = 6;           // deflate level and strategy (zlib's numbering)
    int strategy = 0;

    uint8_t made_by_version = 20;
    uint8_t made_by_host = 0;
    uint8_t needed_version = 20;
    uint8_t needed_host = 0;
    uint16_t flags = 0;
    uint16_t time = dos_time(12, 34, 56);
    uint16_t date = dos_date(2001, 2, 3);
    uint16_t internal_attributes = 0;
    uint32_t external_attributes = 0;
    uint16_t start_disk = 0;
    Bytes local_extra;
    Bytes central_extra;
    std::string comment;

    // Overrides of derived values (central and local header alike unless split).
    std::optional<uint32_t> crc;
    std::optional<uint32_t> packed_size;
    std::optional<uint32_t> unpacked_size;
    std::optional<uint32_t> local_crc;
    std::optional<uint32_t> local_packed_size;
    std::optional<uint32_t> local_unpacked_size;
    std::optional<uint16_t> local_method;
    std::optional<uint16_t> local_flags;
    std::optional<std::string> local_name;
    std::optional<uint32_t> local_offset;   // stored in the central header
    bool descriptor = false;  // flags bit 3: local CRC and sizes zero, descriptor after data

    // Zip64: the headers' sizes and offset read 0xFFFFFFFF and a Zip64 extra field
    // (0x0001) carries the values, or the overrides below. Also used on its own
    // when the member lies beyond 4 GiB.
    bool zip64 = false;
    std::optional<uint64_t> zip64_unpacked_size;
    std::optional<uint64_t> zip64_packed_size;
    uint64_t hole_before = 0;  // zero bytes before the local header (a sparse hole on disk)
};

struct Built {
    Bytes bytes;                        // the archive, without its holes
    std::vector<std::pair<size_t, uint64_t>> holes;  // (position in bytes, zero bytes there)
    std::vector<size_t> local_offsets;  // physical offsets of the local headers
    std::vector<size_t> data_offsets;   // physical offsets of the member data
    size_t central_offset = 0;          // physical offset of the central directory
    size_t end_offset = 0;              // physical offset of the end record
};

struct Archive {
    std::vector<Member> members;
    std::string comment;
    Bytes prefix;        // bytes before the first local header (offsets do not count them)
    bool prefix_counted = false;  // true: offsets include the prefix (a self-extractor)
    Bytes before_central;  // bytes between the last member and the central directory
    Bytes suffix;        // bytes after the end record and its comment

    std::optional<uint16_t> disk_number;
    std::optional<uint16_t> central_start_disk;
    std::optional<uint16_t> entries_this_disk;
    std::optional<uint16_t> entries_total;
    std::optional<uint32_t> central_size;
    std::optional<uint32_t> central_offset;
    std::optional<uint16_t> comment_length;
    // A Zip64 end record and locator before the end record, whose own fields then
    // read 0xFFFF / 0xFFFFFFFF. Written by itself when the archive needs it.
    bool zip64_end = false;

    Member& add(const std::string& name, const std::string& content, uint16_t method = 0);
    Member& add(const std::string& name, const Bytes& content, uint16_t method = 0);
    Built build() const;
    // Builds and writes the archive (holes as sparse holes); returns what was built.
    Built write(const std::string& path) const;
};

void write_file(const std::string& path, const Bytes& bytes);
Bytes read_file(const std::string& path);

}  // namespace tz
