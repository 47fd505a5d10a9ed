#include "support/lz_matcher.h"

#include <algorithm>

namespace tz {

namespace {
constexpr int HASH_BITS = 16;
}

LzMatcher::LzMatcher(const Bytes& data, uint32_t min_length, uint32_t max_length,
                     uint32_t max_distance, std::function<uint32_t(uint32_t, uint32_t)> usable,
                     int chain_limit)
    : data_(data),
      min_length_(min_length),
      max_length_(max_length),
      max_distance_(max_distance),
      usable_(std::move(usable)),
      chain_limit_(chain_limit),
      head_(size_t{1} << HASH_BITS, -1),
      prev_(data.size(), -1) {}

uint32_t LzMatcher::hash_at(size_t pos) const {
    uint32_t key = 0;
    for (uint32_t i = 0; i < min_length_; ++i) key = (key << 8) | data_[pos + i];
    return (key * 2654435761u) >> (32 - HASH_BITS);
}

void LzMatcher::insert(size_t pos) {
    if (pos + min_length_ > data_.size()) return;
    const uint32_t h = hash_at(pos);
    prev_[pos] = head_[h];
    head_[h] = static_cast<int64_t>(pos);
}

LzMatch LzMatcher::find(size_t pos) const {
    LzMatch best;
    if (pos + min_length_ > data_.size()) return best;
    const size_t limit = std::min<size_t>(max_length_, data_.size() - pos);
    int chain = chain_limit_;
    for (int64_t cand = head_[hash_at(pos)]; cand >= 0 && chain-- > 0; cand = prev_[cand]) {
        const size_t distance = pos - static_cast<size_t>(cand);
        if (distance > max_distance_) break;
        size_t len = 0;
        while (len < limit && data_[static_cast<size_t>(cand) + len] == data_[pos + len]) ++len;
        if (len < min_length_) continue;
        uint32_t take = static_cast<uint32_t>(len);
        if (usable_) take = usable_(take, static_cast<uint32_t>(distance));
        if (take >= min_length_ && take > best.length) {
            best.length = take;
            best.distance = static_cast<uint32_t>(distance);
            if (take == max_length_) break;
        }
    }
    return best;
}

}  // namespace tz
