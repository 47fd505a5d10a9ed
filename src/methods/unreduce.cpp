// Methods 2 to 5 (reduce with compression factors 1 to 4): bytes coded with
// follower sets (for each byte value, the bytes that most often follow it),
// and byte 144 as an escape that introduces a length-distance copy whose bit
// split depends on the factor.
//
// The engine's window is split in two: the lower 16384 bytes are the output
// window, the upper 16384 bytes hold the follower sets, 64 bytes per value.
#include <algorithm>
#include <array>
#include <cstring>

#include "engine/globals.h"
#include "engine/io.h"
#include "methods/held_bits.h"
#include "methods/methods.h"
#include "methods/sliding_window.h"
#include "methods/unreduce.h"

namespace {

constexpr uint32_t OUT_WINDOW = 16384;
constexpr size_t FOLLOWER_ROW = 64;
constexpr uint8_t ESCAPE = 144;

struct ReduceFactor {
    unsigned length_mask;
    unsigned dist_shift;
    unsigned dist_mask;
};

// Indexed by the factor (method - 1); entry 0 is unused.
constexpr std::array<ReduceFactor, 5> reduce_factors = {{
    {0, 0, 0},
    {0x7F, 7, 0x01},
    {0x3F, 6, 0x03},
    {0x1F, 5, 0x07},
    {0x0F, 4, 0x0F},
}};

// Bits needed to write n - 1 (at least one) for a follower set of size n.
constexpr std::array<uint8_t, 256> follower_index_bits = [] {
    std::array<uint8_t, 256> t{};
    t[0] = 8;
    for (unsigned n = 1; n < 256; ++n) {
        uint8_t bits = 1;
        while ((1u << bits) < n) ++bits;
        t[n] = bits;
    }
    return t;
}();

// For each previous byte value, the index width to read for its follower set
// (0 for an empty set).
std::array<uint8_t, 256> follower_width{};

uint8_t* follower_row(unsigned value) {
    return G.window.data() + OUT_WINDOW + FOLLOWER_ROW * value;
}

// The next byte symbol after `last`: 8 plain bits when its set is empty or a
// 1 bit says so, else an index into the set.
[[gnu::always_inline]] inline unsigned next_symbol(HeldBitReader& in, const uint8_t* rows, unsigned last) {
    const unsigned width = follower_width[last];
    if (width == 0 || in.take(1)) return in.take(8);
    return rows[FOLLOWER_ROW * last + in.take(static_cast<int>(width))];
}

}  // namespace

void read_follower_sets() {
    for (int x = 255; x >= 0; --x) {
        const unsigned count = take_held_bits(6);
        follower_width[static_cast<size_t>(x)] = count == 0 ? 0 : follower_index_bits[count];
        uint8_t* row = follower_row(static_cast<unsigned>(x));
        for (unsigned i = 0; i < count; ++i) row[i] = static_cast<uint8_t>(take_held_bits(8));
    }
}

int unreduce_member() {
    const unsigned factor_index = G.local.method >= 2 && G.local.method <= 5 ? G.local.method - 1u : 1u;
    const ReduceFactor factor = reduce_factors[factor_index];
    read_follower_sets();

    // Kept wide so that members of 2 GiB and more are decoded in full.
    int64_t remaining = G.unpacked_size;
    HeldBitReader in;
    in.load();
    SlidingWindow out(OUT_WINDOW, &in.input);
    const uint8_t* const rows = follower_row(0);

    // A symbol stream: literal bytes, 144 0 for the byte 144 itself, and
    // 144 V [L] D for a copy. Each symbol is coded after the one before it;
    // the member ends early when the data runs out.
    unsigned last = 0;
    while (remaining > 0) {
        unsigned byte = next_symbol(in, rows, last);
        if (in.exhausted) break;
        last = byte;
        if (byte != ESCAPE) {
            out.put(static_cast<uint8_t>(byte));
            --remaining;
            continue;
        }
        byte = next_symbol(in, rows, last);
        if (in.exhausted) break;
        last = byte;
        if (byte == 0) {
            out.put(ESCAPE);
            --remaining;
            continue;
        }
        const unsigned saved = byte;
        unsigned length = byte & factor.length_mask;
        if (length == factor.length_mask) {
            byte = next_symbol(in, rows, last);
            if (in.exhausted) break;
            last = byte;
            length += byte;
        }
        byte = next_symbol(in, rows, last);
        if (in.exhausted) break;
        last = byte;
        const uint32_t distance = byte + ((saved >> factor.dist_shift) & factor.dist_mask) * 256u + 1u;
        out.copy_from(out.pos - distance, length + 3);
        remaining -= length + 3;
    }
    out.flush();
    in.store();
    return in.exhausted ? 1 : 0;
}
