// Deflate64, bzip2 and LZMA members as 7-Zip and Python's zipfile write them
// (every method and variant, on every kind of content), hand-made deflate64
// codes at the window's edges, the header and marker rules of LZMA, the block
// rules of bzip2, and cut, damaged and memory-starved streams of all three.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "alloc_probe.h"
#include "engine/globals.h"
#include "methods/inflate.h"
#include "methods/methods.h"
#include "support/bit_writer.h"
#include "support/method_harness.h"
#include "support/other_writers.h"
#include "support/sample_data.h"

namespace {

using tz::Bytes;
using tz::PackedMember;
using tz::SampleKind;

int run_lzma() {
    uint32_t dictionary = 0;
    return lzma_member(&dictionary);
}

std::function<int()> decoder_of(uint16_t method) {
    switch (method) {
    case 9: return inflate64_member;
    case 12: return bunzip2_member;
    case 14: return run_lzma;
    default: return inflate_member;
    }
}

// Decodes as an extraction does: the output bounded by the declared size.
tz::MethodRun decode(const PackedMember& m, uint64_t declared, const Bytes& packed) {
    tz::MethodSetup setup;
    setup.method = m.method;
    setup.flags = m.flags;
    setup.unpacked_size = static_cast<uint32_t>(declared);
    setup.quiet_level = 2;
    const std::function<int()> decoder = decoder_of(m.method);
    return tz::run_method(
        [&] {
            G.output_limit = declared;
            return decoder();
        },
        packed, setup);
}

tz::MethodRun decode(const PackedMember& m, uint64_t declared) { return decode(m, declared, m.packed); }

// A few hundred kilobytes of every kind: several bzip2 blocks of 100 kB, and
// matches across the whole 64 KiB deflate64 window.
std::vector<Bytes> contents() {
    Bytes repeats = tz::sample_data(SampleKind::random, 60000, 9);
    for (int i = 0; i < 3; ++i) repeats.insert(repeats.end(), repeats.begin(), repeats.begin() + 60000);
    return {tz::sample_data(SampleKind::text, 250000, 1), tz::sample_data(SampleKind::binary, 90000, 2),
            tz::sample_data(SampleKind::zeros, 200000, 3), tz::sample_data(SampleKind::random, 70000, 4),
            repeats, Bytes{}, Bytes{'x'}};
}

struct Writer {
    const char* tool;  // "7zz" or "python"
    const char* method_option;
    uint16_t method;
    uint16_t flags;    // as the writer sets them
};

constexpr Writer writers[] = {
    {"7zz", "Deflate64", 9, 0},
    {"7zz", "BZip2", 12, 0},
    {"7zz", "BZip2:d=100k", 12, 0},
    {"7zz", "LZMA", 14, 2},
    {"7zz", "LZMA:eos=off", 14, 0},
    {"7zz", "LZMA:eos=off:lc=0:lp=2:pb=0", 14, 0},
    {"7zz", "LZMA:d=64k:lc=8:lp=4:pb=4", 14, 2},
    {"7zz", "LZMA:lc=4:lp=1:pb=1", 14, 2},
    {"python", "bzip2", 12, 0},
    {"python", "lzma", 14, 2},
};

PackedMember pack(const Writer& w, const Bytes& data) {
    return std::string(w.tool) == "7zz" ? tz::packed_by_7zz(w.method_option, data)
                                         : tz::packed_by_python(w.method_option, data);
}

TEST(OtherWriters, EveryMethodAndVariantDecodesEveryContent) {
    const std::vector<Bytes> all = contents();
    for (const Writer& w : writers) {
        size_t packed = 0;
        for (size_t i = 0; i < all.size(); ++i) {
            const PackedMember m = pack(w, all[i]);
            // 7-Zip stores what does not compress.
            if (m.method == 0 && std::string(w.tool) == "7zz") continue;
            ++packed;
            ASSERT_EQ(m.method, w.method) << w.method_option;
            ASSERT_EQ(m.flags & 2, w.flags) << w.method_option;
            const tz::MethodRun r = decode(m, all[i].size());
            EXPECT_EQ(r.result, 0) << w.tool << " " << w.method_option << " content " << i << r.err;
            EXPECT_TRUE(r.output == all[i]) << w.tool << " " << w.method_option << " content " << i << ": "
                                            << r.output.size() << " bytes of " << all[i].size();
            EXPECT_GE(r.packed_left, 0) << w.method_option << ": read past the member's data";
        }
        EXPECT_GE(packed, all.size() - 3) << w.method_option;
    }
    // Blocks of 100 kB: the text above took three.
    EXPECT_EQ(pack(writers[2], all[0]).packed[3], '1');
}

// One stream of each method, cut or damaged: never a crash, a hang, output
// past the declared size or a read past the member's data; a cut stream that
// reports success has lost only bytes it did not need.
TEST(OtherWriters, CutAndDamagedStreamsStayInBounds) {
    const Bytes data = tz::sample_data(SampleKind::text, 30000, 7);
    std::mt19937 rng(20);
    for (const Writer& w : {writers[0], writers[2], writers[3], writers[4]}) {
        const PackedMember m = pack(w, data);
        const size_t step = m.packed.size() / 97 + 1;
        for (size_t cut = 0; cut < m.packed.size(); cut += step) {
            const Bytes packed(m.packed.begin(), m.packed.begin() + static_cast<long>(cut));
            const tz::MethodRun r = decode(m, data.size(), packed);
            ASSERT_LE(r.output.size(), data.size()) << w.method_option << " cut at " << cut;
            EXPECT_GE(r.packed_left, -24) << w.method_option << " cut at " << cut;
            if (r.result == 0 && r.output.size() == data.size()) {
                EXPECT_TRUE(r.output == data) << w.method_option << " cut at " << cut;
            }
        }
        for (int round = 0; round < 150; ++round) {
            Bytes packed = m.packed;
            for (int k = 0; k < 1 + round % 3; ++k)
                packed[rng() % packed.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
            const tz::MethodRun r = decode(m, data.size(), packed);
            ASSERT_LE(r.output.size(), data.size()) << w.method_option << " round " << round;
            EXPECT_GE(r.packed_left, -24) << w.method_option << " round " << round;
        }
    }
}

TEST(OtherWriters, OutOfMemoryAtAnyAllocationIsReported) {
    const Bytes data = tz::sample_data(SampleKind::binary, 5000, 3);
    for (const Writer& w : {writers[0], writers[1], writers[3]}) {
        const PackedMember m = pack(w, data);
        long allocations = 0;
        for (long fail_at = -1; fail_at < std::max(allocations, 1L); ++fail_at) {
            tz::MethodSetup setup;
            setup.method = m.method;
            setup.flags = m.flags;
            setup.unpacked_size = static_cast<uint32_t>(data.size());
            const tz::MethodRun r = tz::run_method(
                [&] {
                    release_fixed_tables();  // inflate's tables are made again
                    probe::AllocProbe p(fail_at);
                    const int result = decoder_of(m.method)();
                    if (fail_at < 0) allocations = p.count();
                    return result;
                },
                m.packed, setup);
            EXPECT_EQ(r.result, fail_at < 0 ? 0 : 3) << w.method_option << " failing allocation " << fail_at;
        }
        EXPECT_GE(allocations, 1) << w.method_option;
    }
}

// ---- Deflate64's own codes

// A fixed-code deflate64 block of literals and matches, with the five-bit
// distance codes 30 and 31 and the 16 extra bits of length code 285.
void put_deflate64_match(tz::BitWriter& w, unsigned length, unsigned distance, bool long_length) {
    const tz::PrefixCode& litlen = tz::fixed_litlen_code();
    static const tz::PrefixCode dist = tz::canonical_code(std::vector<unsigned>(32, 5));
    if (long_length) {
        litlen.put(w, 285);
        w.bits(length - 3, 16);
    } else {
        unsigned s = 27;
        while (length64_base[s] > length) --s;
        litlen.put(w, 257 + s);
        w.bits(length - length64_base[s], length64_extra[s]);
    }
    unsigned d = 31;
    while (dist64_base[d] > distance) --d;
    dist.put(w, d);
    w.bits(distance - dist64_base[d], dist64_extra[d]);
}

TEST(Deflate64, MatchesReachTheWholeWindowAndTakeLongLengths) {
    // 70000 random bytes in stored blocks, then matches at the window's edges.
    const Bytes history = tz::sample_data(SampleKind::random, 70000, 5);
    tz::BitWriter w;
    tz::put_stored_block(w, false, Bytes(history.begin(), history.begin() + 65535));
    tz::put_stored_block(w, false, Bytes(history.begin() + 65535, history.end()));
    struct Match {
        unsigned length, distance;
        bool long_length;
    };
    const Match matches[] = {{258, 32769, false},  {3, 65536, true},     {65538, 65536, true},
                             {300, 49153, true},   {4, 49152, false},    {257, 32768, false},
                             {40000, 65535, true}, {10, 1, true},        {65538, 1, true}};
    Bytes want = history;
    tz::put_block_header(w, true, 1);
    for (const Match& m : matches) {
        put_deflate64_match(w, m.length, m.distance, m.long_length);
        for (unsigned i = 0; i < m.length; ++i) want.push_back(want[want.size() - m.distance]);
    }
    tz::fixed_litlen_code().put(w, 256);

    PackedMember m{9, 0, 21, w.bytes()};
    tz::MethodRun r = decode(m, want.size());
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.output == want) << r.output.size() << " bytes of " << want.size();

    // The same codes are invalid in deflate: distance codes 30 and 31 do not exist there.
    m.method = 8;
    r = decode(m, want.size());
    EXPECT_EQ(r.result, 1);
    EXPECT_LE(r.output.size(), history.size());
}

// ---- LZMA

// The ZIP framing of LZMA: version (2), properties size (2), properties byte,
// dictionary size (4).
void set_dictionary(Bytes& packed, uint32_t size) {
    for (int i = 0; i < 4; ++i) packed[5 + i] = static_cast<uint8_t>(size >> (8 * i));
}

TEST(Lzma, HeaderMarkerAndDictionaryRules) {
    // Text with matches farther back than 4 KiB.
    Bytes data = tz::sample_data(SampleKind::text, 60000, 11);
    data.insert(data.end(), data.begin(), data.begin() + 20000);
    const PackedMember with_marker = tz::packed_by_7zz("LZMA", data);
    const PackedMember without = tz::packed_by_7zz("LZMA:eos=off", data);
    struct Case {
        const char* what;
        const PackedMember& from;
        std::function<void(PackedMember&)> change;
        uint64_t declared;
        int result;
        size_t output;  // bytes written
    };
    const Case cases[] = {
        {"marker stream read as one without", with_marker, [](PackedMember& m) { m.flags = 0; },
         data.size(), 0, data.size()},
        {"stream without marker read as one with", without, [](PackedMember& m) { m.flags = 2; },
         data.size(), 1, data.size()},
        {"declared size below the marker", with_marker, [](PackedMember&) {}, data.size() - 1, 1, data.size() - 1},
        {"declared size above the marker", with_marker, [](PackedMember&) {}, data.size() + 5, 0, data.size()},
        {"properties size 4", with_marker, [](PackedMember& m) { m.packed[2] = 4; }, data.size(), 1, 0},
        {"properties byte 225", with_marker, [](PackedMember& m) { m.packed[4] = 225; }, data.size(), 1, 0},
        {"first range byte not 0", with_marker, [](PackedMember& m) { m.packed[9] = 1; }, data.size(), 1, 0},
        {"data ends in the header", with_marker, [](PackedMember& m) { m.packed.resize(7); }, data.size(), 1, 0},
        {"dictionary of 1 GiB, small member", with_marker,
         [](PackedMember& m) { set_dictionary(m.packed, 1u << 30); }, data.size(), 0, data.size()},
        {"distance beyond a 4 KiB dictionary", with_marker,
         [](PackedMember& m) { set_dictionary(m.packed, 4096); }, data.size(), 1, data.size()},
        {"dictionary over 256 MiB for a large member", with_marker,
         [](PackedMember& m) { set_dictionary(m.packed, (256u << 20) + 1); }, uint64_t{300} << 20,
         METHOD_REFUSED, 0},
    };
    for (const Case& c : cases) {
        PackedMember m = c.from;
        c.change(m);
        const tz::MethodRun r = decode(m, c.declared);
        EXPECT_EQ(r.result, c.result) << c.what;
        if (c.result == 0 || c.output == 0) {  // exactly these bytes
            EXPECT_EQ(r.output.size(), c.output) << c.what;
            EXPECT_TRUE(std::equal(r.output.begin(), r.output.end(), data.begin())) << c.what;
        } else {
            EXPECT_LE(r.output.size(), c.output) << c.what;
        }
    }
}

// ---- bzip2

// Sets `count` bits at bit `at` (most significant first) of a bzip2 stream.
void set_bits(Bytes& b, size_t at, unsigned count, uint32_t value) {
    for (unsigned i = 0; i < count; ++i) {
        const size_t bit = at + i;
        const uint8_t mask = static_cast<uint8_t>(0x80u >> (bit % 8));
        if ((value >> (count - 1 - i)) & 1u)
            b[bit / 8] |= mask;
        else
            b[bit / 8] &= static_cast<uint8_t>(~mask);
    }
}

TEST(Bunzip2, StreamAndBlockRules) {
    const Bytes data = tz::sample_data(SampleKind::text, 150000, 13);
    const PackedMember two_blocks = tz::packed_by_7zz("BZip2:d=100k", data);
    // Stream header (4 bytes), block magic (6), block CRC (4), randomised bit, origin (24).
    constexpr size_t crc_bit = 80, randomised_bit = 112, origin_bit = 113;
    struct Case {
        const char* what;
        std::function<void(Bytes&)> change;
    };
    const Case cases[] = {
        {"no stream signature", [](Bytes& b) { b[0] = 'b'; }},
        {"block size digit 0", [](Bytes& b) { b[3] = '0'; }},
        {"block CRC changed", [](Bytes& b) { b[crc_bit / 8] ^= 1; }},
        {"randomised block", [](Bytes& b) { set_bits(b, randomised_bit, 1, 1); }},
        {"origin past the block", [](Bytes& b) { set_bits(b, origin_bit, 24, 0xFFFFFF); }},
        {"combined CRC changed", [](Bytes& b) { b[b.size() - 2] ^= 0x10; }},
        {"no end-of-stream record", [](Bytes& b) { b.resize(b.size() - 11); }},
    };
    for (const Case& c : cases) {
        PackedMember m = two_blocks;
        c.change(m.packed);
        const tz::MethodRun r = decode(m, data.size());
        EXPECT_EQ(r.result, 1) << c.what;
        EXPECT_LE(r.output.size(), data.size()) << c.what;
    }
    // Unchanged, and with its first block's output bounded by a smaller declared size.
    EXPECT_EQ(decode(two_blocks, data.size()).result, 0);
    const tz::MethodRun small = decode(two_blocks, 1000);
    EXPECT_EQ(small.result, 1);
    EXPECT_TRUE(small.output == Bytes(data.begin(), data.begin() + 1000));
}

// Streams one after the other, as parallel compressors write them: each is
// decoded up to the declared size; a damaged later stream is invalid data.
TEST(Bunzip2, ConcatenatedStreams) {
    const Bytes first = tz::sample_data(SampleKind::text, 150000, 21);
    const Bytes second = tz::sample_data(SampleKind::binary, 30001, 22);
    PackedMember both = tz::packed_by_7zz("BZip2:d=100k", first);
    const Bytes second_packed = tz::packed_by_7zz("BZip2", second).packed;
    both.packed.insert(both.packed.end(), second_packed.begin(), second_packed.end());
    Bytes whole = first;
    whole.insert(whole.end(), second.begin(), second.end());

    tz::MethodRun r = decode(both, whole.size());
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.output == whole) << r.output.size() << " bytes";
    r = decode(both, first.size());  // the first stream is the whole member
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.output == first);
    Bytes damaged = both.packed;
    damaged[damaged.size() - second_packed.size() + 1] = 'X';  // the second stream's signature
    EXPECT_EQ(decode(both, whole.size(), damaged).result, 1);
}

}  // namespace
