// The tables of method 8 (deflate) and method 9 (deflate64), which one
// decoder reads. The engine calls inflate_member(), inflate64_member() and
// release_fixed_tables() (methods/methods.h); the rest is offered for the
// decoder's own use and for tests.
#pragma once

#include <array>
#include <cstdint>

#include "methods/decode_table.h"

// Code lengths of the code-length alphabet, in the order a dynamic header sends them.
inline constexpr std::array<uint8_t, 19> code_length_order = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Length symbols 257..285, then 286 and 287, which build invalid entries.
inline constexpr std::array<uint16_t, 31> length_base = {
    3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27, 31,
    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
inline constexpr std::array<uint8_t, 31> length_extra = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
    3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, DECODE_INVALID, DECODE_INVALID};

// Distance symbols 0..29, then 30 and 31, which build invalid entries.
inline constexpr std::array<uint16_t, 32> dist_base = {
    1,    2,    3,    4,    5,    7,     9,     13,    17,  25,  33,
    49,   65,   97,   129,  193,  257,   385,   513,   769, 1025, 1537,
    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 0,   0};
inline constexpr std::array<uint8_t, 32> dist_extra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3,  3,  4,  4,  5,  5,  6,  6,
    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, DECODE_INVALID, DECODE_INVALID};

// Root widths of the linked table layout (build_decode_table). The decoder
// uses packed tables of its own widths, but asks for input exactly as far
// ahead as this layout would: where a truncated stream stops depends on it.
constexpr int litlen_lookup_bits = 9;   // dynamic literal/length codes
constexpr int dist_lookup_bits = 6;     // dynamic distance codes
constexpr int fixed_litlen_lookup_bits = 7;
constexpr int fixed_dist_lookup_bits = 5;
constexpr int code_length_lookup_bits = 7;

// Root widths of the packed tables of dynamic blocks.
constexpr unsigned litlen_packed_bits = 10;
constexpr unsigned dist_packed_bits = 8;

// A decoder may ask for at most this many bytes beyond the member's compressed
// data; past that the stream is truncated and the member is invalid.
constexpr int64_t inflate_overrun_limit = 8;

// Deflate64 (method 9) changes three codes and the window: length symbol 285
// takes 16 extra bits on base 3, and distance symbols 30 and 31 are valid, on
// bases 32769 and 49153 with 14 extra bits, reaching back through 64 KiB.
inline constexpr std::array<uint16_t, 31> length64_base = [] {
    std::array<uint16_t, 31> t = length_base;
    t[28] = 3;
    return t;
}();
inline constexpr std::array<uint8_t, 31> length64_extra = [] {
    std::array<uint8_t, 31> t = length_extra;
    t[28] = 16;
    return t;
}();
inline constexpr std::array<uint16_t, 32> dist64_base = [] {
    std::array<uint16_t, 32> t = dist_base;
    t[30] = 32769;
    t[31] = 49153;
    return t;
}();
inline constexpr std::array<uint8_t, 32> dist64_extra = [] {
    std::array<uint8_t, 32> t = dist_extra;
    t[30] = 14;
    t[31] = 14;
    return t;
}();
