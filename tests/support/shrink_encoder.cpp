#include "support/shrink_encoder.h"

#include <array>
#include <unordered_map>
#include <vector>

#include "support/bit_writer.h"

namespace tz {

namespace {

constexpr int CODE_COUNT = 8192;
constexpr int FIRST_FREE = 257;

class ShrinkState {
public:
    ShrinkState(const ShrinkOptions& options, ShrinkStats& stats) : options_(options), stats_(stats) {
        parent_.fill(-1);
        for (int c = 0; c < 256; ++c) parent_[c] = 0;
    }

    // The dictionary code for `code` extended by `byte`, or -1.
    int child(int code, uint8_t byte) const {
        const auto it = children_.find(key(code, byte));
        return it == children_.end() ? -1 : it->second;
    }

    // Writes a data code. The decoder then defines the entry that the previous
    // data code announced; it is added here only when the next code is known.
    void send(int code) {
        while (code >= (1 << width_)) control(1);
        if (code == pending_code_) ++stats_.undefined_codes;
        bits_.bits(static_cast<uint32_t>(code), width_);
        // Control codes can only follow the first code.
        if (stats_.codes == 0 && options_.widen_early)
            while (width_ < 13) control(1);
        ++stats_.codes;
        ++since_clear_;
    }

    // After a data code `code` whose string is followed by `next`: optionally
    // clear, then define code + next at the lowest free code, as the decoder will.
    void extend(int code, uint8_t next) {
        if ((options_.clear_every > 0 && since_clear_ >= options_.clear_every) ||
            (options_.clear_when_full && next_free_ == CODE_COUNT)) {
            control(2);
            partial_clear();
            since_clear_ = 0;
        }
        pending_code_ = -1;
        if (next_free_ == CODE_COUNT) return;
        const int slot = next_free_;
        if (ever_used_[slot]) ++stats_.reused_codes;
        ever_used_[slot] = true;
        parent_[slot] = code;
        suffix_[slot] = next;
        // A code freed by the clear that just happened cannot be extended: the
        // decoder records the slot with a dead prefix, so it is never sent.
        if (code < FIRST_FREE || parent_[code] != -1) {
            children_[key(code, next)] = slot;
            pending_code_ = slot;
        } else {
            ++stats_.dead_prefixes;
        }
        next_free_ = lowest_free(slot + 1);
        if (next_free_ > stats_.most_codes_in_use) stats_.most_codes_in_use = next_free_;
    }

    Bytes finish() {
        stats_.final_width = width_;
        return bits_.bytes();
    }

private:
    static uint32_t key(int code, uint8_t byte) { return (static_cast<uint32_t>(code) << 8) | byte; }

    void control(int sub) {
        bits_.bits(256, width_);
        bits_.bits(static_cast<uint32_t>(sub), width_);
        if (sub == 1) ++width_;
    }

    int lowest_free(int from) const {
        while (from < CODE_COUNT && parent_[from] != -1) ++from;
        return from;
    }

    // Frees the codes below the next free code that no other code below it extends.
    void partial_clear() {
        ++stats_.clears;
        std::vector<bool> extended(CODE_COUNT, false);
        for (int c = FIRST_FREE; c < next_free_; ++c)
            if (parent_[c] >= FIRST_FREE && parent_[c] < next_free_) extended[static_cast<size_t>(parent_[c])] = true;
        for (int c = FIRST_FREE; c < next_free_; ++c) {
            if (extended[static_cast<size_t>(c)]) continue;
            const auto it = children_.find(key(parent_[c], suffix_[c]));
            if (it != children_.end() && it->second == c) children_.erase(it);
            parent_[c] = -1;
        }
        next_free_ = lowest_free(FIRST_FREE);
    }

    const ShrinkOptions& options_;
    ShrinkStats& stats_;
    BitWriter bits_;
    int width_ = 9;
    int next_free_ = FIRST_FREE;
    int since_clear_ = 0;
    int pending_code_ = -1;
    std::array<int, CODE_COUNT> parent_{};
    std::array<uint8_t, CODE_COUNT> suffix_{};
    std::array<bool, CODE_COUNT> ever_used_{};
    std::unordered_map<uint32_t, int> children_;
};

}  // namespace

Bytes shrink(const Bytes& data, const ShrinkOptions& options, ShrinkStats* stats) {
    ShrinkStats local;
    ShrinkStats& st = stats ? *stats : local;
    st = ShrinkStats{};
    ShrinkState state(options, st);
    if (data.empty()) return state.finish();

    int w = data[0];
    for (size_t i = 1; i < data.size(); ++i) {
        const int c = state.child(w, data[i]);
        if (c >= 0) {
            w = c;
            continue;
        }
        state.send(w);
        state.extend(w, data[i]);
        w = data[i];
    }
    state.send(w);
    return state.finish();
}

}  // namespace tz
