// CRC-32: the table and the folding versions against the bit-by-bit definition,
// over every length that reaches a different path, from unaligned starts, and
// with the register carried across calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/crc32.h"

namespace {

// The definition, one bit at a time.
uint32_t crc_by_bits(uint32_t reg, const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        reg ^= data[i];
        for (int k = 0; k < 8; ++k) reg = (reg & 1) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
    }
    return reg;
}

using CrcFunction = uint32_t (*)(uint32_t, const uint8_t*, size_t);

struct Version {
    const char* name;
    CrcFunction update;
};

// Every version this processor can run, crc32_update's own choice included.
std::vector<Version> versions() {
    std::vector<Version> v = {{"chosen", crc32_update}, {"table", crc32_update_table}};
    if (crc32_folding_available()) v.push_back({"folded", crc32_update_folded});
    return v;
}

// Bytes without a short period, so that a misplaced lane or table shows.
std::vector<uint8_t> sample(size_t size) {
    std::vector<uint8_t> b(size);
    uint32_t s = 0x12345678u;
    for (auto& c : b) {
        s = s * 1103515245u + 12345u;
        c = static_cast<uint8_t>(s >> 23);
    }
    return b;
}

TEST(Crc32, KnownAnswersInEveryVersion) {
    const struct {
        std::string text;
        uint32_t crc;
    } cases[] = {
        {"", 0x00000000u},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {std::string(64, '\0'), 0x758D6336u},
        {std::string(1000, 'a'), 0x9A38DA03u},
    };
    for (const Version& v : versions())
        for (const auto& c : cases) {
            const auto* p = reinterpret_cast<const uint8_t*>(c.text.data());
            EXPECT_EQ(c.crc, v.update(0xFFFFFFFFu, p, c.text.size()) ^ 0xFFFFFFFFu)
                << v.name << ", " << c.text.size() << " bytes";
        }
    EXPECT_EQ(0xCBF43926u, crc32_of(reinterpret_cast<const uint8_t*>("123456789"), 9));
}

TEST(Crc32, EveryLengthAndStartAgreesWithTheDefinition) {
    const std::vector<uint8_t> data = sample(300 + 16);
    for (const Version& v : versions())
        for (size_t start = 0; start < 16; ++start)
            for (size_t size = 0; size + start <= data.size() && size <= 300; ++size) {
                // A register that is not the usual start value tests its placement.
                const uint32_t reg = 0x9E3779B9u ^ static_cast<uint32_t>(size);
                ASSERT_EQ(crc_by_bits(reg, &data[start], size), v.update(reg, &data[start], size))
                    << v.name << ": start " << start << ", " << size << " bytes";
            }
}

TEST(Crc32, LargeBufferWholeAndInPieces) {
    const std::vector<uint8_t> data = sample((1u << 20) + 13);
    const uint32_t want = crc_by_bits(0xFFFFFFFFu, data.data(), data.size());
    for (const Version& v : versions()) {
        EXPECT_EQ(want, v.update(0xFFFFFFFFu, data.data(), data.size())) << v.name;
        // Pieces of uneven sizes, as a method's output blocks come.
        uint32_t reg = 0xFFFFFFFFu;
        size_t at = 0;
        for (size_t piece = 1; at < data.size(); piece = piece * 3 + 7) {
            const size_t n = std::min(piece % 70000, data.size() - at);
            reg = v.update(reg, &data[at], n);
            at += n;
        }
        EXPECT_EQ(want, reg) << v.name << " in pieces";
    }
}

}  // namespace
