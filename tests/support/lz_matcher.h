// Greedy longest-match search over a byte buffer with hash chains, shared by
// the reduce and implode test encoders.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "support/zip_writer.h"

namespace tz {

struct LzMatch {
    uint32_t length = 0;    // 0: no usable match
    uint32_t distance = 0;  // 1 = the byte just before
};

class LzMatcher {
public:
    // Matches are min_length..max_length bytes long, their source at most
    // max_distance bytes back. `usable(length, distance)` may shorten a match
    // (return a smaller length) or refuse it (return 0).
    LzMatcher(const Bytes& data, uint32_t min_length, uint32_t max_length, uint32_t max_distance,
              std::function<uint32_t(uint32_t, uint32_t)> usable = {}, int chain_limit = 256);

    // Longest usable match for the bytes at `pos`; every position before `pos`
    // must have been inserted.
    LzMatch find(size_t pos) const;
    // Makes the bytes at `pos` available as a match source.
    void insert(size_t pos);

private:
    uint32_t hash_at(size_t pos) const;

    const Bytes& data_;
    uint32_t min_length_, max_length_, max_distance_;
    std::function<uint32_t(uint32_t, uint32_t)> usable_;
    int chain_limit_;
    std::vector<int64_t> head_;
    std::vector<int64_t> prev_;
};

}  // namespace tz
