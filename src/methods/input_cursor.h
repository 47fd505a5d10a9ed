// A method's local view of its compressed input: bytes are taken straight from
// the archive input block while both the block and the member's data have room,
// so that a decoding loop keeps its input position in registers instead of in
// the engine's globals (which every window store would force it to reload).
//
// The engine's input state (G.input_pos, G.input_left, G.packed_left) lags
// behind until store() hands the position back; a method stores before it
// calls next_byte() or write_out() and loads again afterwards (a failed write
// cuts the member's input off by clearing G.packed_left).
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/globals.h"

struct InputCursor {
    const uint8_t* pos = nullptr;
    const uint8_t* start = nullptr;  // G.input_pos as last loaded or stored
    int64_t avail = 0;               // bytes that may be taken at pos

    void load() {
        start = pos = G.input_pos;
        avail = std::max<int64_t>(0, std::min<int64_t>(G.input_left, G.packed_left));
    }

    void store() {
        const int32_t taken = static_cast<int32_t>(pos - start);
        G.input_pos += taken;
        G.input_left -= taken;
        G.packed_left -= taken;
        start = pos;
    }
};

// Little-endian loads of input and window bytes.
template <typename T>
inline T load_le(const uint8_t* p) {
    T v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, p, sizeof v);
    } else {
        for (size_t i = 0; i < sizeof v; ++i) v |= static_cast<T>(p[i]) << (8 * i);
    }
    return v;
}
