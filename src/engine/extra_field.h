// The blocks of a ZIP extra field: each a 2-byte id, a 2-byte size and that
// many bytes of data, little-endian, one after the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The data of the first block with `id`, or nothing when no whole block of that
// id comes before the field ends or a block runs past its end (a damaged field
// is read as far as it is whole).
inline std::optional<std::span<const uint8_t>> find_extra_block(std::span<const uint8_t> field, uint16_t id) {
    size_t pos = 0;
    while (field.size() - pos >= 4) {
        const uint16_t block_id = static_cast<uint16_t>(field[pos] | (field[pos + 1] << 8));
        const size_t size = static_cast<size_t>(field[pos + 2] | (field[pos + 3] << 8));
        if (size > field.size() - pos - 4) break;
        if (block_id == id) return field.subspan(pos + 4, size);
        pos += 4 + size;
    }
    return std::nullopt;
}
