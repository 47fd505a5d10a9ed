// The bit reader that unshrink and unreduce share: up to 16 bits at a time,
// least significant bit first, held in G.held_bits / G.held_bit_count.
#pragma once

#include <cstdint>

#include "engine/globals.h"
#include "engine/io.h"

// The bit count after `n` bits are used. Past the end of the data it goes
// below zero, which stops any further refill; it is held at -32 there, so that
// it cannot run out of range however long a damaged member keeps asking.
inline int32_t held_count_after(int n) {
    return G.held_bit_count - n < -32 ? -32 : G.held_bit_count - n;
}

// Returns the next `n` bits (n at most 16). When bits are needed and not one
// byte could be added, G.input_exhausted is set and the missing bits read as
// zeros; the count may then go below zero, which stops any further refill.
inline unsigned take_held_bits(int n) {
    if (G.held_bit_count < n) {
        G.input_exhausted = true;
        if (static_cast<uint32_t>(G.held_bit_count) <= 24) {
            for (;;) {
                const int b = next_byte();
                if (b == -1) break;
                G.held_bits |= static_cast<uint32_t>(b) << G.held_bit_count;
                G.held_bit_count += 8;
                G.input_exhausted = false;
                if (G.held_bit_count > 24) break;
            }
        }
    }
    const unsigned value = (G.held_bits & 0xFFFFu) & low_bit_masks[static_cast<size_t>(n)];
    G.held_bits >>= n;
    G.held_bit_count = held_count_after(n);
    return value;
}
