// Test encoder for methods 2 to 5 (reduce with factors 1 to 4), written from
// the format description. The output is first a stream of byte symbols:
// literals, with 144 as an escape (144 0 stands for the byte 144 itself;
// 144 V [L] D for a copy, V holding the length and the high distance bits),
// and those symbols are then coded with follower sets: for each previous
// symbol, a list of the symbols that most often follow it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "support/zip_writer.h"

namespace tz {

using FollowerSets = std::array<std::vector<uint8_t>, 256>;

struct ReduceOptions {
    int factor = 1;              // 1..4 (method 2..5)
    int max_followers = 32;      // largest follower set (0: every set empty; at most 63)
    bool pad_followers = false;  // fill every set to max_followers with unused values
    bool matches = true;         // false: literals and escapes only
    // The output is taken to follow that many zero bytes, so copies may reach
    // before its start (the decoder supplies zeros there).
    bool zero_prefix = false;
};

struct ReduceStats {
    uint64_t copies = 0;
    uint32_t longest_copy = 0;
    uint32_t farthest_distance = 0;
    uint64_t escaped_literals = 0;   // literal bytes 144
    uint64_t copies_before_start = 0;
    uint64_t coded_by_follower = 0;  // symbols sent as a follower index
    size_t largest_set = 0;
};

// The factor's length mask, distance shift and distance mask, and the limits they give.
struct ReduceLimits {
    uint32_t length_mask, dist_shift, dist_mask;
    uint32_t longest() const { return length_mask + 255 + 3; }
    uint32_t farthest() const { return (dist_mask + 1) * 256; }
};
ReduceLimits reduce_limits(int factor);

Bytes reduce(const Bytes& data, const ReduceOptions& options = {}, ReduceStats* stats = nullptr);

// The symbol stream of literal bytes (144 escaped) and copies, before follower coding.
std::vector<uint8_t> reduce_symbols(const Bytes& data, const ReduceOptions& options,
                                    ReduceStats* stats = nullptr);
// Appends one copy to a symbol stream (length 3 .. longest, distance 1 .. farthest;
// length 3 needs a distance above 256, since V may not be 0).
void reduce_copy_symbols(std::vector<uint8_t>& symbols, int factor, uint32_t length,
                         uint32_t distance);
// Follower sets for a symbol stream: the most frequent followers of each symbol.
FollowerSets choose_follower_sets(const std::vector<uint8_t>& symbols, int max_followers,
                                  bool pad);
// Codes a symbol stream with the given follower sets (each at most 63 entries).
Bytes code_reduce_symbols(const std::vector<uint8_t>& symbols, const FollowerSets& sets,
                          ReduceStats* stats = nullptr);

}  // namespace tz
