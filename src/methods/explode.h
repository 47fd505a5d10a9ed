// Internals of method 6 that the decoder names on its own.
#pragma once

#include "methods/decode_table.h"

// Reads a tree's run-length list of bit lengths into `lengths` (n entries).
// 0, or 4 when the runs pass n or fall short of it.
int read_tree_lengths(unsigned* lengths, unsigned n);

// Decodes the member's items up to its uncompressed size with the given tables
// (no literal table: literals are 8 raw bits) and their root widths; the
// member's flags choose 6 or 7 raw distance bits. 0, 1 at an invalid code, or 5
// when the compressed size was not used exactly (G.packed_size_used set).
int explode_stream(const DecodeEntry* literal_table, const DecodeEntry* length_table,
                   const DecodeEntry* distance_table, int literal_bits, int length_bits,
                   int distance_bits);
