#include "support/reduce_encoder.h"

#include <algorithm>
#include <stdexcept>

#include "support/bit_writer.h"
#include "support/lz_matcher.h"

namespace tz {

namespace {

constexpr uint8_t ESCAPE = 144;

// Bits needed for an index into a set of n entries (at least one).
int index_bits(size_t n) {
    int bits = 1;
    while ((size_t{1} << bits) < n) ++bits;
    return bits;
}

}  // namespace

ReduceLimits reduce_limits(int factor) {
    if (factor < 1 || factor > 4) throw std::invalid_argument("reduce factor");
    const uint32_t shift = 8u - static_cast<uint32_t>(factor);
    return {(1u << shift) - 1u, shift, (1u << factor) - 1u};
}

void reduce_copy_symbols(std::vector<uint8_t>& symbols, int factor, uint32_t length,
                         uint32_t distance) {
    const ReduceLimits lim = reduce_limits(factor);
    if (length < 3 || length > lim.longest() || distance < 1 || distance > lim.farthest())
        throw std::invalid_argument("reduce copy out of range");
    const uint32_t d = distance - 1;
    const uint32_t len_field = std::min(length - 3, lim.length_mask);
    const uint32_t v = ((d >> 8) << lim.dist_shift) | len_field;
    if (v == 0) throw std::invalid_argument("reduce copy of 3 bytes within 256");
    symbols.push_back(ESCAPE);
    symbols.push_back(static_cast<uint8_t>(v));
    if (len_field == lim.length_mask) symbols.push_back(static_cast<uint8_t>(length - 3 - lim.length_mask));
    symbols.push_back(static_cast<uint8_t>(d & 0xFF));
}

std::vector<uint8_t> reduce_symbols(const Bytes& data, const ReduceOptions& options,
                                    ReduceStats* stats) {
    ReduceStats local;
    ReduceStats& st = stats ? *stats : local;
    const ReduceLimits lim = reduce_limits(options.factor);
    const size_t start = options.zero_prefix ? lim.farthest() : 0;
    Bytes buf(start, 0);
    buf.insert(buf.end(), data.begin(), data.end());

    // A copy of 3 bytes within 256 bytes would need V = 0, which means a literal 144.
    LzMatcher matcher(buf, 3, lim.longest(), lim.farthest(), [](uint32_t len, uint32_t dist) {
        return (len == 3 && dist <= 256) ? 0u : len;
    });
    for (size_t p = 0; p < start; ++p) matcher.insert(p);

    std::vector<uint8_t> symbols;
    size_t pos = start;
    while (pos < buf.size()) {
        const LzMatch m = options.matches ? matcher.find(pos) : LzMatch{};
        if (m.length >= 3) {
            reduce_copy_symbols(symbols, options.factor, m.length, m.distance);
            ++st.copies;
            st.longest_copy = std::max(st.longest_copy, m.length);
            st.farthest_distance = std::max(st.farthest_distance, m.distance);
            if (pos - start < m.distance) ++st.copies_before_start;
            for (uint32_t i = 0; i < m.length; ++i) matcher.insert(pos + i);
            pos += m.length;
        } else {
            symbols.push_back(buf[pos]);
            if (buf[pos] == ESCAPE) {
                symbols.push_back(0);
                ++st.escaped_literals;
            }
            matcher.insert(pos);
            ++pos;
        }
    }
    return symbols;
}

FollowerSets choose_follower_sets(const std::vector<uint8_t>& symbols, int max_followers,
                                  bool pad) {
    if (max_followers < 0 || max_followers > 63) throw std::invalid_argument("follower count");
    std::vector<std::array<uint64_t, 256>> counts(256);
    for (auto& row : counts) row.fill(0);
    uint8_t last = 0;
    for (uint8_t s : symbols) {
        ++counts[last][s];
        last = s;
    }
    FollowerSets sets;
    for (size_t x = 0; x < 256; ++x) {
        std::vector<uint8_t> order(256);
        for (size_t i = 0; i < 256; ++i) order[i] = static_cast<uint8_t>(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](uint8_t a, uint8_t b) { return counts[x][a] > counts[x][b]; });
        for (uint8_t s : order) {
            if (sets[x].size() == static_cast<size_t>(max_followers)) break;
            if (counts[x][s] == 0 && !pad) break;
            sets[x].push_back(s);
        }
    }
    return sets;
}

Bytes code_reduce_symbols(const std::vector<uint8_t>& symbols, const FollowerSets& sets,
                          ReduceStats* stats) {
    ReduceStats local;
    ReduceStats& st = stats ? *stats : local;
    BitWriter w;
    for (int x = 255; x >= 0; --x) {
        const auto& set = sets[static_cast<size_t>(x)];
        if (set.size() > 63) throw std::invalid_argument("follower set too large");
        st.largest_set = std::max(st.largest_set, set.size());
        w.bits(static_cast<uint32_t>(set.size()), 6);
        for (uint8_t f : set) w.bits(f, 8);
    }
    uint8_t last = 0;
    for (uint8_t s : symbols) {
        const auto& set = sets[last];
        if (set.empty()) {
            w.bits(s, 8);
        } else {
            const auto it = std::find(set.begin(), set.end(), s);
            if (it == set.end()) {
                w.bits(1, 1);
                w.bits(s, 8);
            } else {
                w.bits(0, 1);
                w.bits(static_cast<uint32_t>(it - set.begin()), index_bits(set.size()));
                ++st.coded_by_follower;
            }
        }
        last = s;
    }
    return w.bytes();
}

Bytes reduce(const Bytes& data, const ReduceOptions& options, ReduceStats* stats) {
    ReduceStats local;
    ReduceStats& st = stats ? *stats : local;
    st = ReduceStats{};
    const std::vector<uint8_t> symbols = reduce_symbols(data, options, &st);
    const FollowerSets sets = choose_follower_sets(symbols, options.max_followers, options.pad_followers);
    return code_reduce_symbols(symbols, sets, &st);
}

}  // namespace tz
