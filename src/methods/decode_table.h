// Prefix-code lookup tables, built from code lengths: multi-level tables of
// linked entries (explode), and packed two-level tables in storage the caller
// owns (inflate's decoding loop).
#pragma once

#include <cstddef>
#include <cstdint>

struct DecodeEntry {
    // 16 literal byte (value); 15 end of block; 0..13 base value (value) followed by
    // `kind` extra bits; 17..32 link to a subtable indexed by kind - 16 more bits;
    // 99 invalid code.
    uint8_t kind;
    uint8_t bits;   // input bits this entry accounts for at its level
    union {
        uint16_t value;
        DecodeEntry* subtable;
    };
};

constexpr uint8_t DECODE_LITERAL = 16;
constexpr uint8_t DECODE_END_OF_BLOCK = 15;
constexpr uint8_t DECODE_INVALID = 99;

// Builds the tables for `n` code lengths (0..16 each). Symbols below
// `simple_count` are simple; symbol s at or above it takes bases[s - simple_count]
// as value and extras[s - simple_count] as kind. `root_bits` is the requested
// root width on entry and the width used on return. Returns 0 complete (or
// empty: *root null), 1 incomplete, 2 over-subscribed, 3 out of memory. On 1 the
// tables are built and must be released by the caller; on 2 and 3 nothing is left.
int build_decode_table(const unsigned* lengths, unsigned n, unsigned simple_count,
                       const uint16_t* bases, const uint8_t* extras, DecodeEntry** root,
                       int* root_bits);

// Frees every table of one build, from its root; null is allowed.
void release_decode_table(DecodeEntry* root);

// One build's tables with their root width, released when the owner goes.
struct OwnedDecodeTable {
    DecodeEntry* root = nullptr;
    int bits = 0;
    OwnedDecodeTable() = default;
    OwnedDecodeTable(const OwnedDecodeTable&) = delete;
    OwnedDecodeTable& operator=(const OwnedDecodeTable&) = delete;
    ~OwnedDecodeTable() { release_decode_table(root); }
};

// ---- Packed tables
//
// One 32-bit entry per index. Bits 0-4: input bits the entry takes at its
// level. Bits 5-9: for a final entry, how far past the code's first bit the
// linked layout of build_decode_table (with the same set and root width)
// reads before it knows the symbol; for a link, the subtable's index bits.
// Bits 10-15: the kind (as DecodeEntry: 0..13 extra bits, 15, 16), or
// PACKED_LONG_EXTRA + n for 14..16 extra bits (the long fields of deflate64),
// or PACKED_LINK or PACKED_INVALID. Bits 16-31: the value, or for a link the
// subtable's offset from the root.
//
// A decoder that fetches input ahead of need still has to account for the
// input the linked layout would have asked for (a truncated stream stops at
// the same point), which is what the reach field keeps.
constexpr uint32_t PACKED_LINK = 32;
constexpr uint32_t PACKED_LONG_EXTRA = 40;
constexpr uint32_t PACKED_INVALID = 63;

constexpr uint32_t packed_bits(uint32_t e) { return e & 31u; }
constexpr uint32_t packed_reach(uint32_t e) { return (e >> 5) & 31u; }
constexpr uint32_t packed_kind(uint32_t e) { return (e >> 10) & 63u; }
constexpr uint32_t packed_value(uint32_t e) { return e >> 16; }
constexpr uint32_t packed_entry(uint32_t bits, uint32_t reach, uint32_t kind, uint32_t value) {
    return bits | (reach << 5) | (kind << 10) | (value << 16);
}

struct PackedTable {
    const uint32_t* entries = nullptr;  // the root table; null when no symbol has a code
    unsigned root_bits = 0;
};

// Entries a packed build of up to `n` symbols with root width `root_bits` may
// use: the root and one subtable of at most 16 - root_bits index bits for each
// symbol with a longer code.
constexpr size_t packed_table_capacity(unsigned n, unsigned root_bits) {
    const size_t root = size_t{1} << root_bits;
    const size_t subtables = n < root ? n : root;
    return root + subtables * (size_t{1} << (16 - root_bits));
}

// Builds a packed table for the same code set as build_decode_table, with the
// same results: 0 complete (or empty: out->entries null), 1 incomplete (built;
// its unused codes are invalid), 2 over-subscribed or out of range. The root
// takes min(root_bits, longest code) bits (root_bits 1..16); longer codes go
// through one subtable. `layout_root_bits` is the root width requested of the
// linked layout whose reach the entries record. Every entry used is written
// once; 3 when `capacity` entries of `storage` are too few, or (possible only
// with 16-bit codes) when a subtable's offset would not fit its 16 bits.
int build_packed_table(const unsigned* lengths, unsigned n, unsigned simple_count,
                       const uint16_t* bases, const uint8_t* extras, int layout_root_bits,
                       unsigned root_bits, uint32_t* storage, size_t capacity, PackedTable* out);
