// The one check for offsets, sizes and counts read from an archive.
//
// Such a value is untrusted: a damaged or hostile archive may hold anything up
// to 2^64 - 1 in a Zip64 field. Before any arithmetic or seek it is checked,
// in unsigned arithmetic, against the archive's size with within_size. The
// engine reads no archive of ARCHIVE_SIZE_LIMIT bytes or more (no real archive
// comes near), so a checked value is below 2^62 and the signed sums and
// differences of offsets that follow cannot overflow.
#pragma once

#include <cstdint>

#include "engine/globals.h"

inline constexpr uint64_t ARCHIVE_SIZE_LIMIT = uint64_t{1} << 62;

// True when `length` bytes from `offset` lie inside the first `size` bytes.
constexpr bool within_size(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}

// The same inside the archive now open.
inline bool within_archive(uint64_t offset, uint64_t length = 0) {
    return within_size(offset, length, static_cast<uint64_t>(G.archive_size));
}
