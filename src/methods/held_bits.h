// The bit reader that unshrink and unreduce share: up to 16 bits at a time,
// least significant bit first, held in G.held_bits / G.held_bit_count.
//
// When bits are needed, whole bytes are added until more than 24 bits are held.
// When bits are needed and not one byte could be added, G.input_exhausted is
// set and the missing bits read as zeros; the count may then go below zero,
// which stops any further refill. It is held at -32 there, so that it cannot
// run out of range however long a damaged member keeps asking.
#pragma once

#include <cstdint>

#include "engine/globals.h"
#include "engine/io.h"
#include "methods/input_cursor.h"

// The bit count after `n` bits are used.
inline int32_t held_count_after(int32_t count, int n) {
    return count - n < -32 ? -32 : count - n;
}

// The reader for a decoding loop: the held bits and the input position in
// locals. load() takes the state from the globals, store() hands it back;
// the bytes taken and the bits returned are the same as take_held_bits' below.
struct HeldBitReader {
    uint32_t bits = 0;
    int32_t count = 0;
    bool exhausted = false;
    InputCursor input;

    void load() {
        bits = G.held_bits;
        count = G.held_bit_count;
        exhausted = G.input_exhausted;
        input.load();
    }
    void store() {
        G.held_bits = bits;
        G.held_bit_count = count;
        G.input_exhausted = exhausted;
        input.store();
    }

    [[gnu::always_inline]] unsigned take(int n) {
        if (count < n) [[unlikely]] {
            refill();
            // Short of bits at the end of the data: zeros come in, and the
            // count may go below zero (held at -32).
            if (count < n) [[unlikely]] {
                const unsigned value = bits & ((1u << n) - 1u);
                bits >>= n;
                count = held_count_after(count, n);
                return value;
            }
        }
        const unsigned value = bits & ((1u << n) - 1u);
        bits >>= n;
        count -= n;
        return value;
    }

private:
    [[gnu::always_inline]] void refill() {
        exhausted = true;
        if (static_cast<uint32_t>(count) > 24) return;
        if (input.avail >= 4) [[likely]] {
            // The bytes that bring the count above 24, all at once.
            const unsigned k = (32u - static_cast<unsigned>(count)) >> 3;
            const uint64_t taken = load_le<uint32_t>(input.pos) & ((uint64_t{1} << (8 * k)) - 1u);
            bits |= static_cast<uint32_t>(taken << count);
            input.pos += k;
            input.avail -= k;
            count += static_cast<int32_t>(8 * k);
            exhausted = false;
            return;
        }
        input.store();
        for (;;) {
            const int b = next_byte();
            if (b == -1) break;
            bits |= static_cast<uint32_t>(b) << count;
            count += 8;
            exhausted = false;
            if (count > 24) break;
        }
        input.load();
    }
};

// Returns the next `n` bits (n at most 16), through the globals.
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
    G.held_bit_count = held_count_after(G.held_bit_count, n);
    return value;
}
