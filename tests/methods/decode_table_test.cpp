// The prefix-code table builder: every code of a set must decode to its symbol
// with its length, unused codes must decode as invalid, and bad sets must be
// refused without leaving tables behind.
#include "methods/decode_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "alloc_probe.h"
#include "methods/inflate.h"
#include "support/bit_writer.h"

namespace {

// Owns the result of one build.
struct Built {
    int result = -1;
    int root_bits = 0;
    DecodeEntry* root = nullptr;
    Built() = default;
    Built(const Built&) = delete;
    Built& operator=(const Built&) = delete;
    ~Built() { release_decode_table(root); }
};

void build(Built& b, const std::vector<unsigned>& lengths, int requested_bits,
           unsigned simple_count, const uint16_t* bases = nullptr,
           const uint8_t* extras = nullptr) {
    b.root_bits = requested_bits;
    b.result = build_decode_table(lengths.data(), static_cast<unsigned>(lengths.size()),
                                  simple_count, bases, extras, &b.root, &b.root_bits);
}

void build(Built& b, const std::vector<unsigned>& lengths, int requested_bits) {
    build(b, lengths, requested_bits, static_cast<unsigned>(lengths.size()));
}

// What one lookup found: the final entry, the bits it took in all, and whether
// that entry's code ended exactly at the end of its table.
struct Found {
    uint8_t kind = 0;
    uint16_t value = 0;
    unsigned bits = 0;
    bool ends_at_table_end = false;
};

// Follows `input` (read least significant bit first) through the tables.
Found lookup(const DecodeEntry* root, int root_bits, uint32_t input) {
    unsigned width = static_cast<unsigned>(root_bits);
    unsigned used = 0;
    const DecodeEntry* e = &root[input & ((1u << width) - 1)];
    while (e->kind > 16 && e->kind != DECODE_INVALID) {
        EXPECT_LE(e->kind, 32);
        EXPECT_EQ(e->bits, width) << "a link takes its whole table's bits";
        used += e->bits;
        width = e->kind - 16u;
        e = &e->subtable[(input >> used) & ((1u << width) - 1)];
    }
    Found f;
    f.kind = e->kind;
    f.bits = used + e->bits;
    f.ends_at_table_end = e->bits == width;
    if (e->kind != DECODE_INVALID) {
        EXPECT_GE(e->bits, 1u);
        f.value = e->value;
    }
    return f;
}

uint32_t reversed(uint32_t code, unsigned length) {
    uint32_t r = 0;
    for (unsigned i = 0; i < length; ++i) r |= ((code >> i) & 1u) << (length - 1 - i);
    return r;
}

// Decodes every input pattern of the longest code's width (with the bits above
// it clear and set) and compares with the canonical codes of the lengths.
// Symbols are all simple; patterns that start no code must be invalid.
void expect_decodes_all(const Built& b, const std::vector<unsigned>& lengths) {
    ASSERT_NE(b.root, nullptr);
    const unsigned max_len = *std::max_element(lengths.begin(), lengths.end());
    const tz::PrefixCode code = tz::canonical_code(lengths);
    std::vector<int> owner(size_t{1} << max_len, -1);
    for (size_t s = 0; s < lengths.size(); ++s) {
        const unsigned len = lengths[s];
        if (len == 0) continue;
        const uint32_t r = reversed(code.codes[s], len);
        for (uint32_t high = 0; high < (1u << (max_len - len)); ++high)
            owner[r | (high << len)] = static_cast<int>(s);
    }
    for (uint32_t p = 0; p < owner.size(); ++p) {
        for (uint32_t above : {0u, 0xFFFFFFFFu << max_len}) {
            const Found f = lookup(b.root, b.root_bits, p | above);
            if (owner[p] < 0) {
                ASSERT_EQ(f.kind, DECODE_INVALID) << "pattern " << p;
                continue;
            }
            const unsigned s = static_cast<unsigned>(owner[p]);
            ASSERT_EQ(f.kind, s < 256 ? DECODE_LITERAL : DECODE_END_OF_BLOCK) << "pattern " << p;
            ASSERT_EQ(f.value, s) << "pattern " << p;
            ASSERT_EQ(f.bits, lengths[s]) << "pattern " << p;
        }
    }
}

// A random complete code set: leaves split at random up to 16 bits, given to
// random symbols of n.
std::vector<unsigned> random_complete_lengths(std::mt19937& rng, unsigned n, unsigned codes) {
    std::vector<unsigned> leaves{1, 1};
    while (leaves.size() < codes) {
        std::uniform_int_distribution<size_t> pick(0, leaves.size() - 1);
        const size_t i = pick(rng);
        if (leaves[i] >= 16) continue;
        ++leaves[i];
        leaves.push_back(leaves[i]);
    }
    std::vector<unsigned> symbols(n);
    std::iota(symbols.begin(), symbols.end(), 0u);
    std::shuffle(symbols.begin(), symbols.end(), rng);
    std::vector<unsigned> lengths(n, 0);
    for (size_t i = 0; i < leaves.size(); ++i) lengths[symbols[i]] = leaves[i];
    return lengths;
}

TEST(DecodeTable, SmallSetsDecodeEveryCode) {
    // Complete sets give 0, incomplete ones 1 with their gaps invalid.
    const std::pair<std::vector<unsigned>, int> sets[] = {
        {{1, 1}, 0}, {{2, 1, 3, 3}, 0}, {{3, 3, 3, 3, 3, 2, 4, 4}, 0}, {{0, 2, 0, 2, 2, 2, 0}, 0},
        {{1, 2, 3, 4, 5, 5}, 0}, {{0, 3}, 1}, {{1, 2}, 1}, {{2, 2, 2}, 1}, {{1, 0, 3, 3, 4}, 1}};
    for (const auto& [lengths, result] : sets) {
        for (int requested : {1, 2, 3, 7, 20}) {
            Built b;
            build(b, lengths, requested);
            EXPECT_EQ(b.result, result);
            expect_decodes_all(b, lengths);
        }
    }
}

TEST(DecodeTable, RootWidthIsClampedToTheCodeLengths) {
    Built wide;
    build(wide, {1, 2, 3, 4, 5, 5}, 20);
    EXPECT_EQ(wide.root_bits, 5);
    Built narrow;
    build(narrow, {3, 3, 3, 3, 3, 3, 3, 3}, 1);
    EXPECT_EQ(narrow.root_bits, 3);
}

TEST(DecodeTable, LongCodesUseSubtables) {
    // Lengths 1, 2, ..., 15, 16, 16: a complete set reaching 16 bits.
    std::vector<unsigned> lengths;
    for (unsigned len = 1; len <= 16; ++len) lengths.push_back(len);
    lengths.push_back(16);
    for (int requested : {1, 4, 9, 16}) {
        Built b;
        build(b, lengths, requested);
        EXPECT_EQ(b.result, 0);
        EXPECT_LT(b.root_bits, 17);
        expect_decodes_all(b, lengths);
    }
}

TEST(DecodeTable, RandomCompleteAndIncompleteSets) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 60; ++round) {
        const unsigned n = std::uniform_int_distribution<unsigned>(2, 256)(rng);
        const unsigned codes = std::uniform_int_distribution<unsigned>(2, n)(rng);
        std::vector<unsigned> lengths = random_complete_lengths(rng, n, codes);
        const int requested = std::uniform_int_distribution<int>(1, 12)(rng);
        {
            Built b;
            build(b, lengths, requested);
            ASSERT_EQ(b.result, 0);
            expect_decodes_all(b, lengths);
        }
        // Without its longest code the set is incomplete; the gap decodes as
        // invalid. A lone one-bit code counts as complete.
        auto longest = std::max_element(lengths.begin(), lengths.end());
        *longest = 0;
        const bool lone_one_bit = *std::max_element(lengths.begin(), lengths.end()) == 1;
        {
            Built b;
            build(b, lengths, requested);
            ASSERT_EQ(b.result, lone_one_bit ? 0 : 1);
            expect_decodes_all(b, lengths);
        }
    }
}

TEST(DecodeTable, EmptySetHasNoTable) {
    Built b;
    build(b, {0, 0, 0, 0}, 9);
    EXPECT_EQ(b.result, 0);
    EXPECT_EQ(b.root, nullptr);
    EXPECT_EQ(b.root_bits, 0);
    Built none;
    build(none, {}, 9);
    EXPECT_EQ(none.result, 0);
    EXPECT_EQ(none.root, nullptr);
}

TEST(DecodeTable, SingleOneBitCodeIsCompleteWithAnInvalidPartner) {
    Built b;
    build(b, {0, 1, 0}, 7);
    EXPECT_EQ(b.result, 0);
    EXPECT_EQ(b.root_bits, 1);
    const Found zero = lookup(b.root, b.root_bits, 0);
    EXPECT_EQ(zero.kind, DECODE_LITERAL);
    EXPECT_EQ(zero.value, 1);
    EXPECT_EQ(zero.bits, 1u);
    EXPECT_EQ(lookup(b.root, b.root_bits, 1).kind, DECODE_INVALID);
}

TEST(DecodeTable, OverSubscribedAndOutOfRangeSetsLeaveNothing) {
    for (const std::vector<unsigned>& lengths :
         {std::vector<unsigned>{1, 1, 1}, {1, 2, 2, 3}, {2, 2, 2, 2, 16},
          {0, 17}, {1, 1, 20}}) {
        Built b;
        build(b, lengths, 7);
        EXPECT_EQ(b.result, 2);
        EXPECT_EQ(b.root, nullptr);
    }
    // More symbols than any code set of the methods has.
    Built big;
    build(big, std::vector<unsigned>(300, 9), 9);
    EXPECT_EQ(big.result, 2);
    EXPECT_EQ(big.root, nullptr);
}

TEST(DecodeTable, SymbolsAboveTheSimpleCountTakeBaseAndExtra) {
    const uint16_t bases[] = {1000, 2000, 3000};
    const uint8_t extras[] = {0, 7, DECODE_INVALID};
    // Symbols 0 and 1 are simple, 2..4 take bases and extras: lengths 2,2,2,3,3.
    Built b;
    build(b, {2, 2, 2, 3, 3}, 3, 2, bases, extras);
    ASSERT_EQ(b.result, 0);
    const tz::PrefixCode code = tz::canonical_code({2, 2, 2, 3, 3});
    const uint8_t want_kind[] = {DECODE_LITERAL, DECODE_LITERAL, 0, 7, DECODE_INVALID};
    const uint16_t want_value[] = {0, 1, 1000, 2000, 0};
    for (unsigned s = 0; s < 5; ++s) {
        const Found f = lookup(b.root, b.root_bits, reversed(code.codes[s], code.lengths[s]));
        EXPECT_EQ(f.kind, want_kind[s]) << s;
        if (f.kind != DECODE_INVALID) {
            EXPECT_EQ(f.value, want_value[s]) << s;
        }
    }
}

TEST(DecodeTable, EndOfBlockCodeEndsAtATableBoundary) {
    // 258 symbols; symbol 256 (end of block) has a 3-bit code, the rest are
    // 9 and 10 bits: the root may not reach past the end-of-block code.
    std::vector<unsigned> lengths(258, 0);
    lengths[256] = 3;
    for (unsigned s = 0; s < 256; ++s) lengths[s] = s < 191 ? 9 : 10;
    lengths[257] = 10;
    // Code space used: 128 + 382 + 66 of 1024, so the set is incomplete.
    Built b;
    build(b, lengths, 9, 257);
    EXPECT_EQ(b.result, 1);
    EXPECT_EQ(b.root_bits, 3);
    const tz::PrefixCode code = tz::canonical_code(lengths);
    const Found eob = lookup(b.root, b.root_bits, reversed(code.codes[256], 3));
    EXPECT_EQ(eob.kind, DECODE_END_OF_BLOCK);
    EXPECT_EQ(eob.bits, 3u);
    EXPECT_TRUE(eob.ends_at_table_end);
    for (unsigned s = 0; s < 258; ++s) {
        if (s == 256) continue;
        const Found f = lookup(b.root, b.root_bits, reversed(code.codes[s], lengths[s]));
        EXPECT_EQ(f.bits, lengths[s]) << s;
        if (s < 256) {
            EXPECT_EQ(f.kind, DECODE_LITERAL) << s;
            EXPECT_EQ(f.value, s) << s;
        } else {
            EXPECT_EQ(f.kind, DECODE_INVALID) << "no bases given for symbol " << s;
        }
    }
}

TEST(DecodeTable, EndOfBlockInASubtableEndsAtItsBoundary) {
    // Complete set over 257 symbols: literals of 7, 8 and 10 bits and a 9-bit
    // end-of-block code, so that its table is cut short below a 7- or 8-bit root.
    std::vector<unsigned> lengths(257, 0);
    for (unsigned s = 0; s < 64; ++s) lengths[s] = 7;     // 512/1024
    for (unsigned s = 64; s < 191; ++s) lengths[s] = 8;   // 508/1024
    lengths[191] = lengths[192] = 10;                     // 2/1024
    lengths[256] = 9;                                     // 2/1024
    for (int requested : {5, 7, 9}) {
        Built b;
        build(b, lengths, requested);
        ASSERT_EQ(b.result, 0);
        expect_decodes_all(b, lengths);
        const tz::PrefixCode code = tz::canonical_code(lengths);
        const Found eob = lookup(b.root, b.root_bits, reversed(code.codes[256], 9));
        EXPECT_EQ(eob.kind, DECODE_END_OF_BLOCK);
        EXPECT_TRUE(eob.ends_at_table_end) << "requested " << requested;
    }
}

// ---- Packed tables

// Follows `input` through a packed table: kind, value, bits taken in all and
// the reach its entry records.
Found packed_lookup(const PackedTable& t, uint32_t input, unsigned* reach) {
    uint32_t e = t.entries[input & ((1u << t.root_bits) - 1)];
    unsigned used = 0;
    if (packed_kind(e) == PACKED_LINK) {
        used = t.root_bits;
        e = t.entries[packed_value(e) + ((input >> used) & ((1u << packed_reach(e)) - 1))];
        EXPECT_NE(packed_kind(e), PACKED_LINK) << "one level of subtables";
    }
    Found f;
    f.kind = static_cast<uint8_t>(packed_kind(e) == PACKED_INVALID ? DECODE_INVALID : packed_kind(e));
    f.value = static_cast<uint16_t>(packed_value(e));
    f.bits = used + packed_bits(e);
    *reach = packed_reach(e);
    return f;
}

// How far the linked layout reads for `input`: the end of the last table it
// consults.
unsigned linked_reach(const DecodeEntry* root, int root_bits, uint32_t input) {
    unsigned width = static_cast<unsigned>(root_bits);
    unsigned used = 0;
    const DecodeEntry* e = &root[input & ((1u << width) - 1)];
    while (e->kind > 16 && e->kind != DECODE_INVALID) {
        used += e->bits;
        width = e->kind - 16u;
        e = &e->subtable[(input >> used) & ((1u << width) - 1)];
    }
    return used + width;
}

TEST(DecodeTable, PackedTablesDecodeLikeTheLinkedLayout) {
    // Inflate's three code sets, complete and with codes taken away; every
    // input pattern must give the same symbol and length, and every valid code
    // the reach of the linked layout. The storage starts out as garbage, so an
    // entry left unwritten shows.
    struct Set {
        unsigned n, simple;
        const uint16_t* bases;
        const uint8_t* extras;
        int layout_bits;
        unsigned packed_bits;
    };
    const Set sets[] = {
        {288, 257, length_base.data(), length_extra.data(), litlen_lookup_bits, litlen_packed_bits},
        {32, 0, dist_base.data(), dist_extra.data(), dist_lookup_bits, dist_packed_bits},
        {19, 19, nullptr, nullptr, code_length_lookup_bits, code_length_lookup_bits},
        {288, 257, length_base.data(), length_extra.data(), fixed_litlen_lookup_bits, 9}};
    std::vector<uint32_t> storage(packed_table_capacity(288, 8));
    std::mt19937 rng(77);
    for (int round = 0; round < 400; ++round) {
        const Set& set = sets[round % 4];
        const unsigned max_bits = set.n == 19 ? 7 : 15;
        const unsigned codes = std::uniform_int_distribution<unsigned>(1, set.n)(rng);
        std::vector<unsigned> lengths = random_complete_lengths(rng, set.n, std::max(codes, 2u));
        for (unsigned& l : lengths) l = std::min(l, max_bits);  // may over-subscribe
        for (unsigned gaps = rng() % 3; gaps > 0; --gaps) lengths[rng() % set.n] = 0;
        for (uint32_t& x : storage) x = static_cast<uint32_t>(rng());

        Built linked;
        build(linked, lengths, set.layout_bits, set.simple, set.bases, set.extras);
        PackedTable packed;
        const int r = build_packed_table(lengths.data(), set.n, set.simple, set.bases, set.extras,
                                         set.layout_bits, set.packed_bits, storage.data(),
                                         storage.size(), &packed);
        ASSERT_EQ(r, linked.result) << "round " << round;
        ASSERT_EQ(packed.entries == nullptr, linked.root == nullptr) << "round " << round;
        if (!packed.entries) continue;
        const unsigned longest = *std::max_element(lengths.begin(), lengths.end());
        for (uint32_t p = 0; p < (1u << longest); ++p) {
            const Found want = lookup(linked.root, linked.root_bits, p);
            unsigned reach = 0;
            const Found got = packed_lookup(packed, p, &reach);
            ASSERT_EQ(got.kind, want.kind) << "round " << round << " pattern " << p;
            if (want.kind == DECODE_INVALID) continue;
            ASSERT_EQ(got.value, want.value) << "round " << round << " pattern " << p;
            ASSERT_EQ(got.bits, want.bits) << "round " << round << " pattern " << p;
            ASSERT_EQ(reach, linked_reach(linked.root, linked.root_bits, p))
                << "round " << round << " pattern " << p;
        }
    }
}

TEST(DecodeTable, PackedStorageTooSmallIsOutOfMemory) {
    // Lengths 1..15, 15: the longest codes need a subtable below a 4-bit root.
    std::vector<unsigned> lengths;
    for (unsigned len = 1; len <= 15; ++len) lengths.push_back(len);
    lengths.push_back(15);
    std::vector<uint32_t> storage(packed_table_capacity(16, 4));
    PackedTable t;
    EXPECT_EQ(build_packed_table(lengths.data(), 16, 16, nullptr, nullptr, 4, 4, storage.data(),
                                 storage.size(), &t), 0);
    EXPECT_NE(t.entries, nullptr);
    for (size_t capacity : {size_t{8}, size_t{16}, size_t{17}}) {
        EXPECT_EQ(build_packed_table(lengths.data(), 16, 16, nullptr, nullptr, 4, 4, storage.data(),
                                     capacity, &t), 3) << capacity;
        EXPECT_EQ(t.entries, nullptr);
    }
}

TEST(DecodeTable, ReleaseAcceptsNull) { release_decode_table(nullptr); }

TEST(DecodeTable, OutOfMemoryAtAnyTableLeavesNothing) {
    std::vector<unsigned> lengths;
    for (unsigned len = 1; len <= 16; ++len) lengths.push_back(len);
    lengths.push_back(16);
    long tables = 0;
    {
        Built b;
        probe::AllocProbe count;
        build(b, lengths, 4);
        tables = count.count();
        ASSERT_EQ(b.result, 0);
    }
    ASSERT_GT(tables, 2) << "the set needs a chain of subtables";
    for (long fail_at = 0; fail_at < tables; ++fail_at) {
        Built b;
        probe::AllocProbe fail(fail_at);
        build(b, lengths, 4);
        EXPECT_TRUE(fail.failed());
        EXPECT_EQ(b.result, 3) << "failure at table " << fail_at;
        EXPECT_EQ(b.root, nullptr);
    }
}

}  // namespace
