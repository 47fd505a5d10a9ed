// The output window of explode and unreduce: the first `size` bytes of the
// engine's window (a power of two), written out whenever it fills. Until it is
// first written out, copies that reach before the member's first byte produce
// zero bytes rather than whatever an earlier member left there.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/globals.h"
#include "engine/io.h"

struct SlidingWindow {
    uint32_t size;
    uint32_t pos = 0;
    bool unwrapped = true;  // not yet written out

    explicit SlidingWindow(uint32_t window_size) : size(window_size) {}

    void advance(uint32_t n) {
        pos += n;
        if (pos == size) {
            write_out(G.window.data(), size, 0);
            pos = 0;
            unwrapped = false;
        }
    }

    void put(uint8_t byte) {
        G.window[pos] = byte;
        advance(1);
    }

    // Copies `length` bytes from window position `source` (taken modulo the size),
    // in pieces that end at the window's end; overlapping copies repeat bytes.
    void copy_from(uint32_t source, uint32_t length) {
        uint8_t* w = G.window.data();
        while (length > 0) {
            source &= size - 1;
            const uint32_t piece = std::min(size - std::max(source, pos), length);
            if (unwrapped && pos <= source) {
                std::memset(w + pos, 0, piece);
            } else if (pos - source >= piece) {
                std::memcpy(w + pos, w + source, piece);
            } else {
                for (uint32_t i = 0; i < piece; ++i) w[pos + i] = w[source + i];
            }
            source += piece;
            length -= piece;
            advance(piece);
        }
    }

    // Writes out what the window holds; the result of write_out.
    int flush() { return write_out(G.window.data(), pos, 0); }
};
