// Buffered archive input, member output with CRC-32 (engine/crc32.h) and line-end
// conversion, the disk-full question, and the little-endian readers and bit masks
// the methods share.
//
// Decompression methods read their input only through next_byte() and write
// their output only through write_out().
#pragma once

#include <array>
#include <cstdint>

#include "engine/crc32.h"
#include "engine/globals.h"

// (1 << n) - 1 for n = 0..16.
inline constexpr std::array<uint16_t, 17> low_bit_masks = [] {
    std::array<uint16_t, 17> m{};
    for (int n = 0; n <= 16; ++n) m[n] = static_cast<uint16_t>((1u << n) - 1u);
    return m;
}();

inline uint16_t get_u16le(const uint8_t* b) {
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
inline uint32_t get_u32le(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

// Reads the next archive block; -1 at the end of the archive or on a read error.
// While a member is decrypted, the block is decrypted as it comes in.
int refill_byte();

// The next compressed byte of the current member, or -1 once its compressed size
// (packed_left) is used up; packed_left then goes on counting down.
inline int next_byte() {
    if (G.packed_left <= 0) {
        --G.packed_left;
        return -1;
    }
    --G.packed_left;
    if (--G.input_left >= 0) return *G.input_pos++;
    return refill_byte();
}

// The next run of the member's compressed bytes, at most `max` and at most the
// packed_left still due: points *run at it and takes it (the run stays valid
// until the next read of the archive). Returns its length, or 0 where next_byte
// would return -1: the data is used up, or the archive has ended (packed_left
// is then 0). Whole blocks come straight from the read-ahead buffer, in runs of
// up to READ_AHEAD_SIZE bytes (not while a member is decrypted: then runs of
// at most one input block); the block state afterwards is the one next_byte
// leaves after the same bytes.
long take_input(const uint8_t** run, long max);

// Copies `count` archive bytes through the buffer. Returns the number copied
// (short at the end of the archive), or -1 after a read error (reported).
long read_bytes(uint8_t* dest, long count);

// Passes a block of member output on: CRC update, line-end conversion for text
// members, one low-level write. `from_unshrink` selects the conversion target of
// unshrink. Returns 0 or ENG_DISK_FULL.
int write_out(const uint8_t* block, uint32_t size, int from_unshrink);

// The disk-full question; sets disk_full_state and returns ENG_DISK_FULL.
int ask_disk_full();

// Reads one answer line from standard input into answer_buf (at most ANSWER_MAX
// characters kept, the rest of the line dropped). When nothing can be read the
// previous content stays. Returns false at end of input.
bool read_answer_line();

// Opens archive_name read-only; 0 or -1.
int open_archive();

// Resets the per-member output state before a method runs: the CRC, the bit
// reader, a clean window (no byte of an earlier member is reachable), and no
// output limit.
void begin_member_output();

// True once the member's method produced more than its declared size; the
// method stops decoding.
inline bool output_overflowed() { return G.output_overflow; }
