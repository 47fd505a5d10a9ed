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

std::array<uint8_t, 256> follower_count{};

uint8_t* follower_row(unsigned value) {
    return G.window.data() + OUT_WINDOW + FOLLOWER_ROW * value;
}


}  // namespace

void read_follower_sets() {
    for (int x = 255; x >= 0; --x) {
        const unsigned count = take_held_bits(6);
        follower_count[static_cast<size_t>(x)] = static_cast<uint8_t>(count);
        uint8_t* row = follower_row(static_cast<unsigned>(x));
        for (unsigned i = 0; i < count; ++i) row[i] = static_cast<uint8_t>(take_held_bits(8));
    }
}

int unreduce_member() {
    const unsigned factor_index = G.local.method >= 2 && G.local.method <= 5 ? G.local.method - 1u : 1u;
    const ReduceFactor& factor = reduce_factors[factor_index];
    read_follower_sets();

    // Kept wide so that members of 2 GiB and more are decoded in full.
    int64_t remaining = G.unpacked_size;
    uint8_t last = 0;
    int state = 0;
    unsigned saved = 0;
    unsigned length = 0;
    SlidingWindow out(OUT_WINDOW);

    while (remaining > 0) {
        unsigned byte;
        const unsigned set_size = follower_count[last];
        if (set_size == 0) {
            byte = take_held_bits(8);
        } else if (take_held_bits(1)) {
            byte = take_held_bits(8);
        } else {
            const unsigned index = take_held_bits(follower_index_bits[set_size]);
            byte = follower_row(last)[index];
        }
        if (G.input_exhausted) break;  // the data ended before the declared size

        switch (state) {
            case 0:
                if (byte == ESCAPE) {
                    state = 1;
                } else {
                    out.put(static_cast<uint8_t>(byte));
                    --remaining;
                }
                break;
            case 1:
                if (byte == 0) {
                    out.put(ESCAPE);
                    --remaining;
                    state = 0;
                } else {
                    saved = byte;
                    length = byte & factor.length_mask;
                    state = length == factor.length_mask ? 2 : 3;
                }
                break;
            case 2:
                length += byte;
                state = 3;
                break;
            default: {
                const uint32_t distance =
                    byte + ((saved >> factor.dist_shift) & factor.dist_mask) * 256u + 1u;
                out.copy_from(out.pos - distance, length + 3);
                remaining -= length + 3;
                state = 0;
                break;
            }
        }
        last = static_cast<uint8_t>(byte);
    }
    out.flush();
    return G.input_exhausted ? 1 : 0;
}
