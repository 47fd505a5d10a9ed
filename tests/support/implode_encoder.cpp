#include "support/implode_encoder.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "support/bit_writer.h"
#include "support/lz_matcher.h"

namespace tz {

namespace {

constexpr int MAX_CODE_BITS = 16;

// Splits symbols[lo, hi) (sorted by falling weight) into two groups of
// nearly equal weight, recursively; each split adds one bit to the codes.
void split(const std::vector<size_t>& symbols, const std::vector<uint64_t>& sums, size_t lo,
           size_t hi, uint8_t depth, std::vector<uint8_t>& lengths) {
    if (hi - lo == 1) {
        lengths[symbols[lo]] = depth;
        return;
    }
    const uint64_t total = sums[hi] - sums[lo];
    size_t best = lo + 1;
    uint64_t best_diff = UINT64_MAX;
    for (size_t k = lo + 1; k < hi; ++k) {
        const uint64_t left = sums[k] - sums[lo];
        const uint64_t diff = left * 2 > total ? left * 2 - total : total - left * 2;
        if (diff < best_diff) {
            best_diff = diff;
            best = k;
        }
    }
    split(symbols, sums, lo, best, static_cast<uint8_t>(depth + 1), lengths);
    split(symbols, sums, best, hi, static_cast<uint8_t>(depth + 1), lengths);
}

void put_code(BitWriter& w, const std::vector<uint16_t>& codes, const std::vector<uint8_t>& lengths,
              size_t symbol, ImplodeStats& st) {
    w.code(codes[symbol] >> (MAX_CODE_BITS - lengths[symbol]), lengths[symbol]);
    st.longest_code = std::max<int>(st.longest_code, lengths[symbol]);
}

void check_lengths(const std::vector<uint8_t>& lengths, size_t n) {
    if (lengths.size() != n) throw std::invalid_argument("tree length count");
    uint64_t space = 0;
    for (uint8_t l : lengths) {
        if (l < 1 || l > MAX_CODE_BITS) throw std::invalid_argument("tree bit length");
        space += uint64_t{1} << (MAX_CODE_BITS - l);
    }
    if (space != (uint64_t{1} << MAX_CODE_BITS)) throw std::invalid_argument("tree not complete");
}

}  // namespace

std::vector<uint8_t> shannon_fano_lengths(const std::vector<uint64_t>& frequencies) {
    const size_t n = frequencies.size();
    if (n < 2) throw std::invalid_argument("a tree needs two symbols");
    std::vector<uint64_t> weight(n);
    for (size_t i = 0; i < n; ++i) weight[i] = frequencies[i] + 1;
    for (;;) {
        std::vector<size_t> order(n);
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return weight[a] > weight[b]; });
        std::vector<uint64_t> sums(n + 1, 0);
        for (size_t i = 0; i < n; ++i) sums[i + 1] = sums[i] + weight[order[i]];
        std::vector<uint8_t> lengths(n, 0);
        split(order, sums, 0, n, 0, lengths);
        if (*std::max_element(lengths.begin(), lengths.end()) <= MAX_CODE_BITS) return lengths;
        // Too deep: flatten the weights and split again.
        for (uint64_t& w : weight) w = w / 2 + 1;
    }
}

Bytes tree_length_list(const std::vector<uint8_t>& lengths) {
    Bytes runs;
    for (size_t i = 0; i < lengths.size();) {
        size_t j = i;
        while (j < lengths.size() && lengths[j] == lengths[i] && j - i < 16) ++j;
        runs.push_back(static_cast<uint8_t>(((j - i - 1) << 4) | (lengths[i] - 1u)));
        i = j;
    }
    if (runs.empty() || runs.size() > 256) throw std::invalid_argument("length list size");
    runs.insert(runs.begin(), static_cast<uint8_t>(runs.size() - 1));
    return runs;
}

std::vector<uint16_t> shannon_fano_codes(const std::vector<uint8_t>& lengths) {
    // Sorted by bit length (then symbol), the codes are counted up from the
    // longest end: each step adds the weight of the current length's last bit.
    std::vector<size_t> order(lengths.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return lengths[a] < lengths[b]; });
    std::vector<uint16_t> codes(lengths.size(), 0);
    uint32_t code = 0, increment = 0;
    int last_length = 0;
    for (size_t i = order.size(); i-- > 0;) {
        code += increment;
        const int len = lengths[order[i]];
        if (len != last_length) {
            last_length = len;
            increment = 1u << (MAX_CODE_BITS - len);
        }
        codes[order[i]] = static_cast<uint16_t>(code);
    }
    return codes;
}

Imploded implode(const Bytes& data, const ImplodeOptions& options, ImplodeStats* stats) {
    ImplodeStats local;
    ImplodeStats& st = stats ? *stats : local;
    st = ImplodeStats{};
    const uint32_t min_length = options.literal_tree ? 3 : 2;
    const uint32_t max_length = 63 + min_length + 255;
    const uint32_t max_distance = options.large_window ? 8192 : 4096;

    const size_t start = options.zero_prefix ? max_distance : 0;
    Bytes buf(start, 0);
    buf.insert(buf.end(), data.begin(), data.end());
    LzMatcher matcher(buf, min_length, max_length, max_distance);
    for (size_t p = 0; p < start; ++p) matcher.insert(p);

    std::vector<ImplodeItem> items;
    for (size_t pos = start; pos < buf.size();) {
        const LzMatch m = options.matches ? matcher.find(pos) : LzMatch{};
        if (m.length >= min_length) {
            items.push_back({m.length, m.distance, 0});
            if (pos - start < m.distance) ++st.copies_before_start;
            for (uint32_t i = 0; i < m.length; ++i) matcher.insert(pos + i);
            pos += m.length;
        } else {
            items.push_back({0, 0, buf[pos]});
            matcher.insert(pos);
            ++pos;
        }
    }
    const uint64_t before_start = st.copies_before_start;
    Imploded out = implode_items(items, options, &st);
    st.copies_before_start = before_start;
    return out;
}

Imploded implode_items(const std::vector<ImplodeItem>& items, const ImplodeOptions& options,
                       ImplodeStats* stats) {
    ImplodeStats local;
    ImplodeStats& st = stats ? *stats : local;
    st = ImplodeStats{};
    const uint32_t min_length = options.literal_tree ? 3 : 2;
    const uint32_t max_length = 63 + min_length + 255;
    const uint32_t max_distance = options.large_window ? 8192 : 4096;
    const int low_bits = options.large_window ? 7 : 6;

    std::vector<uint64_t> literal_freq(256, 0), length_freq(64, 0), distance_freq(64, 0);
    for (const ImplodeItem& item : items) {
        if (item.length == 0) {
            ++literal_freq[item.literal];
            continue;
        }
        if (item.length < min_length || item.length > max_length || item.distance < 1 ||
            item.distance > max_distance)
            throw std::invalid_argument("implode copy out of range");
        ++length_freq[std::min<uint32_t>(item.length - min_length, 63)];
        ++distance_freq[(item.distance - 1) >> low_bits];
        ++st.copies;
        st.longest_copy = std::max(st.longest_copy, item.length);
        st.farthest_distance = std::max(st.farthest_distance, item.distance);
    }

    const auto literal_lengths = options.literal_lengths.value_or(shannon_fano_lengths(literal_freq));
    const auto length_lengths = options.length_lengths.value_or(shannon_fano_lengths(length_freq));
    const auto distance_lengths = options.distance_lengths.value_or(shannon_fano_lengths(distance_freq));
    check_lengths(literal_lengths, 256);
    check_lengths(length_lengths, 64);
    check_lengths(distance_lengths, 64);
    const auto literal_codes = shannon_fano_codes(literal_lengths);
    const auto length_codes = shannon_fano_codes(length_lengths);
    const auto distance_codes = shannon_fano_codes(distance_lengths);

    Imploded out;
    out.flags = static_cast<uint16_t>((options.large_window ? IMPLODE_8K : 0) |
                                      (options.literal_tree ? IMPLODE_THREE_TREES : 0));
    if (options.literal_tree) {
        const Bytes list = tree_length_list(literal_lengths);
        out.packed.insert(out.packed.end(), list.begin(), list.end());
    }
    for (const auto* lengths : {&length_lengths, &distance_lengths}) {
        const Bytes list = tree_length_list(*lengths);
        out.packed.insert(out.packed.end(), list.begin(), list.end());
    }

    BitWriter w;
    for (const ImplodeItem& item : items) {
        if (item.length == 0) {
            w.bits(1, 1);
            if (options.literal_tree)
                put_code(w, literal_codes, literal_lengths, item.literal, st);
            else
                w.bits(item.literal, 8);
            continue;
        }
        w.bits(0, 1);
        const uint32_t d = item.distance - 1;
        w.bits(d & ((1u << low_bits) - 1u), low_bits);
        put_code(w, distance_codes, distance_lengths, d >> low_bits, st);
        const uint32_t symbol = std::min<uint32_t>(item.length - min_length, 63);
        put_code(w, length_codes, length_lengths, symbol, st);
        if (symbol == 63) {
            w.bits(item.length - min_length - 63, 8);
            ++st.long_length_symbols;
        }
    }
    const Bytes coded = w.bytes();
    out.packed.insert(out.packed.end(), coded.begin(), coded.end());
    return out;
}

}  // namespace tz
