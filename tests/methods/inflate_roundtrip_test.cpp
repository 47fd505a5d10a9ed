// Inflate against zlib's compressor: every level and strategy, the sizes around
// the window, and damaged streams (every truncation, random bit flips), which
// must end with an error or the original data and never run away.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "inflate_run.h"
#include "support/zip_writer.h"

namespace {

using inflate_test::max_overrun;
using inflate_test::run_inflate;
using tz::Bytes;

// Text-like data with literal runs, short repeats and repeats from far back
// (up to the whole window), so that zlib uses every kind of match.
Bytes sample_data(size_t size, uint32_t seed) {
    static const char* const words[] = {"terminal ", "setup ",  "archive ", "window ",
                                        "modem ",    "script ", "\r\n",     "phone book ",
                                        "options ",  "0123 ",   "TEV ",     "install "};
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        const unsigned kind = rng() % 10;
        if (kind < 6) {
            const std::string w = words[rng() % std::size(words)];
            out.insert(out.end(), w.begin(), w.end());
        } else if (kind < 8) {
            for (unsigned n = rng() % 40; n > 0; --n) out.push_back(static_cast<uint8_t>(rng()));
        } else if (!out.empty()) {
            const size_t back = 1 + rng() % std::min<size_t>(out.size(), 32768);
            const size_t len = 3 + rng() % 300;
            const size_t from = out.size() - back;
            for (size_t i = 0; i < len; ++i) out.push_back(out[from + i]);
        }
    }
    out.resize(size);
    return out;
}

void expect_round_trip(const Bytes& data, const Bytes& packed, const std::string& what) {
    const tz::MethodRun r = run_inflate(packed);
    ASSERT_EQ(r.result, 0) << what;
    ASSERT_EQ(r.output.size(), data.size()) << what;
    EXPECT_TRUE(r.output == data) << what;
    EXPECT_EQ(r.crc, tz::crc32_of(data)) << what;
    EXPECT_EQ(r.err, "") << what;
    EXPECT_GE(r.packed_left, -4) << what << ": read far past the end of a valid stream";
}

TEST(InflateRoundTrip, EveryLevel) {
    const Bytes data = sample_data(150000, 1);
    for (int level = -1; level <= 9; ++level)
        expect_round_trip(data, tz::deflate_raw(data, level), "level " + std::to_string(level));
}

TEST(InflateRoundTrip, EveryStrategy) {
    const Bytes data = sample_data(120000, 2);
    const std::pair<int, const char*> strategies[] = {
        {Z_FILTERED, "filtered"}, {Z_HUFFMAN_ONLY, "Huffman only"}, {Z_RLE, "RLE"},
        {Z_FIXED, "fixed codes"}};
    for (const auto& [strategy, name] : strategies)
        for (int level : {1, 6, 9})
            expect_round_trip(data, tz::deflate_raw(data, level, strategy),
                              std::string(name) + " level " + std::to_string(level));
}

TEST(InflateRoundTrip, SizesAroundTheWindow) {
    for (size_t size : {0, 1, 2, 258, 32767, 32768, 32769, 65535, 65536, 65537, 98304}) {
        const Bytes text = sample_data(size, static_cast<uint32_t>(size));
        const Bytes zeros(size, 0);
        for (int level : {0, 1, 6}) {
            const std::string what = std::to_string(size) + " bytes, level " + std::to_string(level);
            expect_round_trip(text, tz::deflate_raw(text, level), "text " + what);
            expect_round_trip(zeros, tz::deflate_raw(zeros, level), "zeros " + what);
        }
    }
}

TEST(InflateRoundTrip, ManySmallBlocksAndIncompressibleData) {
    const Bytes text = sample_data(200000, 3);
    expect_round_trip(text, tz::deflate_raw(text, 9, Z_DEFAULT_STRATEGY, 1), "memory level 1");
    std::mt19937 rng(4);
    Bytes noise(100000);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(rng());
    for (int level : {0, 6, 9}) expect_round_trip(noise, tz::deflate_raw(noise, level), "noise");
    // Half noise, half text: blocks of different kinds in one stream.
    Bytes mixed = sample_data(60000, 13);
    mixed.insert(mixed.begin(), noise.begin(), noise.begin() + 40000);
    expect_round_trip(mixed, tz::deflate_raw(mixed, 6), "mixed");
}

TEST(InflateRoundTrip, LongRepeatsCrossTheWindowEnd) {
    // A period just under the longest distance zlib uses, and one byte repeated.
    std::mt19937 rng(5);
    Bytes period(32000);
    for (uint8_t& b : period) b = static_cast<uint8_t>(rng());
    Bytes data;
    for (int i = 0; i < 6; ++i) data.insert(data.end(), period.begin(), period.end());
    expect_round_trip(data, tz::deflate_raw(data, 9), "period 32000");
    const Bytes ones(300000, 'x');
    expect_round_trip(ones, tz::deflate_raw(ones, 9), "one byte repeated");
    expect_round_trip(ones, tz::deflate_raw(ones, 6, Z_RLE), "one byte repeated, RLE");
}

// A truncated stream must end: with an error, or with the original data, or
// (when the last block ran a few bytes into the missing data) with output whose
// CRC the engine will find wrong. It may not read on without end.
void expect_every_truncation_ends(const Bytes& data, const Bytes& packed, const std::string& what) {
    for (size_t keep = 0; keep < packed.size(); ++keep) {
        const Bytes cut(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(keep));
        const tz::MethodRun r = run_inflate(cut, 1);
        const std::string at = what + " cut to " + std::to_string(keep) + " bytes";
        if (r.result == 0) {
            ASSERT_TRUE(r.output == data || r.crc != tz::crc32_of(data)) << at;
            ASSERT_GE(r.packed_left, -8) << at;
        } else {
            ASSERT_TRUE(r.result == 1 || r.result == 2) << at;
            ASSERT_LE(r.output.size(), data.size()) << at;
        }
        ASSERT_GE(r.packed_left, -max_overrun) << at;
    }
}

TEST(InflateTruncated, EveryCutOfEveryBlockKindEnds) {
    const Bytes data = sample_data(2500, 6);
    expect_every_truncation_ends(data, tz::deflate_raw(data, 9), "dynamic");
    expect_every_truncation_ends(data, tz::deflate_raw(data, 6, Z_FIXED), "fixed");
    expect_every_truncation_ends(data, tz::deflate_raw(data, 0), "stored");
    expect_every_truncation_ends(data, tz::deflate_raw(data, 9, Z_DEFAULT_STRATEGY, 1),
                                 "small blocks");
    const Bytes ones(3000, 0xFF);
    expect_every_truncation_ends(ones, tz::deflate_raw(ones, 9), "all ones");
}

TEST(InflateDamaged, RandomBitFlipsEndWithinBounds) {
    const Bytes data = sample_data(6000, 7);
    const Bytes packed[] = {tz::deflate_raw(data, 9), tz::deflate_raw(data, 6, Z_FIXED),
                            tz::deflate_raw(data, 6, Z_HUFFMAN_ONLY)};
    std::mt19937 rng(8);
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = packed[round % 3];
        for (unsigned flips = 1 + rng() % 3; flips > 0; --flips)
            damaged[rng() % damaged.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        const tz::MethodRun r = run_inflate(damaged, 1);
        ASSERT_TRUE(r.result == 0 || r.result == 1 || r.result == 2) << "round " << round;
        ASSERT_GE(r.packed_left, -max_overrun) << "round " << round;
        // Each decoded symbol takes at least one bit and yields at most 258 bytes.
        ASSERT_LE(r.output.size(), 258 * 8 * (damaged.size() + max_overrun)) << "round " << round;
    }
}

}  // namespace
