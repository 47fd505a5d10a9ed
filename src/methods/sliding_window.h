// The output window of explode and unreduce: the first `size` bytes of the
// engine's window (a power of two), written out whenever it fills. Until it is
// first written out, copies that reach before the member's first byte produce
// zero bytes rather than whatever an earlier member left there.
//
// The method's input cursor is handed back to the engine around every
// write_out(), which may cut the member's input off. Everything here is
// inlined into the method's loop, so that the window position and the
// method's bit reader stay in registers: no call but write_out() sees them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/globals.h"
#include "engine/io.h"
#include "methods/input_cursor.h"

struct SlidingWindow {
    // A copy within the current pass writes whole 8-byte words and may run up
    // to 7 bytes past its end; those bytes lie ahead of the output position,
    // farther back than any copy distance reaches, and are written over before
    // the window is passed on.
    static constexpr uint32_t COPY_SLACK = 8;

    uint8_t* const w;
    const uint32_t size;
    uint32_t pos = 0;
    bool unwrapped = true;  // not yet written out
    InputCursor* const input;

    SlidingWindow(uint32_t window_size, InputCursor* cursor)
        : w(G.window.data()), size(window_size), input(cursor) {}

    [[gnu::always_inline]] void put(uint8_t byte) {
        w[pos] = byte;
        if (++pos == size) wrap();
    }

    // Copies `length` bytes from window position `source` (taken modulo the size);
    // overlapping copies repeat bytes.
    [[gnu::always_inline]] void copy_from(uint32_t source, uint32_t length) {
        source &= size - 1;
        if (source < pos && uint64_t{pos} + length + COPY_SLACK <= size) {
            // The common case: the source lies behind in this pass, and the copy
            // ends well before the window fills.
            uint8_t* d = w + pos;
            const uint8_t* s = w + source;
            const uint32_t distance = pos - source;
            uint8_t* const end = d + length;
            pos += length;
            if (distance >= 8) {
                // Each word read lies wholly before the bytes still to be written.
                do {
                    std::memcpy(d, s, 8);
                    d += 8;
                    s += 8;
                } while (d < end);
            } else if (distance == 1) {
                const uint64_t run = uint64_t{*s} * 0x0101010101010101u;
                do {
                    std::memcpy(d, &run, 8);
                    d += 8;
                } while (d < end);
            } else {
                while (d < end) *d++ = *s++;
            }
            return;
        }
        copy_pieces(source, length);
    }

    // Writes out what the window holds; the result of write_out.
    [[gnu::always_inline]] int flush() {
        input->store();
        const int r = write_out(w, pos, 0);
        input->load();
        return r;
    }

private:
    [[gnu::always_inline]] void wrap() {
        input->store();
        write_out(w, size, 0);
        input->load();
        pos = 0;
        unwrapped = false;
    }

    // Any copy, in pieces that end at the window's end.
    [[gnu::always_inline]] void copy_pieces(uint32_t source, uint32_t length) {
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
            pos += piece;
            if (pos == size) wrap();
        }
    }
};
