// Test encoder for method 6 (implode), written from the format description: a
// sliding dictionary of 4 KiB or 8 KiB (flag bit value 2), two or three
// Shannon-Fano trees (flag bit value 4: a literal tree is sent and copies are
// at least 3 bytes, else literals are 8 raw bits and copies at least 2).
// The trees are sent first as run-length lists of bit lengths (literal tree,
// length tree, distance tree); each item is a flag bit (1 literal, 0 copy),
// a copy being the low distance bits raw, the distance tree code, the length
// tree code and, for length symbol 63, 8 more raw bits.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "support/zip_writer.h"

namespace tz {

constexpr uint16_t IMPLODE_8K = 2;          // flag bit value: 8 KiB dictionary
constexpr uint16_t IMPLODE_THREE_TREES = 4; // flag bit value: literal tree sent

struct ImplodeOptions {
    bool large_window = false;   // 8 KiB dictionary
    bool literal_tree = false;   // three trees
    bool matches = true;         // false: literals only
    // The output is taken to follow a dictionary's worth of zero bytes, so
    // copies may reach before its start (the decoder supplies zeros there).
    bool zero_prefix = false;
    // Bit lengths to send instead of the ones computed from the data
    // (256 for the literal tree, 64 for the others; each 1..16, a complete code).
    std::optional<std::vector<uint8_t>> literal_lengths, length_lengths, distance_lengths;
};

struct ImplodeStats {
    uint64_t copies = 0;
    uint32_t longest_copy = 0;
    uint32_t farthest_distance = 0;
    uint64_t long_length_symbols = 0;  // copies sent with length symbol 63 and an extra byte
    uint64_t copies_before_start = 0;
    int longest_code = 0;              // longest tree code used
};

struct Imploded {
    Bytes packed;
    uint16_t flags = 0;  // the general purpose flags of the member
};

Imploded implode(const Bytes& data, const ImplodeOptions& options = {},
                 ImplodeStats* stats = nullptr);

// One coded item: a literal byte, or a copy (length at least 2 or 3 by the
// tree count, at most 320 or 321; distance 1 up to 4096 or 8192).
struct ImplodeItem {
    uint32_t length = 0;  // 0: a literal
    uint32_t distance = 0;
    uint8_t literal = 0;
};

// Codes the given items as they are (trees from their frequencies unless the
// options give bit lengths).
Imploded implode_items(const std::vector<ImplodeItem>& items, const ImplodeOptions& options = {},
                       ImplodeStats* stats = nullptr);

// Shannon-Fano bit lengths for the given symbol frequencies (every symbol gets
// a code, at most 16 bits; the code is complete).
std::vector<uint8_t> shannon_fano_lengths(const std::vector<uint64_t>& frequencies);

// The run-length list of a tree's bit lengths, with its leading count byte.
Bytes tree_length_list(const std::vector<uint8_t>& lengths);

// The codes of a tree: for each symbol its code in the top bits of 16, sent
// highest bit first.
std::vector<uint16_t> shannon_fano_codes(const std::vector<uint8_t>& lengths);

}  // namespace tz
