// Test encoder for method 1 (shrink), written from the format description:
// LZW with codes of 9 to 13 bits, least significant bit first; control code
// 256 followed by sub-code 1 widens the codes by one bit, followed by
// sub-code 2 frees every code from 257 below the next free code that no other
// such code extends (a partial clear). New codes take the lowest free code.
#pragma once

#include <cstdint>

#include "support/zip_writer.h"

namespace tz {

struct ShrinkOptions {
    // Partial clear after every `clear_every` data codes (0: never).
    int clear_every = 0;
    // Partial clear whenever the code space (8192 codes) is full.
    bool clear_when_full = false;
    // Widen to 13 bits right after the first code instead of when a code needs it.
    bool widen_early = false;
};

struct ShrinkStats {
    uint64_t codes = 0;          // data codes written
    uint64_t clears = 0;         // partial clears written
    int final_width = 9;
    int most_codes_in_use = 257; // highest next-free-code value reached
    uint64_t reused_codes = 0;   // codes assigned again after a partial clear
    uint64_t undefined_codes = 0;  // codes sent before the decoder can know them
    uint64_t dead_prefixes = 0;  // codes defined on a code that a clear had just freed
};

Bytes shrink(const Bytes& data, const ShrinkOptions& options = {}, ShrinkStats* stats = nullptr);

}  // namespace tz
