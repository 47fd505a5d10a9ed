// Method 1: round trips through the shrink test encoder, hand-made code
// streams for the dictionary rules, and damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/globals.h"
#include "methods/methods.h"
#include "support/bit_writer.h"
#include "support/method_harness.h"
#include "support/sample_data.h"
#include "support/shrink_encoder.h"

namespace {

using tz::Bytes;

tz::MethodRun unshrink(const Bytes& packed, bool convert_text = false) {
    tz::MethodSetup setup;
    setup.method = 1;
    setup.convert_text = convert_text;
    return tz::run_method(unshrink_member, packed, setup);
}

// A hand-made code stream: codes at the current width, control codes included.
struct Codes {
    tz::BitWriter w;
    int width = 9;
    Codes& code(int c) {
        w.bits(static_cast<uint32_t>(c), width);
        return *this;
    }
    Codes& widen() {
        code(256).code(1);
        ++width;
        return *this;
    }
    Codes& clear() { return code(256).code(2); }
    Codes& text(const std::string& s) {
        for (unsigned char c : s) code(c);
        return *this;
    }
    Bytes bytes() const { return w.bytes(); }
};

struct Variant {
    const char* name;
    tz::ShrinkOptions options;
};

const std::vector<Variant>& variants() {
    static const std::vector<Variant> v = {
        {"plain", {}},
        {"clear every 100", {100, false, false}},
        {"clear every 5", {5, false, false}},
        {"clear when full", {0, true, false}},
        {"widened early", {0, false, true}},
    };
    return v;
}

TEST(Unshrink, RoundTripsEveryVariantKindAndSize) {
    const size_t sizes[] = {0, 1, 2, 300, 16383, 16384, 16385, 32767, 32768, 32769, 65535, 65536, 65537};
    for (const Variant& v : variants()) {
        for (tz::SampleKind kind : tz::all_sample_kinds()) {
            for (size_t size : sizes) {
                const Bytes data = tz::sample_data(kind, size);
                const Bytes packed = tz::shrink(data, v.options);
                const auto run = unshrink(packed);
                ASSERT_EQ(0, run.result);
                ASSERT_EQ(data, run.output)
                    << v.name << " " << tz::sample_kind_name(kind) << " " << size;
                EXPECT_EQ(tz::crc32_of(data), run.crc);
            }
        }
    }
}

TEST(Unshrink, RoundTripsAMebibyteOfEachKind) {
    for (const Variant& v : variants()) {
        for (tz::SampleKind kind : tz::all_sample_kinds()) {
            // Clearing every few codes keeps thousands of codes that others
            // extend, and each clear walks them all: text and binary at that
            // rate are covered by the smaller sizes.
            if (v.options.clear_every == 5 &&
                (kind == tz::SampleKind::text || kind == tz::SampleKind::binary))
                continue;
            const Bytes data = tz::sample_data(kind, (1u << 20) + 77, 5);
            const auto run = unshrink(tz::shrink(data, v.options));
            ASSERT_EQ(0, run.result);
            EXPECT_TRUE(data == run.output) << v.name << " " << tz::sample_kind_name(kind);
        }
    }
}

TEST(Unshrink, FullCodeSpaceAndPartialClears) {
    const Bytes data = tz::sample_data(tz::SampleKind::random, 200000, 9);

    // Without clears the dictionary fills up and then stays as it is.
    tz::ShrinkStats full;
    auto run = unshrink(tz::shrink(data, {}, &full));
    EXPECT_EQ(8192, full.most_codes_in_use);
    EXPECT_EQ(13, full.final_width);
    EXPECT_EQ(0u, full.clears);
    EXPECT_EQ(data, run.output);

    // Clearing a full table frees its leaves, which are assigned again.
    tz::ShrinkStats cleared;
    run = unshrink(tz::shrink(data, {0, true, false}, &cleared));
    EXPECT_GT(cleared.clears, 1u);
    EXPECT_GT(cleared.reused_codes, 1000u);
    EXPECT_EQ(data, run.output);

    // Frequent clears, with codes defined on a code the clear has just freed.
    tz::ShrinkStats often;
    const Bytes text = tz::sample_data(tz::SampleKind::text, 100000, 3);
    run = unshrink(tz::shrink(text, {5, false, false}, &often));
    EXPECT_GT(often.clears, 10000u);
    EXPECT_GT(often.dead_prefixes, 0u);
    EXPECT_GT(often.undefined_codes, 0u);
    EXPECT_EQ(text, run.output);
}

TEST(Unshrink, EmptyMemberWritesNothing) {
    const auto run = unshrink({});
    EXPECT_EQ(0, run.result);
    EXPECT_TRUE(run.output.empty());
    EXPECT_EQ(0u, run.crc);
}

TEST(Unshrink, FirstCodeAboveByteRangeOutputsItsLowByte) {
    Codes c;
    c.code(0x141).code('B');
    const auto run = unshrink(c.bytes());
    EXPECT_EQ(0, run.result);
    EXPECT_EQ("AB", tz::text_of(run.output));
}

TEST(Unshrink, CodeNotYetDefinedIsPreviousStringAndItsFirstByte) {
    Codes c;
    // a, b (257 = ab), then 258 before it is defined: "b" + "b"; then 259: "bb" + "b".
    c.code('a').code('b').code(258).code(259);
    const auto run = unshrink(c.bytes());
    EXPECT_EQ(0, run.result);
    EXPECT_EQ("a" "b" "bb" "bbb", tz::text_of(run.output));
}

TEST(Unshrink, PartialClearFreesOnlyUnusedCodesAndReusesTheLowestFirst) {
    Codes c;
    c.text("abc");  // 257 = ab, 258 = bc
    c.code(257);    // 259 = ca
    c.code(259);    // 260 = ab+c
    c.code(260);    // 261 = ca+a
    c.code('z');    // 262 = abc+z
    // 257, 259 and 260 are extended by other codes and stay; 258, 261 and 262 go.
    c.clear();
    c.code('x');    // 258 = z+x
    c.code(260);    // 261 = x+a
    c.code(262);    // not yet defined: abc + a
    c.code(258).code(259).code(257);
    const auto run = unshrink(c.bytes());
    EXPECT_EQ(0, run.result);
    EXPECT_EQ("a" "b" "c" "ab" "ca" "abc" "z" "x" "abc" "abca" "zx" "ca" "ab", tz::text_of(run.output));
}

TEST(Unshrink, PartialClearLeavesUnassignedCodesAboveItsRangeFree) {
    Codes c;
    c.text("abcd");  // 257 = ab, 258 = bc, 259 = cd
    c.code(259);     // 260 = dc
    c.clear();       // all four freed
    c.code('x');     // 257 = (259, now unassigned) + x
    c.clear();       // range 257 only: 259, above it, must stay free
    c.text("yzw");   // 257 = xy, 258 = yz, 259 = zw
    c.code(259);
    const auto run = unshrink(c.bytes());
    EXPECT_EQ("abcd" "cd" "x" "yzw" "zw", tz::text_of(run.output));
}

TEST(Unshrink, RunsOfControlCodesAreTakenInOnePass) {
    Codes c;
    c.code('a');
    c.widen().widen();        // 11 bits
    c.code(256).code(3);      // unknown sub-code: ignored
    c.clear();
    c.code(256).code(0);
    c.code('b').code(257);    // 257 = "ab"
    const auto run = unshrink(c.bytes());
    EXPECT_EQ(0, run.result);
    EXPECT_EQ("abab", tz::text_of(run.output));
}

TEST(Unshrink, CodeSpaceFullAddsNoEntriesUntilAClear) {
    // Fill all 7935 free codes with pairs of distinct random bytes, then check
    // that a new pair defines nothing and that a clear frees a code for it.
    std::mt19937 rng(4);
    Codes c;
    std::string expected;
    for (int n = 257; n < 8192 + 2; ++n) {
        if (n == 512 || n == 1024 || n == 2048 || n == 4096) c.widen();
        const int byte = static_cast<int>(rng() % 256);
        c.code(byte);
        expected += static_cast<char>(byte);
    }
    // Code j + 1 defined 257 + j as bytes j and j + 1: all codes are taken now.
    const std::string code8191 = expected.substr(7934, 2);
    c.code('k').code('q');  // define nothing
    expected += "kq";
    c.code(8191);
    expected += code8191;
    // A clear frees every code (none extends another); 'q' 'm' becomes 257.
    c.code('q').clear().code('m').code(257);
    expected += "qmqm";
    const auto run = unshrink(c.bytes());
    EXPECT_EQ(expected, tz::text_of(run.output));
}

TEST(Unshrink, TextConversionGoesThroughTheUnshrinkBuffer) {
    G.unshrink_buffer.clear();
    const Bytes data = tz::bytes_of("one\r\ntwo\nthree\rfour\r");
    const auto run = unshrink(tz::shrink(data), true);
    EXPECT_EQ(0, run.result);
    EXPECT_EQ("one\r\ntwo\r\nthree\r\nfour\r\n", tz::text_of(run.output));
    EXPECT_EQ(static_cast<size_t>(UNSHRINK_BUF_SIZE), G.unshrink_buffer.size());
    EXPECT_EQ(tz::crc32_of(data), run.crc);

    // Many short lines over several 65536-byte blocks, CR LF pairs split at block ends.
    Bytes lines;
    std::string expected;
    for (int i = 0; lines.size() < 300000; ++i) {
        const std::string line = std::string(static_cast<size_t>(i % 13), 'x') + (i % 3 ? "\r\n" : "\n");
        lines.insert(lines.end(), line.begin(), line.end());
        expected += std::string(static_cast<size_t>(i % 13), 'x') + "\r\n";
    }
    const auto big = unshrink(tz::shrink(lines), true);
    EXPECT_TRUE(expected == tz::text_of(big.output));
}

// ---- Damaged data: the member ends, what was decoded is written.

TEST(Unshrink, WidthAboveThirteenEndsTheMember) {
    Codes c;
    c.text("xy");
    for (int i = 0; i < 4; ++i) c.widen();
    c.code('z');
    c.code(256).code(1);  // a fifth widening
    c.code('w').code('v');
    const auto run = unshrink(c.bytes());
    EXPECT_EQ(0, run.result);
    EXPECT_EQ("xyz", tz::text_of(run.output));
}

TEST(Unshrink, UndefinedCodeAfterUndefinedCodeEndsTheMember) {
    Codes c;
    c.code(300).code(400).code('a');
    auto run = unshrink(c.bytes());
    EXPECT_EQ(0, run.result);
    EXPECT_EQ(",", tz::text_of(run.output));  // 300 & 0xFF

    Codes self;
    self.code(257).code(257).code('a');
    run = unshrink(self.bytes());
    EXPECT_EQ("\x01", tz::text_of(run.output));
}

TEST(Unshrink, CodeThatExtendsItselfEndsTheMemberWithinTheStack) {
    Codes c;
    c.code('A');
    c.code(258);  // not yet defined (the next free is 257): taken as "A" + "A"; 257 = AA
    c.code('B');  // defines 258 on the previous code, 258 itself
    c.code(258);  // expands without end
    c.code('C');
    const auto run = unshrink(c.bytes());
    EXPECT_EQ(0, run.result);
    EXPECT_EQ("AAAB", tz::text_of(run.output));
}

TEST(Unshrink, TruncationAtEveryByteWritesWhatWasDecodedAndFailsTheCheck) {
    const Bytes data = tz::sample_data(tz::SampleKind::text, 2500, 8);
    const Bytes packed = tz::shrink(data, {40, false, false});
    const uint32_t crc = tz::crc32_of(data);
    size_t exact_prefixes = 0;
    for (size_t cut = 0; cut < packed.size(); ++cut) {
        const Bytes part(packed.begin(), packed.begin() + static_cast<long>(cut));
        const auto run = unshrink(part);
        ASSERT_EQ(0, run.result);
        ASSERT_NE(crc, run.crc) << cut;
        // A last code cut short reads its missing bits as zeros and may add one
        // wrong string; everything before it is the member's own data.
        ASSERT_LE(run.output.size(), data.size() + 8192) << cut;
        if (run.output.size() < data.size() &&
            std::equal(run.output.begin(), run.output.end(), data.begin()))
            ++exact_prefixes;
    }
    EXPECT_GT(exact_prefixes, packed.size() * 3 / 4);
}

TEST(Unshrink, RandomBytesNeverCrashOrHang) {
    std::mt19937 rng(77);
    for (int i = 0; i < 400; ++i) {
        Bytes junk(rng() % 3000);
        for (auto& b : junk) b = static_cast<uint8_t>(rng());
        // Some with many control codes: 256 at 9 bits is 0 0000 0001 low bit first.
        if (i % 4 == 0)
            for (size_t k = 0; k + 2 < junk.size(); k += 7) junk[k] = 0x00, junk[k + 1] = 0x01;
        const auto run = unshrink(junk);
        ASSERT_EQ(0, run.result);
        // At most one 8192-byte string per code of 9 or more bits.
        ASSERT_LE(run.output.size(), junk.size() * 8 / 9 * 8192 + 1);
    }
}

}  // namespace
