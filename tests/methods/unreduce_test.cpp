// Methods 2 to 5: round trips through the reduce test encoder for each factor
// and follower-set shape, hand-made symbol streams for the escape rules, and
// damaged input.
#include <gtest/gtest.h>

#include <random>

#include "methods/methods.h"
#include "support/bit_writer.h"
#include "support/method_harness.h"
#include "support/reduce_encoder.h"
#include "support/sample_data.h"

namespace {

using tz::Bytes;

tz::MethodRun unreduce(const Bytes& packed, int factor, uint32_t unpacked_size) {
    tz::MethodSetup setup;
    setup.method = static_cast<uint16_t>(factor + 1);
    setup.unpacked_size = unpacked_size;
    return tz::run_method(unreduce_member, packed, setup);
}

// Codes a symbol stream with every follower set empty (each symbol 8 plain bits).
Bytes plain_symbols(const std::vector<uint8_t>& symbols) {
    return tz::code_reduce_symbols(symbols, tz::FollowerSets{});
}

struct SetShape {
    const char* name;
    int max_followers;
    bool pad;
};
constexpr SetShape set_shapes[] = {{"empty", 0, false}, {"small", 3, false}, {"full 32", 32, true}};

TEST(Unreduce, RoundTripsEveryFactorSetShapeKindAndSize) {
    const size_t sizes[] = {0, 1, 2, 300, 16383, 16384, 16385, 32767, 32768, 32769};
    for (int factor = 1; factor <= 4; ++factor) {
        for (const SetShape& shape : set_shapes) {
            for (tz::SampleKind kind : tz::all_sample_kinds()) {
                for (size_t size : sizes) {
                    const Bytes data = tz::sample_data(kind, size, static_cast<uint32_t>(size));
                    tz::ReduceOptions o;
                    o.factor = factor;
                    o.max_followers = shape.max_followers;
                    o.pad_followers = shape.pad;
                    const auto run = unreduce(tz::reduce(data, o), factor, static_cast<uint32_t>(size));
                    ASSERT_EQ(data, run.output) << "factor " << factor << " " << shape.name << " "
                                                << tz::sample_kind_name(kind) << " " << size;
                    EXPECT_EQ(0, run.result);
                }
            }
        }
    }
}

TEST(Unreduce, RoundTripsAMebibyteForEachFactor) {
    for (int factor = 1; factor <= 4; ++factor) {
        for (tz::SampleKind kind : tz::all_sample_kinds()) {
            const Bytes data = tz::sample_data(kind, (1u << 20) + 5, 11);
            tz::ReduceOptions o;
            o.factor = factor;
            o.max_followers = kind == tz::SampleKind::random ? 0 : 32;
            tz::ReduceStats st;
            const auto run = unreduce(tz::reduce(data, o, &st), factor, static_cast<uint32_t>(data.size()));
            EXPECT_TRUE(data == run.output) << factor << " " << tz::sample_kind_name(kind);
        }
    }
}

TEST(Unreduce, FollowerSetsAndEscapesAreExercised) {
    const Bytes data = tz::sample_data(tz::SampleKind::text, 20000, 2);
    tz::ReduceOptions o;
    o.max_followers = 32;
    o.pad_followers = true;
    tz::ReduceStats st;
    const auto run = unreduce(tz::reduce(data, o, &st), 1, static_cast<uint32_t>(data.size()));
    EXPECT_EQ(data, run.output);
    EXPECT_EQ(32u, st.largest_set);
    EXPECT_GT(st.coded_by_follower, 1000u);
    EXPECT_GT(st.escaped_literals, 10u);
    EXPECT_GT(st.copies, 100u);
}

TEST(Unreduce, LongestCopyAndFarthestDistanceOfEachFactor) {
    for (int factor = 1; factor <= 4; ++factor) {
        const tz::ReduceLimits lim = tz::reduce_limits(factor);
        // Random bytes, then their start again at exactly the farthest distance.
        Bytes data = tz::sample_data(tz::SampleKind::random, lim.farthest(), 40 + factor);
        data.insert(data.end(), data.begin(), data.begin() + lim.longest());
        tz::ReduceOptions o;
        o.factor = factor;
        tz::ReduceStats st;
        const auto run = unreduce(tz::reduce(data, o, &st), factor, static_cast<uint32_t>(data.size()));
        EXPECT_EQ(data, run.output) << factor;
        EXPECT_EQ(lim.longest(), st.longest_copy) << factor;
        EXPECT_EQ(lim.farthest(), st.farthest_distance) << factor;
    }
    EXPECT_EQ(385u, tz::reduce_limits(1).longest());
    EXPECT_EQ(512u, tz::reduce_limits(1).farthest());
    EXPECT_EQ(273u, tz::reduce_limits(4).longest());
    EXPECT_EQ(4096u, tz::reduce_limits(4).farthest());
}

TEST(Unreduce, EscapeFollowedByZeroIsTheEscapeByte) {
    const auto run = unreduce(plain_symbols({'a', 144, 0, 'b', 144, 0}), 2, 4);
    EXPECT_EQ(Bytes({'a', 144, 'b', 144}), run.output);
}

TEST(Unreduce, FactorConstantsSplitLengthAndDistance) {
    // Escape, V = 0xF3, distance byte 0x05. Factor 4 (method 5): length 3 + 3,
    // distance 0x05 + 15 x 256 + 1 = 3846. Factor 1: length 0x73 = 115 + 3,
    // distance 0x05 + 1 x 256 + 1 = 262.
    Bytes data = tz::sample_data(tz::SampleKind::random, 4000, 3);
    std::vector<uint8_t> symbols(data.begin(), data.end());
    for (size_t i = 0; i < symbols.size(); ++i)
        if (symbols[i] == 144) symbols.insert(symbols.begin() + static_cast<long>(++i), 0);
    symbols.insert(symbols.end(), {144, 0xF3, 0x05});
    const Bytes packed = plain_symbols(symbols);

    Bytes expect4 = data;
    for (int i = 0; i < 6; ++i) expect4.push_back(expect4[expect4.size() - 3846]);
    EXPECT_EQ(expect4, unreduce(packed, 4, 4006).output);

    Bytes expect1 = data;
    for (int i = 0; i < 118; ++i) expect1.push_back(expect1[expect1.size() - 262]);
    EXPECT_EQ(expect1, unreduce(packed, 1, 4118).output);
}

TEST(Unreduce, LengthFieldAtItsMaskTakesAnotherLengthByte) {
    // Factor 2: V = 0x3F | (1 << 6): length 63 + 200, distance 0x10 + 256 + 1.
    Bytes data = tz::sample_data(tz::SampleKind::random, 300, 4);
    std::vector<uint8_t> symbols;
    for (uint8_t b : data) {
        symbols.push_back(b);
        if (b == 144) symbols.push_back(0);
    }
    symbols.insert(symbols.end(), {144, 0x7F, 200, 0x10});
    Bytes expect = data;
    for (int i = 0; i < 63 + 200 + 3; ++i) expect.push_back(expect[expect.size() - 273]);
    EXPECT_EQ(expect, unreduce(plain_symbols(symbols), 2, static_cast<uint32_t>(expect.size())).output);
}

TEST(Unreduce, CopiesBeforeTheStartOfTheOutputGiveZeros) {
    // A copy that starts 2 bytes before the output (zeros) and goes on into
    // it, then one entirely before it.
    std::vector<uint8_t> symbols = {'x', 'y'};
    tz::reduce_copy_symbols(symbols, 1, 5, 4);
    tz::reduce_copy_symbols(symbols, 1, 5, 300);
    const auto run = unreduce(plain_symbols(symbols), 1, 12);
    EXPECT_EQ(Bytes({'x', 'y', 0, 0, 'x', 'y', 0, 0, 0, 0, 0, 0}), run.output);

    // The encoder's zero-prefix mode relies on the same rule.
    const Bytes data = tz::sample_data(tz::SampleKind::zeros, 3000);
    for (int factor = 1; factor <= 4; ++factor) {
        tz::ReduceOptions o;
        o.factor = factor;
        o.zero_prefix = true;
        tz::ReduceStats st;
        const auto r = unreduce(tz::reduce(data, o, &st), factor, 3000);
        EXPECT_EQ(data, r.output);
        EXPECT_GT(st.copies_before_start, 0u);
    }
}

TEST(Unreduce, ACopyPastTheExpectedSizeIsDoneWhole) {
    std::vector<uint8_t> symbols = {'q'};
    tz::reduce_copy_symbols(symbols, 1, 100, 1);
    const auto run = unreduce(plain_symbols(symbols), 1, 5);
    EXPECT_EQ(Bytes(101, 'q'), run.output);
}

TEST(Unreduce, EmptySetReadsEightPlainBitsAndNoIndex) {
    // Set of 0 (the start value) = {'x'}, of 'x' = {'y', 'z', 'w'}, every other empty.
    tz::BitWriter w;
    for (int x = 255; x >= 0; --x) {
        if (x == 'x') {
            w.bits(3, 6);
            w.bits('y', 8), w.bits('z', 8), w.bits('w', 8);
        } else if (x == 0) {
            w.bits(1, 6);
            w.bits('x', 8);
        } else {
            w.bits(0, 6);
        }
    }
    w.bits(0, 1), w.bits(0, 1);   // follower 0 of 0: 'x' (one index bit)
    w.bits(0, 1), w.bits(2, 2);   // follower 2 of 'x': 'w' (two index bits)
    w.bits('A', 8);                 // 'w' has no set: 8 plain bits, no flag
    w.bits('x', 8);                 // 'A' has no set
    w.bits(1, 1), w.bits('Q', 8); // flag 1 after 'x': a plain byte
    const auto run = unreduce(w.bytes(), 3, 5);
    EXPECT_EQ("xwAxQ", tz::text_of(run.output));
}

// ---- Damaged data: data that ends before the expected size is invalid.

TEST(Unreduce, TruncationAtEveryByteIsInvalidData) {
    const Bytes data = tz::sample_data(tz::SampleKind::text, 3000, 6);
    tz::ReduceOptions o;
    o.factor = 3;
    o.max_followers = 8;
    const Bytes packed = tz::reduce(data, o);
    const uint32_t crc = tz::crc32_of(data);
    size_t detected = 0;
    for (size_t cut = 0; cut < packed.size(); ++cut) {
        const Bytes part(packed.begin(), packed.begin() + static_cast<long>(cut));
        const auto run = unreduce(part, 3, static_cast<uint32_t>(data.size()));
        if (run.result == 0) {
            ASSERT_TRUE(run.output == data) << cut;
        } else {
            ASSERT_EQ(run.result, 1);
            ASSERT_LT(run.output.size(), data.size());
        }
        if (run.result != 0 || run.crc != crc) ++detected;
    }
    // Only a cut that drops nothing but zero bits can leave the output intact.
    EXPECT_GE(detected, packed.size() - 8);
}

TEST(Unreduce, RandomBytesNeverCrashOrHang) {
    std::mt19937 rng(91);
    for (int i = 0; i < 300; ++i) {
        Bytes junk(rng() % 2000);
        for (auto& b : junk) b = static_cast<uint8_t>(rng());
        const int factor = 1 + i % 4;
        const uint32_t size = rng() % 70000;
        const auto run = unreduce(junk, factor, size);
        ASSERT_TRUE(run.result == 0 || run.result == 1);
        if (run.result == 0) {
            ASSERT_GE(run.output.size(), size);
        }
        ASSERT_LT(run.output.size(), size + tz::reduce_limits(factor).longest());
    }
}

}  // namespace
