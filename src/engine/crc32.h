// CRC-32 of ISO-HDLC / zlib (reflected polynomial 0xEDB88320), the check value
// of every member.
//
// crc32_update picks the fastest version the processor offers: carry-less
// multiplication folding 64 bytes per step where the instruction exists, eight
// table lookups per 8 bytes everywhere else. Both give the same register.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// crc_tables[0] is the classic byte table; crc_tables[k][b] is the register
// change of byte b followed by k zero bytes, which lets eight bytes be taken
// with eight independent lookups.
inline constexpr std::array<std::array<uint32_t, 256>, 8> crc_tables = [] {
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (size_t k = 1; k < t.size(); ++k)
        for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}();

inline constexpr const std::array<uint32_t, 256>& crc_table = crc_tables[0];

// Updates a CRC register (not complemented) over `size` bytes.
uint32_t crc32_update(uint32_t reg, const uint8_t* data, size_t size);

// The table version, on every processor.
uint32_t crc32_update_table(uint32_t reg, const uint8_t* data, size_t size);

// True when the processor has carry-less multiplication and crc32_update uses it.
bool crc32_folding_available();

// The folding version; only to be called when crc32_folding_available().
uint32_t crc32_update_folded(uint32_t reg, const uint8_t* data, size_t size);

// The finished CRC-32 of a whole buffer.
inline uint32_t crc32_of(const uint8_t* data, size_t size) {
    return crc32_update(0xFFFFFFFFu, data, size) ^ 0xFFFFFFFFu;
}
