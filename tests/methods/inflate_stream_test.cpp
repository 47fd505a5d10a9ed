// Inflate on hand-made deflate streams: stored blocks, the cached fixed
// tables, dynamic headers and their errors, matches across the window and
// before the member, truncated streams, and running out of memory.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "alloc_probe.h"
#include "engine/globals.h"
#include "inflate_run.h"
#include "support/bit_writer.h"
#include "support/zip_writer.h"

namespace {

using inflate_test::max_overrun;
using inflate_test::run_inflate;
using tz::BitWriter;
using tz::Bytes;
using tz::LengthSymbol;
using tz::Token;

std::vector<Token> literals(const std::string& text) {
    std::vector<Token> t;
    for (char c : text) t.push_back(tz::literal(static_cast<uint8_t>(c)));
    return t;
}

// One fixed-code block of `tokens`, ended by the end-of-block code.
void put_fixed_block(BitWriter& w, bool last, const std::vector<Token>& tokens) {
    tz::put_block_header(w, last, 1);
    tz::put_tokens(w, tz::fixed_litlen_code(), tz::fixed_dist_code(), tokens);
    tz::fixed_litlen_code().put(w, 256);
}

Bytes fixed_stream(const std::vector<Token>& tokens) {
    BitWriter w;
    put_fixed_block(w, true, tokens);
    return w.bytes();
}

void expect_output(const tz::MethodRun& r, const Bytes& want) {
    EXPECT_EQ(r.result, 0);
    ASSERT_EQ(r.output.size(), want.size());
    EXPECT_TRUE(r.output == want);
    EXPECT_EQ(r.crc, tz::crc32_of(want));
}

// ---- Stored blocks and block types

TEST(InflateStored, BlocksOfAnyLengthFollowOtherBlocks) {
    BitWriter w;
    tz::put_stored_block(w, false, tz::bytes_of("abc"));
    tz::put_stored_block(w, false, {});
    put_fixed_block(w, false, literals("de"));  // ends inside a byte
    tz::put_stored_block(w, true, tz::bytes_of("fgh"));
    expect_output(run_inflate(w.bytes()), tz::bytes_of("abcdefgh"));

    BitWriter empty;
    tz::put_stored_block(empty, true, {});
    expect_output(run_inflate(empty.bytes()), {});
}

TEST(InflateStored, LengthWithoutItsComplementIsInvalid) {
    for (uint16_t nlen : {0x0000, 0xFFFF, 0xFFFA, 0x0004, 0x7FFB}) {
        BitWriter w;
        tz::put_stored_block(w, true, tz::bytes_of("abcd"), nlen);
        const tz::MethodRun r = run_inflate(w.bytes());
        EXPECT_EQ(r.result, 1) << nlen;
        EXPECT_TRUE(r.output.empty());
    }
}

TEST(InflateBlocks, ReservedTypeEndsTheMemberAndWritesNothingMore) {
    BitWriter first;
    tz::put_block_header(first, true, 3);
    tz::MethodRun r = run_inflate(first.bytes());
    EXPECT_EQ(r.result, 2);
    EXPECT_TRUE(r.output.empty());

    BitWriter later;
    tz::put_stored_block(later, false, tz::bytes_of("data before"));
    tz::put_block_header(later, false, 3);
    r = run_inflate(later.bytes());
    EXPECT_EQ(r.result, 2);
    EXPECT_TRUE(r.output.empty()) << "the window is not written after an error";
}

TEST(InflateBlocks, EmptyMembers) {
    // No compressed bytes at all read as 1-bits: a last block of reserved type.
    EXPECT_EQ(run_inflate({}).result, 2);
    expect_output(run_inflate(tz::deflate_raw({}, 6)), {});
    expect_output(run_inflate(fixed_stream({})), {});
}

// ---- Fixed-code tables

TEST(InflateFixed, TablesAreBuiltOncePerRunAndReleasedAtItsEnd) {
    const Bytes packed = fixed_stream(literals("fixed tables"));
    auto counted = [&](long* allocations) {
        return inflate_test::run_inflate_with(
            [allocations] {
                probe::AllocProbe count;
                const int r = inflate_member();
                *allocations = count.count();
                return r;
            },
            packed);
    };
    release_fixed_tables();
    long first = -1, second = -1, after_release = -1;
    expect_output(counted(&first), tz::bytes_of("fixed tables"));
    expect_output(counted(&second), tz::bytes_of("fixed tables"));
    release_fixed_tables();
    release_fixed_tables();  // a second release is harmless
    expect_output(counted(&after_release), tz::bytes_of("fixed tables"));
    EXPECT_GT(first, 1) << "literal/length and distance tables";
    EXPECT_EQ(second, 0) << "the second member reuses the cached tables";
    EXPECT_EQ(after_release, first);
}

TEST(InflateFixed, InvalidSymbolsOfTheFixedCodes) {
    for (unsigned symbol : {286u, 287u}) {
        BitWriter w;
        tz::put_block_header(w, true, 1);
        tz::fixed_litlen_code().put(w, 'a');
        tz::fixed_litlen_code().put(w, symbol);
        w.bits(0, 16);
        EXPECT_EQ(run_inflate(w.bytes()).result, 1) << symbol;
    }
    for (unsigned symbol : {30u, 31u}) {
        BitWriter w;
        tz::put_block_header(w, true, 1);
        tz::fixed_litlen_code().put(w, 'a');
        tz::put_length(w, tz::fixed_litlen_code(), 3);
        w.code(symbol, 5);
        w.bits(0, 16);
        EXPECT_EQ(run_inflate(w.bytes()).result, 1) << symbol;
    }
}

// ---- Matches and the window

TEST(InflateWindow, DistancesBeforeTheMemberAreInvalidData) {
    // Whatever an earlier member left in the window is out of reach: a distance
    // before the member's first byte is invalid, also one byte before it.
    for (size_t i = 0; i < G.window.size(); ++i) G.window[i] = static_cast<uint8_t>(i * 7 + 3);
    const std::vector<std::vector<Token>> streams = {
        {tz::match(10, 100), tz::literal('x')},
        {tz::literal('a'), tz::literal('b'), tz::match(3, 3)},
        {tz::literal('x'), tz::match(20, 32768)},
    };
    for (const auto& tokens : streams) {
        const tz::MethodRun r = run_inflate(fixed_stream(tokens));
        EXPECT_EQ(r.result, 1);
        EXPECT_TRUE(r.output.empty());
    }
    // Up to the member's first byte is fine.
    const std::vector<Token> sound = {tz::literal('a'), tz::literal('b'), tz::match(4, 2)};
    expect_output(run_inflate(fixed_stream(sound)), tz::expand_tokens(sound, {}));
}

TEST(InflateWindow, MatchesAcrossTheWindowEnd) {
    std::mt19937 rng(12);
    auto random_bytes = [&](size_t n) {
        Bytes b(n);
        for (uint8_t& x : b) x = static_cast<uint8_t>(rng());
        return b;
    };
    std::vector<Token> all;
    BitWriter w;
    auto stored = [&](const Bytes& b) {
        tz::put_stored_block(w, false, b);
        for (uint8_t x : b) all.push_back(tz::literal(x));
    };
    auto fixed = [&](bool last, const std::vector<Token>& t) {
        put_fixed_block(w, last, t);
        all.insert(all.end(), t.begin(), t.end());
    };
    stored(random_bytes(32768 - 8));
    // Crosses the end 8 bytes in; then from position 250 a source 68 bytes
    // ahead in the window (the far end of the dictionary), overlapping the copy.
    fixed(false, {tz::match(258, 1000), tz::match(258, 32700)});
    stored(random_bytes(32768 - 508 - 100));
    // A short distance repeating across the end, then the window's own position.
    fixed(false, {tz::match(258, 3), tz::match(258, 32768), tz::match(258, 1)});
    stored(random_bytes(70000 - 32768 - 32768 + 300));
    fixed(true, {tz::match(258, 32768), tz::literal('!')});
    expect_output(run_inflate(w.bytes()), tz::expand_tokens(all));
}

TEST(InflateWindow, SourcesAheadInTheWindowAreReadBeforeTheyAreOverwritten) {
    // After a wrap, a distance close to the window's size points a few bytes
    // ahead of the write position: the copy must read the old bytes there.
    std::mt19937 rng(21);
    Bytes first(32768 + 40);
    for (uint8_t& x : first) x = static_cast<uint8_t>(rng());
    BitWriter w;
    tz::put_stored_block(w, false, first);
    std::vector<Token> tokens;
    for (uint32_t distance : {32765u, 32760u, 32767u, 32768u, 32761u, 32766u})
        for (uint32_t length : {3u, 5u, 8u, 9u, 200u}) tokens.push_back(tz::match(length, distance));
    put_fixed_block(w, true, tokens);
    std::vector<Token> all;
    for (uint8_t x : first) all.push_back(tz::literal(x));
    all.insert(all.end(), tokens.begin(), tokens.end());
    expect_output(run_inflate(w.bytes()), tz::expand_tokens(all));
}

// The reader fetches input ahead of need, eight bytes at a time where the
// input block and the member's data allow: where the data starts in the block,
// and so where a refill meets the block's end, must not change any result.
TEST(InflateInput, BlockEdgesAndMemberEndsChangeNothing) {
    std::mt19937 rng(22);
    Bytes data;
    while (data.size() < 5000) {
        const char* const words[] = {"dial ", "modem ", "\r\n", "phone ", "TEV "};
        const std::string word = words[rng() % 5];
        data.insert(data.end(), word.begin(), word.end());
        if (rng() % 4 == 0) data.push_back(static_cast<uint8_t>(rng()));
    }
    BitWriter stored;
    tz::put_stored_block(stored, false, Bytes(data.begin(), data.begin() + 3000));
    tz::put_stored_block(stored, true, Bytes(data.begin() + 3000, data.end()));
    const Bytes streams[] = {tz::deflate_raw(data, 9), tz::deflate_raw(data, 6, Z_FIXED),
                             tz::deflate_raw(data, 9, Z_HUFFMAN_ONLY), stored.bytes()};
    for (const Bytes& full : streams) {
        // Cut points: whole, inside the margin of missing bytes, beyond it.
        for (size_t missing : {0, 1, 2, 5, 8, 9, 13, 40}) {
            const Bytes packed(full.begin(), full.end() - static_cast<std::ptrdiff_t>(missing));
            tz::MethodSetup setup;
            const tz::MethodRun want = tz::run_method(inflate_member, packed, setup);
            if (missing == 0) {
                EXPECT_EQ(want.result, 0);
            }
            for (size_t lead : {1, 7, 2040, 2041, 2047, 2048, 2055}) {
                setup.leading_bytes = lead;
                const tz::MethodRun r = tz::run_method(inflate_member, packed, setup);
                const std::string at = std::to_string(missing) + " missing, " +
                                       std::to_string(lead) + " bytes before";
                EXPECT_EQ(r.result, want.result) << at;
                EXPECT_TRUE(r.output == want.output) << at;
                EXPECT_EQ(r.packed_left, want.packed_left) << at;
                EXPECT_EQ(r.err, want.err) << at;
            }
        }
    }
}

// ---- Dynamic blocks

// A complete code over all 288 literal/length symbols (literals 9 bits, the
// rest 6 bits) and over all 32 distance symbols (5 bits each): it gives codes
// to the invalid symbols 286, 287, 30 and 31 too.
std::vector<unsigned> full_litlen_lengths() {
    std::vector<unsigned> l(288, 6);
    std::fill(l.begin(), l.begin() + 256, 9u);
    return l;
}
std::vector<unsigned> full_dist_lengths() { return std::vector<unsigned>(32, 5); }

struct Dynamic {
    std::vector<unsigned> litlen = full_litlen_lengths();
    std::vector<unsigned> dist = full_dist_lengths();

    // A last dynamic block with these codes and tokens, then end of block.
    Bytes stream(const std::vector<Token>& tokens) const {
        BitWriter w;
        tz::put_dynamic_header(w, true, litlen, dist);
        tz::put_tokens(w, tz::canonical_code(litlen), tz::canonical_code(dist), tokens);
        tz::canonical_code(litlen).put(w, 256);
        return w.bytes();
    }
};

TEST(InflateDynamic, DecodesMatchesWithAFullCode) {
    const std::vector<Token> tokens = {tz::literal('a'), tz::literal('b'), tz::match(258, 2),
                                       tz::literal('c'), tz::match(7, 100), tz::match(3, 1)};
    const tz::MethodRun r = run_inflate(Dynamic{}.stream(tokens));
    expect_output(r, tz::expand_tokens(tokens));
    EXPECT_EQ(r.err, "");
}

TEST(InflateDynamic, InvalidLengthAndDistanceSymbols) {
    const Dynamic d;
    const tz::PrefixCode litlen = tz::canonical_code(d.litlen);
    const tz::PrefixCode dist = tz::canonical_code(d.dist);
    for (unsigned symbol : {286u, 287u}) {
        BitWriter w;
        tz::put_dynamic_header(w, true, d.litlen, d.dist);
        litlen.put(w, 'a');
        litlen.put(w, symbol);
        litlen.put(w, 256);
        EXPECT_EQ(run_inflate(w.bytes()).result, 1) << symbol;
    }
    for (unsigned symbol : {30u, 31u}) {
        BitWriter w;
        tz::put_dynamic_header(w, true, d.litlen, d.dist);
        litlen.put(w, 'a');
        tz::put_length(w, litlen, 3);
        dist.put(w, symbol);
        w.bits(0, 13);
        litlen.put(w, 256);
        EXPECT_EQ(run_inflate(w.bytes()).result, 1) << symbol;
    }
}

TEST(InflateDynamic, IncompleteLiteralCodeIsInvalidWithANote) {
    Dynamic d;
    d.litlen[287] = 0;
    const Bytes packed = d.stream(literals("abc"));
    tz::MethodRun r = run_inflate(packed);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.err, "(incomplete l-tree)  ");
    EXPECT_TRUE(r.output.empty());
    r = run_inflate(packed, 1);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.err, "");
}

TEST(InflateDynamic, IncompleteDistanceCodeDecodesWithANote) {
    Dynamic d;
    d.dist[31] = 0;
    d.dist[30] = 0;
    const std::vector<Token> tokens = {tz::literal('x'), tz::literal('y'), tz::match(40, 2)};
    const Bytes packed = d.stream(tokens);
    tz::MethodRun r = run_inflate(packed);
    expect_output(r, tz::expand_tokens(tokens));
    EXPECT_EQ(r.err, "(incomplete d-tree)  ");
    r = run_inflate(packed, 2);
    expect_output(r, tz::expand_tokens(tokens));
    EXPECT_EQ(r.err, "");
}

TEST(InflateDynamic, OverSubscribedCodesAreRefusedWithoutNote) {
    Dynamic litlen_over;
    litlen_over.litlen[0] = 1;
    tz::MethodRun r = run_inflate(litlen_over.stream({}));
    EXPECT_EQ(r.result, 2);
    EXPECT_EQ(r.err, "");
    Dynamic dist_over;
    dist_over.dist[3] = 2;
    r = run_inflate(dist_over.stream({}));
    EXPECT_EQ(r.result, 2);
    EXPECT_EQ(r.err, "");
}

TEST(InflateDynamic, SingleOneBitDistanceCode) {
    Dynamic d;
    d.dist = {1};
    const std::vector<Token> tokens = {tz::literal('a'), tz::match(5, 1), tz::literal('b'),
                                       tz::match(4, 1)};
    tz::MethodRun r = run_inflate(d.stream(tokens));
    expect_output(r, tz::bytes_of("aaaaaabbbbb"));
    EXPECT_EQ(r.err, "") << "a single one-bit code counts as complete";

    // Its unused partner code (bit 1) is invalid.
    BitWriter w;
    tz::put_dynamic_header(w, true, d.litlen, d.dist);
    const tz::PrefixCode litlen = tz::canonical_code(d.litlen);
    litlen.put(w, 'a');
    tz::put_length(w, litlen, 5);
    w.bits(1, 1);
    litlen.put(w, 256);
    EXPECT_EQ(run_inflate(w.bytes()).result, 1);
}

TEST(InflateDynamic, LiteralCodeOfOneBitOnly) {
    // The end-of-block code alone, one bit long: an empty block.
    std::vector<unsigned> litlen(257, 0);
    litlen[256] = 1;
    BitWriter w;
    tz::put_dynamic_header(w, true, litlen, {0});
    w.bits(0, 1);
    const tz::MethodRun r = run_inflate(w.bytes());
    expect_output(r, {});
    EXPECT_EQ(r.err, "");
}

TEST(InflateDynamic, EmptyCodeSets) {
    // No literal/length codes at all.
    Dynamic none;
    none.litlen.assign(257, 0);
    none.dist = {0};
    BitWriter w;
    tz::put_dynamic_header(w, true, none.litlen, none.dist);
    w.bits(0, 16);
    EXPECT_EQ(run_inflate(w.bytes()).result, 1);

    // No distance codes: literals decode, a match is invalid.
    std::vector<unsigned> litlen(258, 0);
    litlen['a'] = 2;
    litlen[256] = 1;
    litlen[257] = 2;  // length 3
    const tz::PrefixCode code = tz::canonical_code(litlen);
    BitWriter ok;
    tz::put_dynamic_header(ok, true, litlen, {0});
    code.put(ok, 'a');
    code.put(ok, 'a');
    code.put(ok, 256);
    expect_output(run_inflate(ok.bytes()), tz::bytes_of("aa"));
    BitWriter bad;
    tz::put_dynamic_header(bad, true, litlen, {0});
    code.put(bad, 'a');
    code.put(bad, 257);
    bad.bits(0, 16);
    EXPECT_EQ(run_inflate(bad.bytes()).result, 1);
}

// Code-length code of the run tests: lengths 5 for 0..15, 2 for 16, 3 for 17 and 18.
std::vector<unsigned> run_length_code() {
    std::vector<unsigned> l(19, 5);
    l[16] = 2;
    l[17] = 3;
    l[18] = 3;
    return l;
}

// 257 literal/length and `dist_count` distance lengths given by `sequence`;
// then literal 'a' (code 0) and end of block (code 1) when the lengths give
// exactly those two one-bit codes.
Bytes runs_stream(unsigned dist_count, const std::vector<LengthSymbol>& sequence) {
    BitWriter w;
    tz::put_dynamic_header(w, true, 257, dist_count, 19, run_length_code(), sequence);
    w.bits(0, 1);  // 'a'
    w.bits(1, 1);  // end of block
    return w.bytes();
}

TEST(InflateDynamic, CodeLengthRunsUpToTheCount) {
    // 97 zeros, 'a' = 1, 158 zeros, end of block = 1, then the distance lengths.
    const std::vector<LengthSymbol> lead = {{16, 0}, {18, 83}, {1, 0}, {18, 127}, {18, 9},
                                            {1, 0}};
    // 16 at the very start repeats length 0; after 17 or 18 the previous length is 0.
    std::vector<LengthSymbol> exact = lead;
    exact.push_back({17, 0});  // 3 zero distance lengths
    expect_output(run_inflate(runs_stream(3, exact)), tz::bytes_of("a"));
    std::vector<LengthSymbol> repeat_after_zero = lead;
    repeat_after_zero.push_back({0, 0});
    repeat_after_zero.push_back({16, 0});  // 3 more zeros
    expect_output(run_inflate(runs_stream(4, repeat_after_zero)), tz::bytes_of("a"));
    std::vector<LengthSymbol> repeat_after_run = lead;
    repeat_after_run.push_back({17, 0});
    repeat_after_run.push_back({16, 0});  // 3 more zeros, not copies of the 1 before
    expect_output(run_inflate(runs_stream(6, repeat_after_run)), tz::bytes_of("a"));
    std::vector<LengthSymbol> long_zeros = lead;
    long_zeros.push_back({18, 0});  // 11 zeros
    expect_output(run_inflate(runs_stream(11, long_zeros)), tz::bytes_of("a"));
}

TEST(InflateDynamic, CodeLengthRunPastTheCountIsInvalid) {
    const std::vector<LengthSymbol> lead = {{16, 0}, {18, 83}, {1, 0}, {18, 127}, {18, 9},
                                            {1, 0}};
    std::vector<LengthSymbol> run16 = lead;
    run16.push_back({16, 0});  // 3 copies of 1 where 2 lengths remain
    EXPECT_EQ(run_inflate(runs_stream(2, run16)).result, 1);
    std::vector<LengthSymbol> run17 = lead;
    run17.push_back({17, 1});  // 4 zeros where 3 remain
    EXPECT_EQ(run_inflate(runs_stream(3, run17)).result, 1);
    std::vector<LengthSymbol> run18 = lead;
    run18.push_back({18, 127});  // 138 zeros where 32 remain
    EXPECT_EQ(run_inflate(runs_stream(32, run18)).result, 1);
}

TEST(InflateDynamic, BadCodeLengthCodes) {
    auto with_header = [](std::vector<unsigned> header) {
        BitWriter w;
        tz::put_dynamic_header(w, true, 257, 1, 19, header, {});
        w.bits(0, 32);
        return run_inflate(w.bytes());
    };
    std::vector<unsigned> incomplete(19, 0);
    incomplete[0] = incomplete[8] = 2;
    EXPECT_EQ(with_header(incomplete).result, 1);
    std::vector<unsigned> over(19, 0);
    over[0] = over[1] = over[8] = 1;
    EXPECT_EQ(with_header(over).result, 2);
    EXPECT_EQ(with_header(std::vector<unsigned>(19, 0)).result, 1) << "no codes at all";
}

// 257 literal/length lengths and one distance length: 0 for symbol 0, then 8
// for 1..256 and the distance symbol (a complete literal code), then the code
// of literal 1 and end of block. `first` writes the first code-length code.
Bytes one_bit_length_code_stream(const std::vector<unsigned>& header,
                                 const std::function<void(BitWriter&)>& first) {
    BitWriter w;
    tz::put_dynamic_header(w, true, 257, 1, 19, header, {});
    first(w);
    const tz::PrefixCode eights = tz::canonical_code(header);
    for (int i = 0; i < 257; ++i) eights.put(w, 8);
    std::vector<unsigned> litlen(257, 8);
    litlen[0] = 0;
    const tz::PrefixCode code = tz::canonical_code(litlen);
    code.put(w, 1);
    code.put(w, 256);
    return w.bytes();
}

TEST(InflateDynamic, UnusedCodeOfAOneBitCodeLengthCodeIsInvalid) {
    // With codes for lengths 0 and 8 the stream is valid.
    std::vector<unsigned> two(19, 0);
    two[0] = two[8] = 1;
    const Bytes valid = one_bit_length_code_stream(two, [&](BitWriter& w) {
        tz::canonical_code(two).put(w, 0);
    });
    tz::MethodRun r = run_inflate(valid);
    expect_output(r, Bytes{1});
    EXPECT_EQ(r.err, "(incomplete d-tree)  ");

    // With the code for length 8 alone, the other one-bit code stands for no
    // length at all: the same bits are invalid data.
    std::vector<unsigned> one(19, 0);
    one[8] = 1;
    const Bytes padded = one_bit_length_code_stream(one, [](BitWriter& w) { w.bits(1, 1); });
    r = run_inflate(padded);
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(r.output.empty());
    EXPECT_EQ(r.err, "");
}

// ---- Truncated streams

TEST(InflateTruncated, EndlessLiteralsFromMissingBytesAreStopped) {
    // A fixed block cut after its header: the missing bytes read as 1-bits,
    // which in the fixed code are literal 255 over and over.
    BitWriter w;
    tz::put_block_header(w, true, 1);
    w.bits(0x1F, 5);  // the rest of the byte
    const tz::MethodRun r = run_inflate(w.bytes());
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(r.output.empty());
    EXPECT_LT(r.packed_left, -8);
    EXPECT_GE(r.packed_left, -max_overrun);
}

TEST(InflateTruncated, EndlessMatchesFromMissingBytesAreStopped) {
    // Here the all-ones codes are length 258 and distance 2: every two missing
    // bits would add 258 bytes without end.
    std::vector<unsigned> litlen(286, 0);
    litlen['a'] = 1;
    litlen[256] = 2;
    litlen[285] = 2;
    const std::vector<unsigned> dist = {1, 1};
    BitWriter w;
    tz::put_dynamic_header(w, true, litlen, dist);
    const tz::PrefixCode code = tz::canonical_code(litlen);
    code.put(w, 'a');
    code.put(w, 'a');
    const tz::MethodRun r = run_inflate(w.bytes());
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(r.output.empty());
    EXPECT_LT(r.packed_left, -8);
    EXPECT_GE(r.packed_left, -max_overrun);
}

TEST(InflateTruncated, StoredBlockLongerThanTheData) {
    BitWriter w;
    tz::put_block_header(w, true, 0);
    w.align();
    w.bits(65535, 16);
    w.bits(0, 16);
    w.raw(tz::bytes_of("only a few bytes"));
    const tz::MethodRun r = run_inflate(w.bytes());
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(r.output.empty());
    EXPECT_GE(r.packed_left, -max_overrun);
}

TEST(InflateTruncated, LastBlockRunningMoreThanEightBytesShortIsInvalid) {
    const Bytes data = tz::bytes_of("twenty bytes of data");
    for (size_t missing : {9, 8}) {
        BitWriter w;
        tz::put_stored_block(w, true, data);
        Bytes packed = w.bytes();
        packed.resize(packed.size() - missing);
        const tz::MethodRun r = run_inflate(packed);
        if (missing > 8) {
            EXPECT_EQ(r.result, 1);
            EXPECT_TRUE(r.output.empty());
        } else {
            // Within the margin the missing bytes read as 0xFF; the member's CRC
            // check is what finds them.
            EXPECT_EQ(r.result, 0);
            EXPECT_NE(r.crc, tz::crc32_of(data));
        }
    }
}

// ---- Out of memory

TEST(InflateMemory, EveryTableAllocationFailureEndsTheMemberWithThree) {
    const std::vector<Token> tokens = {tz::literal('m'), tz::match(20, 1)};
    const Bytes want = tz::expand_tokens(tokens);
    for (const Bytes& packed : {Dynamic{}.stream(tokens), fixed_stream(tokens)}) {
        long tables = 0;
        release_fixed_tables();
        inflate_test::run_inflate_with(
            [&] {
                probe::AllocProbe count;
                const int r = inflate_member();
                tables = count.count();
                return r;
            },
            packed);
        // One storage block per table kind (two for fixed codes, three for a
        // dynamic header), allocated once per run.
        ASSERT_GE(tables, 2);
        long again = -1;
        inflate_test::run_inflate_with(
            [&] {
                probe::AllocProbe count;
                const int r = inflate_member();
                again = count.count();
                return r;
            },
            packed);
        EXPECT_EQ(again, 0) << "the next member reuses the tables' storage";
        for (long fail_at = 0; fail_at < tables; ++fail_at) {
            release_fixed_tables();
            bool failed = false;
            const tz::MethodRun r = inflate_test::run_inflate_with(
                [&] {
                    probe::AllocProbe fail(fail_at);
                    const int result = inflate_member();
                    failed = fail.failed();
                    return result;
                },
                packed);
            EXPECT_TRUE(failed);
            EXPECT_EQ(r.result, 3) << "failure at table " << fail_at;
            EXPECT_TRUE(r.output.empty());
            // Nothing half-built stays cached: the next member decodes.
            expect_output(run_inflate(packed), want);
        }
    }
    release_fixed_tables();
}

}  // namespace
