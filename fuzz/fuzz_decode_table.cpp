// build_decode_table on any code lengths, for each code set that inflate and
// explode build: the first byte chooses the set, the second the requested root
// width, every further byte one code length (0 to 16). Each entry of the built
// tables is then visited through the links, as a decoder would reach it. The
// packed table of the same set (root width from the second byte too) must give
// the same result and decode every input pattern to the same symbol (for sets
// of codes up to 15 bits, the ones inflate builds).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "methods/decode_table.h"
#include "methods/inflate.h"

namespace {

struct CodeSet {
    unsigned max_n;
    unsigned simple_count;
    const uint16_t* bases;
    const uint8_t* extras;
};

// Explode's length and distance trees: 64 symbols with arithmetic bases.
const std::vector<uint16_t> tree_bases = [] {
    std::vector<uint16_t> b(64);
    for (unsigned i = 0; i < 64; ++i) b[i] = static_cast<uint16_t>(2 + i);
    return b;
}();
const std::vector<uint8_t> tree_extras = [] {
    std::vector<uint8_t> e(64, 0);
    e[63] = 8;
    return e;
}();

const CodeSet sets[] = {
    {288, 257, length_base.data(), length_extra.data()},  // literal/length
    {32, 0, dist_base.data(), dist_extra.data()},         // distance
    {19, 19, nullptr, nullptr},                           // code lengths
    {256, 256, nullptr, nullptr},                         // explode literals
    {64, 0, tree_bases.data(), tree_extras.data()},       // explode lengths, distances
};

// Visits every entry below `table` (2^width entries); aborts on a link that
// cannot be right.
void visit(const DecodeEntry* table, unsigned width, int depth) {
    if (depth > 16 || width == 0 || width > 16) std::abort();
    volatile unsigned sum = 0;
    for (unsigned i = 0; i < (1u << width); ++i) {
        const DecodeEntry& e = table[i];
        if (e.kind > DECODE_LITERAL && e.kind != DECODE_INVALID) {
            if (e.kind > DECODE_LITERAL + 16 || !e.subtable) std::abort();
            visit(e.subtable, e.kind - DECODE_LITERAL, depth + 1);
        } else {
            sum = sum + e.value + e.bits;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const CodeSet& set = sets[data[0] % (sizeof sets / sizeof sets[0])];
    std::vector<unsigned> lengths;
    for (size_t i = 2; i < size && lengths.size() < set.max_n; ++i) lengths.push_back(data[i] % 17u);
    if (lengths.empty()) return 0;
    const unsigned n = static_cast<unsigned>(lengths.size());
    const unsigned simple = set.simple_count < n ? set.simple_count : n;
    DecodeEntry* root = nullptr;
    int bits = 1 + data[1] % 16;
    const int r = build_decode_table(lengths.data(), n, simple, set.bases, set.extras, &root, &bits);
    if (r <= 1 && root) visit(root, static_cast<unsigned>(bits), 0);
    if (r > 1 && root) std::abort();  // nothing is left after a failed build

    unsigned longest = 0;
    for (unsigned l : lengths) longest = l > longest ? l : longest;
    if (longest > 15) {  // packed tables serve deflate's codes of up to 15 bits
        release_decode_table(root);
        return 0;
    }
    static std::vector<uint32_t> storage(packed_table_capacity(288, 8));
    const int requested = 1 + data[1] % 16;
    const unsigned packed_root = 1 + (data[1] >> 4) % 16;
    PackedTable packed;
    const int p = build_packed_table(lengths.data(), n, simple, set.bases, set.extras, requested,
                                     packed_root, storage.data(), storage.size(), &packed);
    if (p != r || (packed.entries == nullptr) != (root == nullptr)) std::abort();
    if (packed.entries) {
        for (uint32_t in = 0; in < (1u << longest); ++in) {
            const DecodeEntry* e = &root[in & ((1u << bits) - 1)];
            unsigned used = 0, width = static_cast<unsigned>(bits);
            while (e->kind > DECODE_LITERAL && e->kind != DECODE_INVALID) {
                used += e->bits;
                width = e->kind - 16u;
                e = &e->subtable[(in >> used) & ((1u << width) - 1)];
            }
            uint32_t q = packed.entries[in & ((1u << packed.root_bits) - 1)];
            unsigned q_used = 0;
            if (packed_kind(q) == PACKED_LINK) {
                q_used = packed.root_bits;
                q = packed.entries[packed_value(q) + ((in >> q_used) & ((1u << packed_reach(q)) - 1))];
            }
            const bool invalid = e->kind == DECODE_INVALID;
            if (invalid != (packed_kind(q) == PACKED_INVALID)) std::abort();
            if (!invalid && (packed_kind(q) != e->kind || packed_value(q) != e->value ||
                             q_used + packed_bits(q) != used + e->bits ||
                             packed_reach(q) != used + width))
                std::abort();
        }
    }
    release_decode_table(root);
    return 0;
}
