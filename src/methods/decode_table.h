// Multi-level prefix-code lookup tables, built from code lengths; shared by
// inflate and explode.
#pragma once

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
