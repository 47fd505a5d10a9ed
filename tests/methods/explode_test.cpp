// Method 6: round trips through the implode test encoder in its four
// variants, hand-made item streams for the copy and size rules, malformed
// trees, and damaged input.
#include <gtest/gtest.h>

#include <random>

#include "engine/globals.h"
#include "methods/methods.h"
#include "support/implode_encoder.h"
#include "support/method_harness.h"
#include "support/sample_data.h"

namespace {

using tz::Bytes;
using tz::ImplodeItem;

tz::MethodRun explode(const Bytes& packed, uint16_t flags, uint32_t unpacked_size) {
    tz::MethodSetup setup;
    setup.method = 6;
    setup.flags = flags;
    setup.unpacked_size = unpacked_size;
    G.packed_size_used = -1;
    return tz::run_method(explode_member, packed, setup);
}

tz::MethodRun explode(const tz::Imploded& m, uint32_t unpacked_size) {
    return explode(m.packed, m.flags, unpacked_size);
}

struct Variant {
    const char* name;
    bool large_window;
    bool literal_tree;
};
constexpr Variant variants[] = {
    {"4K two trees", false, false},
    {"8K two trees", true, false},
    {"4K three trees", false, true},
    {"8K three trees", true, true},
};

tz::ImplodeOptions options_of(const Variant& v) {
    tz::ImplodeOptions o;
    o.large_window = v.large_window;
    o.literal_tree = v.literal_tree;
    return o;
}

ImplodeItem literal(uint8_t b) { return {0, 0, b}; }
ImplodeItem copy(uint32_t length, uint32_t distance) { return {length, distance, 0}; }

// Run-length list bytes: a count byte, then (repeat - 1) << 4 | (length - 1) runs.
Bytes runs_of(std::initializer_list<std::pair<unsigned, unsigned>> runs) {
    Bytes out{static_cast<uint8_t>(runs.size() - 1)};
    for (auto [repeat, length] : runs) out.push_back(static_cast<uint8_t>(((repeat - 1) << 4) | (length - 1)));
    return out;
}
const Bytes uniform_64 = runs_of({{16, 6}, {16, 6}, {16, 6}, {16, 6}});  // 64 codes of 6 bits

TEST(Explode, RoundTripsEveryVariantKindAndSize) {
    const size_t sizes[] = {0, 1, 2, 300, 16384, 32767, 32768, 32769, 70000};
    for (const Variant& v : variants) {
        for (tz::SampleKind kind : tz::all_sample_kinds()) {
            for (size_t size : sizes) {
                const Bytes data = tz::sample_data(kind, size, static_cast<uint32_t>(size) + 3);
                const auto run = explode(tz::implode(data, options_of(v)), static_cast<uint32_t>(size));
                ASSERT_EQ(0, run.result) << v.name << " " << tz::sample_kind_name(kind) << " " << size;
                ASSERT_EQ(data, run.output) << v.name << " " << tz::sample_kind_name(kind) << " " << size;
            }
        }
    }
}

TEST(Explode, RoundTripsAMebibyteInEachVariant) {
    for (const Variant& v : variants) {
        for (tz::SampleKind kind : tz::all_sample_kinds()) {
            const Bytes data = tz::sample_data(kind, (1u << 20) + 3, 21);
            tz::ImplodeStats st;
            const auto m = tz::implode(data, options_of(v), &st);
            const auto run = explode(m, static_cast<uint32_t>(data.size()));
            EXPECT_EQ(0, run.result);
            EXPECT_TRUE(data == run.output) << v.name << " " << tz::sample_kind_name(kind);
            // Over 200000 compressed bytes the distance table has a wider root.
            if (kind == tz::SampleKind::random) {
                EXPECT_GT(m.packed.size(), 200000u);
            }
        }
    }
}

TEST(Explode, LongestCopiesUseLengthSymbol63AndItsExtraByte) {
    // Runs of every length from 2 to 340 bytes, each a new byte value.
    Bytes data;
    for (unsigned len = 2; len <= 340; ++len)
        data.insert(data.end(), len, static_cast<uint8_t>(len * 7));
    for (const Variant& v : variants) {
        tz::ImplodeStats st;
        const auto run = explode(tz::implode(data, options_of(v), &st), static_cast<uint32_t>(data.size()));
        EXPECT_EQ(data, run.output) << v.name;
        EXPECT_EQ(v.literal_tree ? 321u : 320u, st.longest_copy) << v.name;
        EXPECT_GT(st.long_length_symbols, 200u) << v.name;
    }
    // Symbol 63 with extra byte 0 is the shortest copy that takes the byte.
    for (const Variant& v : variants) {
        const uint32_t len = v.literal_tree ? 66 : 65;
        const auto m = tz::implode_items({literal('z'), copy(len, 1), copy(len + 255, 1)}, options_of(v));
        const auto run = explode(m, 1 + len + len + 255);
        EXPECT_EQ(0, run.result);
        EXPECT_EQ(Bytes(1 + len + len + 255, 'z'), run.output) << v.name;
    }
}

TEST(Explode, FarthestDistancesOfBothDictionaries) {
    for (const Variant& v : variants) {
        const uint32_t far = v.large_window ? 8192 : 4096;
        Bytes data = tz::sample_data(tz::SampleKind::random, far, 12);
        data.insert(data.end(), data.begin(), data.begin() + 300);
        tz::ImplodeStats st;
        const auto run = explode(tz::implode(data, options_of(v), &st), static_cast<uint32_t>(data.size()));
        EXPECT_EQ(data, run.output) << v.name;
        EXPECT_EQ(far, st.farthest_distance) << v.name;
    }
}

TEST(Explode, DeepTreesDecodeThroughSubtables) {
    // Complete codes with lengths up to 16: 1..10 bits, then ten of 15 and 44 of 16.
    std::vector<uint8_t> deep;
    for (uint8_t l = 1; l <= 10; ++l) deep.push_back(l);
    deep.insert(deep.end(), 10, 15);
    deep.insert(deep.end(), 44, 16);
    std::vector<uint8_t> deep_literals;
    for (uint8_t l = 1; l <= 8; ++l) deep_literals.push_back(l);  // 1..8, then 248 codes
    deep_literals.insert(deep_literals.end(), 8, 15);              // filling 1/256 exactly:
    deep_literals.insert(deep_literals.end(), 240, 16);            // 8 x 2 + 240 = 256 / 65536
    const Bytes data = tz::sample_data(tz::SampleKind::binary, 60000, 5);
    for (const Variant& v : variants) {
        tz::ImplodeOptions o = options_of(v);
        o.length_lengths = deep;
        o.distance_lengths = deep;
        if (v.literal_tree) o.literal_lengths = deep_literals;
        tz::ImplodeStats st;
        const auto run = explode(tz::implode(data, o, &st), static_cast<uint32_t>(data.size()));
        EXPECT_EQ(0, run.result);
        EXPECT_EQ(data, run.output) << v.name;
        EXPECT_EQ(16, st.longest_code);
    }
}

TEST(Explode, CompressedSizeAroundTheWideDistanceRoot) {
    // Members of exactly 200000 and 200001 compressed bytes (distance root 7
    // and 8) with distance codes longer than both roots.
    std::vector<uint8_t> deep;
    for (uint8_t l = 1; l <= 10; ++l) deep.push_back(l);
    deep.insert(deep.end(), 10, 15);
    deep.insert(deep.end(), 44, 16);
    tz::ImplodeOptions o;
    o.large_window = true;
    o.distance_lengths = deep;
    for (size_t target : {size_t{200000}, size_t{200001}}) {
        bool found = false;
        for (uint32_t seed = 1; !found && seed < 20; ++seed) {
            // Random bytes with copies from up to 8000 bytes back.
            std::mt19937 rng(seed);
            Bytes data;
            while (data.size() < 400000) {
                if (data.size() > 9000 && rng() % 20 == 0) {
                    const size_t from = data.size() - 1 - rng() % 8000;
                    const size_t len = 4 + rng() % 20;
                    for (size_t k = 0; k < len; ++k) data.push_back(data[from + k]);
                } else {
                    data.push_back(static_cast<uint8_t>(rng()));
                }
            }
            auto member_of = [&](size_t n) {
                return tz::implode(Bytes(data.begin(), data.begin() + static_cast<long>(n)), o);
            };
            size_t lo = 150000, hi = data.size();
            while (lo < hi) {  // the shortest prefix whose member reaches the target
                const size_t mid = (lo + hi) / 2;
                if (member_of(mid).packed.size() < target) lo = mid + 1; else hi = mid;
            }
            const auto m = member_of(lo);
            if (m.packed.size() != target) continue;  // stepped over it: other data
            found = true;
            const auto run = explode(m, static_cast<uint32_t>(lo));
            EXPECT_EQ(0, run.result) << target;
            EXPECT_TRUE(std::equal(run.output.begin(), run.output.end(), data.begin()) &&
                        run.output.size() == lo)
                << target;
        }
        EXPECT_TRUE(found) << target;
    }
}

TEST(Explode, CopiesBeforeTheOutputStartGiveZerosUntilTheWindowIsWritten) {
    // Copy 5 from 10 back after one byte: zeros; then 3 from 8 back: 1 zero
    // and 2 bytes of the output.
    tz::ImplodeOptions o;
    o.length_lengths = std::vector<uint8_t>(64, 6);
    o.distance_lengths = std::vector<uint8_t>(64, 6);
    auto m = tz::implode_items({literal('a'), copy(5, 10), literal('b'), copy(3, 8)}, o);
    auto run = explode(m, 10);
    EXPECT_EQ(0, run.result);
    EXPECT_EQ(Bytes({'a', 0, 0, 0, 0, 0, 'b', 0, 'a', 0}), run.output);

    // After the window has been written out once, the same distance reads the
    // older window contents.
    const Bytes first = tz::sample_data(tz::SampleKind::random, 32770, 8);
    std::vector<ImplodeItem> items;
    for (uint8_t b : first) items.push_back(literal(b));
    items.push_back(copy(10, 4096));
    m = tz::implode_items(items, o);
    run = explode(m, 32780);
    Bytes expect = first;
    for (int i = 0; i < 10; ++i) expect.push_back(expect[expect.size() - 4096]);
    EXPECT_EQ(expect, run.output);

    // The encoder's zero-prefix mode relies on the same rule.
    const Bytes zeros_first = tz::sample_data(tz::SampleKind::zeros, 5000);
    for (const Variant& v : variants) {
        tz::ImplodeOptions z = options_of(v);
        z.zero_prefix = true;
        tz::ImplodeStats st;
        const auto r = explode(tz::implode(zeros_first, z, &st), 5000);
        EXPECT_EQ(zeros_first, r.output) << v.name;
        EXPECT_GT(st.copies_before_start, 0u);
    }
}

TEST(Explode, ACopyPastTheExpectedSizeIsDoneWhole) {
    const auto m = tz::implode_items({literal('q'), copy(100, 1)});
    const auto run = explode(m, 5);
    EXPECT_EQ(0, run.result);
    EXPECT_EQ(Bytes(101, 'q'), run.output);
}

TEST(Explode, UnusedOrMissingCompressedBytesReportTheSizeUsed) {
    const Bytes data = tz::sample_data(tz::SampleKind::text, 5000, 4);
    tz::ImplodeOptions o;
    o.literal_tree = true;
    const auto m = tz::implode(data, o);
    auto run = explode(m, 5000);
    ASSERT_EQ(0, run.result);

    // A padding byte after the last code: output complete, one byte unused.
    Bytes padded = m.packed;
    padded.push_back(0);
    run = explode(padded, m.flags, 5000);
    EXPECT_EQ(5, run.result);
    EXPECT_EQ(data, run.output);
    EXPECT_EQ(static_cast<int64_t>(m.packed.size()), G.packed_size_used);

    // Two bytes cut off: the missing bits read as ones, more bytes are used than stated.
    const Bytes cut(m.packed.begin(), m.packed.end() - 2);
    run = explode(cut, m.flags, 5000);
    EXPECT_EQ(5, run.result);
    EXPECT_GT(G.packed_size_used, static_cast<int64_t>(cut.size()));
    EXPECT_GE(run.output.size(), 5000u);
}

TEST(Explode, MalformedLengthListsAreResult4) {
    const Bytes over = runs_of({{16, 6}, {16, 6}, {16, 6}, {16, 6}, {1, 6}});
    const Bytes short_list = runs_of({{16, 6}, {16, 6}, {16, 6}, {15, 6}});
    const Bytes across = runs_of({{16, 6}, {16, 6}, {16, 6}, {15, 6}, {2, 6}});
    EXPECT_EQ(4, explode(over, 0, 10).result);
    EXPECT_EQ(4, explode(short_list, 0, 10).result);
    EXPECT_EQ(4, explode(across, 0, 10).result);
    // Length tree fine, distance list short.
    Bytes second_short = uniform_64;
    second_short.insert(second_short.end(), short_list.begin(), short_list.end());
    EXPECT_EQ(4, explode(second_short, 0, 10).result);
    // Literal list of 255 lengths.
    Bytes literal_short{15};
    for (int i = 0; i < 15; ++i) literal_short.push_back(0xF7);
    literal_short.push_back(0xE7);
    EXPECT_EQ(4, explode(literal_short, tz::IMPLODE_THREE_TREES, 10).result);
    // No data at all.
    EXPECT_EQ(4, explode(Bytes{}, 0, 10).result);
    EXPECT_EQ(4, explode(Bytes{}, 6, 0).result);
}

TEST(Explode, IncompleteAndOversubscribedTreesAreRefused) {
    const Bytes sevens = runs_of({{16, 7}, {16, 7}, {16, 7}, {16, 7}});  // half the code space
    const Bytes fives = runs_of({{16, 5}, {16, 5}, {16, 5}, {16, 5}});   // twice the code space
    Bytes incomplete_length = sevens;
    incomplete_length.insert(incomplete_length.end(), uniform_64.begin(), uniform_64.end());
    EXPECT_EQ(1, explode(incomplete_length, 0, 10).result);
    Bytes incomplete_distance = uniform_64;
    incomplete_distance.insert(incomplete_distance.end(), sevens.begin(), sevens.end());
    EXPECT_EQ(1, explode(incomplete_distance, 0, 10).result);
    Bytes oversubscribed = uniform_64;
    oversubscribed.insert(oversubscribed.end(), fives.begin(), fives.end());
    EXPECT_EQ(2, explode(oversubscribed, 0, 10).result);
    // A literal tree of 256 codes of 9 bits is incomplete too.
    Bytes nines{15};
    for (int i = 0; i < 16; ++i) nines.push_back(0xF8);
    EXPECT_EQ(1, explode(nines, tz::IMPLODE_THREE_TREES, 10).result);
}

// ---- Damaged data: always ends, output bounded by the size plus one copy.

TEST(Explode, TruncationAtEveryByteEndsWithAnErrorOrABadCheck) {
    const Bytes data = tz::sample_data(tz::SampleKind::text, 3000, 14);
    for (const Variant& v : variants) {
        const auto m = tz::implode(data, options_of(v));
        for (size_t cut = 0; cut < m.packed.size(); ++cut) {
            const Bytes part(m.packed.begin(), m.packed.begin() + static_cast<long>(cut));
            const auto run = explode(part, m.flags, 3000);
            ASSERT_NE(0, run.result) << v.name << " " << cut;
            ASSERT_LT(run.output.size(), 3000u + 321u);
            // Past the cut the bits read as ones: more bytes used than there are.
            if (run.result == 5) {
                ASSERT_GT(G.packed_size_used, static_cast<int64_t>(cut));
                ASSERT_GE(run.output.size(), 3000u);
            }
        }
    }
}

TEST(Explode, RandomBytesNeverCrashOrHang) {
    std::mt19937 rng(31);
    for (int i = 0; i < 400; ++i) {
        const uint16_t flags = static_cast<uint16_t>((i % 4) * 2);
        Bytes junk;
        // Half of the cases get valid trees, so that the random rest is decoded.
        if (i % 2) {
            tz::ImplodeOptions o;
            o.large_window = flags & 2;
            o.literal_tree = flags & 4;
            junk = tz::implode_items({}, o).packed;
        }
        const size_t n = rng() % 3000;
        for (size_t k = 0; k < n; ++k) junk.push_back(static_cast<uint8_t>(rng()));
        const uint32_t size = rng() % 100000;
        const auto run = explode(junk, flags, size);
        ASSERT_GE(run.result, 0);
        ASSERT_LE(run.result, 5);
        ASSERT_LT(run.output.size(), size + 321u);
    }
}

}  // namespace
