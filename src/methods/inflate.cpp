// Methods 8 and 9: decodes a deflate or deflate64 stream of stored,
// fixed-code and dynamic-code blocks. The window is the sliding dictionary and
// the output buffer at once; it is passed to write_out() each time it fills and
// once more at the end of the member. Deflate uses the engine's 32 KiB window;
// deflate64 differs only in its window of 64 KiB, allocated for the member,
// and in three codes (inflate.h), so one decoder, instantiated for each
// format, reads both.
#include "methods/inflate.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "engine/io.h"
#include "methods/methods.h"

namespace {

// What tells the two formats apart.
struct Deflate {
    static constexpr uint32_t window_bytes = WINDOW_SIZE;
    static constexpr const uint16_t* length_bases = length_base.data();
    static constexpr const uint8_t* length_extras = length_extra.data();
    static constexpr const uint16_t* dist_bases = dist_base.data();
    static constexpr const uint8_t* dist_extras = dist_extra.data();
    // Fixed distance codes: 30 of the 32 five-bit codes (an incomplete set).
    static constexpr unsigned fixed_dist_count = 30;
    // Whether a length or a distance may take more than 13 extra bits.
    static constexpr bool long_extras = false;
};

struct Deflate64 {
    static constexpr uint32_t window_bytes = 65536;
    static constexpr const uint16_t* length_bases = length64_base.data();
    static constexpr const uint8_t* length_extras = length64_extra.data();
    static constexpr const uint16_t* dist_bases = dist64_base.data();
    static constexpr const uint8_t* dist_extras = dist64_extra.data();
    static constexpr unsigned fixed_dist_count = 32;
    static constexpr bool long_extras = true;
};

// The window of the member being decoded (G.window, or the deflate64 window).
uint8_t* window_base = nullptr;

// Bit state between the block decoders of one member (see Bits).
uint64_t saved_hold = 0;
unsigned saved_count = 0;
int saved_spare = 0;

uint32_t window_pos = 0;  // next write position in the window, 0..its size

// Whether the window was written out in this member: until then a distance may
// reach back only as far as the member's own first byte.
bool window_wrapped = false;

// Storage of one packed table, allocated on first use in an engine run and
// kept until release_fixed_tables().
struct TableStore {
    std::unique_ptr<uint32_t[]> entries;
    size_t capacity;

    // False when memory runs out.
    bool ready() {
        if (entries) return true;
        try {
            entries = std::make_unique_for_overwrite<uint32_t[]>(capacity);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
};

// Entries for codes of up to 15 bits: the root and a subtable per longer code.
constexpr size_t deflate_capacity(unsigned n, unsigned root_bits) {
    const size_t root = size_t{1} << root_bits;
    return root + std::min<size_t>(n, root) * (size_t{1} << (15 - root_bits));
}

TableStore code_length_store{nullptr, size_t{1} << code_length_lookup_bits};
TableStore litlen_store{nullptr, deflate_capacity(288, litlen_packed_bits)};
TableStore dist_store{nullptr, deflate_capacity(32, dist_packed_bits)};
// The fixed-code tables of each format: every code fits the root.
template <class F>
struct FixedTables {
    static inline TableStore litlen_store{nullptr, 512};
    static inline TableStore dist_store{nullptr, 32};
    static inline PackedTable litlen;
    static inline PackedTable dist;

    static void release() {
        litlen = PackedTable{};
        dist = PackedTable{};
        litlen_store.entries.reset();
        dist_store.entries.reset();
    }
};

// Code lengths of a dynamic block: literal/length codes, then distance codes.
std::array<unsigned, 288 + 32> code_lengths{};

uint64_t load_le64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

// The bit reader: a 64-bit buffer of input bits, least significant first,
// refilled eight bytes at a time straight from the input block while the block
// and the member's data both have that many left, and byte by byte through
// next_byte() near either edge; past the end of the member's data next_byte()
// yields -1, which enters as 1-bits. Bits above `count` may hold the next input
// bytes already; a refill puts the same bytes there again.
//
// The buffer runs ahead of need. A truncated stream must stop where a reader
// that fetches only what each step asks for would stop, so `spare` counts the
// bits at the top of the buffer that such a reader would not have fetched yet:
// its whole bytes still count as the member's data left (packed_left). Table
// lookups lower it by the reach their entries record; a step that takes bits
// outright asks for no more than it uses, so settle() catches up with those
// only where the count is consulted.
struct Bits {
    uint64_t hold;
    unsigned count;
    int spare;

    static Bits load() { return Bits{saved_hold, saved_count, saved_spare}; }
    void store() {
        settle();
        saved_hold = hold;
        saved_count = count;
        saved_spare = spare;
    }
    void settle() { spare = std::min(spare, static_cast<int>(count)); }

    // Brings the buffer to at least 56 bits.
    void refill() {
        if (G.input_left >= 8 && G.packed_left >= 8) {
            hold |= load_le64(G.input_pos) << count;
            const unsigned bytes = (63 - count) >> 3;
            G.input_pos += bytes;
            G.input_left -= static_cast<int32_t>(bytes);
            G.packed_left -= bytes;
            count += bytes * 8;
            spare += static_cast<int>(bytes * 8);
            return;
        }
        while (count < 56) {
            hold |= static_cast<uint64_t>(static_cast<uint8_t>(next_byte())) << count;
            count += 8;
            spare += 8;
        }
    }
    void need(unsigned n) {
        if (count < n) refill();
    }
    void drop(unsigned n) {
        hold >>= n;
        count -= n;
    }
    uint32_t take(unsigned n) {
        need(n);
        const uint32_t v = static_cast<uint32_t>(hold) & low_bit_masks[n];
        drop(n);
        return v;
    }
    // A lookup that reads `reach` bits from here on.
    // The member's data left, as the need-only reader would see it.
    int64_t packed_left() {
        settle();
        return G.packed_left + (spare >> 3);
    }
    // True once the decoder has asked for more bytes beyond the member's data
    // than any valid stream needs (the stream is truncated), or once it
    // produced more than the member's declared size: decoding stops.
    bool overrun() { return packed_left() < -inflate_overrun_limit || output_overflowed(); }
};

// The final entry of the code at the front of the buffer (at least 15 bits
// held), its bits still there; a link takes the root's bits.
inline uint32_t lookup(Bits& in, const uint32_t* table, uint64_t root_mask, unsigned root_bits) {
    const unsigned start = in.count;
    uint32_t e = table[in.hold & root_mask];
    if (packed_kind(e) == PACKED_LINK) {
        in.drop(root_bits);
        e = table[packed_value(e) + (in.hold & low_bit_masks[packed_reach(e)])];
    }
    in.spare = std::min(in.spare, static_cast<int>(start) - static_cast<int>(packed_reach(e)));
    return e;
}

// Decoder state ends up where the next block starts.
int finish(Bits& in, uint32_t pos, int result) {
    in.store();
    window_pos = pos;
    return result;
}

template <class F>
void flush_window(uint32_t& pos) {
    write_out(window_base, F::window_bytes, 0);
    pos = 0;
    window_wrapped = true;
}

// Builds the fixed-code tables once; 0, or 3 when memory runs out (nothing
// is then taken as built).
template <class F>
int ensure_fixed_tables() {
    using T = FixedTables<F>;
    if (T::litlen.entries) return 0;
    if (!T::litlen_store.ready() || !T::dist_store.ready()) return 3;
    std::array<unsigned, 288> lengths{};
    for (unsigned s = 0; s < 144; ++s) lengths[s] = 8;
    for (unsigned s = 144; s < 256; ++s) lengths[s] = 9;
    for (unsigned s = 256; s < 280; ++s) lengths[s] = 7;
    for (unsigned s = 280; s < 288; ++s) lengths[s] = 8;
    PackedTable litlen;
    int r = build_packed_table(lengths.data(), 288, 257, F::length_bases, F::length_extras,
                               fixed_litlen_lookup_bits, 9, T::litlen_store.entries.get(),
                               T::litlen_store.capacity, &litlen);
    if (r != 0) return r;
    // Deflate's 30 five-bit codes of 32 are incomplete, which is accepted here.
    for (unsigned s = 0; s < F::fixed_dist_count; ++s) lengths[s] = 5;
    r = build_packed_table(lengths.data(), F::fixed_dist_count, 0, F::dist_bases, F::dist_extras,
                           fixed_dist_lookup_bits, 5, T::dist_store.entries.get(),
                           T::dist_store.capacity, &T::dist);
    if (r > 1) return r;
    T::litlen = litlen;
    return 0;
}

template <class F> int inflate_one_block(int* last);
template <class F> int copy_stored_block();
template <class F> int decode_fixed_block();
template <class F> int decode_dynamic_block();
template <class F> int decode_block_codes(const PackedTable& litlen, const PackedTable& dist);

// Decodes the member into the window at `window`.
template <class F>
int inflate_stream(uint8_t* window) {
    window_base = window;
    window_pos = 0;
    window_wrapped = false;
    saved_hold = 0;
    saved_count = 0;
    saved_spare = 0;
    int last = 0;
    int r = 0;
    do {
        r = inflate_one_block<F>(&last);
    } while (r == 0 && !last);
    // Bytes fetched ahead of need go back to the member's count.
    Bits in = Bits::load();
    G.packed_left = in.packed_left();
    saved_spare = 0;
    if (r != 0) return r;
    // The last block ran on missing bytes.
    if (G.packed_left < -inflate_overrun_limit || output_overflowed()) return 1;
    write_out(window, window_pos, 0);
    return 0;
}

template <class F>
int inflate_one_block(int* last) {
    Bits in = Bits::load();
    if (in.overrun()) return 1;
    *last = static_cast<int>(in.take(1));
    const uint32_t type = in.take(2);
    in.store();
    switch (type) {
    case 0: return copy_stored_block<F>();
    case 1: return decode_fixed_block<F>();
    case 2: return decode_dynamic_block<F>();
    default: return 2;
    }
}

template <class F>
int copy_stored_block() {
    Bits in = Bits::load();
    in.drop(in.count & 7);
    const uint32_t len = in.take(16);
    const uint32_t nlen = in.take(16);
    uint32_t pos = window_pos;
    if (len != (~nlen & 0xFFFFu)) return finish(in, pos, 1);

    uint8_t* const window = window_base;
    for (uint32_t left = len; left > 0;) {
        if (in.overrun()) return finish(in, pos, 1);
        const uint8_t* run = nullptr;
        const bool direct = in.count == 0 && G.packed_left > 0;
        const long got =
            direct ? take_input(&run, static_cast<long>(std::min(left, F::window_bytes - pos))) : 0;
        if (direct && got == 0) {
            // The archive ended inside the member's data: this byte reads as -1
            // and the data counts as used up, as next_byte() leaves it.
            window[pos++] = 0xFF;
            --left;
        } else if (got > 0) {
            // Straight from the input, up to the member's end or the window's end.
            std::memcpy(window + pos, run, static_cast<size_t>(got));
            in.hold = 0;  // it held copies of these bytes
            pos += static_cast<uint32_t>(got);
            left -= static_cast<uint32_t>(got);
        } else {
            window[pos++] = static_cast<uint8_t>(in.take(8));
            --left;
        }
        if (pos == F::window_bytes) flush_window<F>(pos);
    }
    return finish(in, pos, 0);
}

template <class F>
int decode_fixed_block() {
    const int r = ensure_fixed_tables<F>();
    if (r != 0) return r;
    return decode_block_codes<F>(FixedTables<F>::litlen, FixedTables<F>::dist) != 0 ? 1 : 0;
}

template <class F>
int decode_dynamic_block() {
    Bits in = Bits::load();
    const unsigned litlen_count = in.take(5) + 257;  // at most 288
    const unsigned dist_count = in.take(5) + 1;      // at most 32
    const unsigned header_count = in.take(4) + 4;    // at most 19

    for (unsigned i = 0; i < header_count; ++i) code_lengths[code_length_order[i]] = in.take(3);
    for (unsigned i = header_count; i < code_length_order.size(); ++i)
        code_lengths[code_length_order[i]] = 0;
    in.store();
    if (in.overrun()) return 1;
    if (!code_length_store.ready()) return 3;

    PackedTable lengths_table;
    int r = build_packed_table(code_lengths.data(), 19, 19, nullptr, nullptr,
                               code_length_lookup_bits, code_length_lookup_bits,
                               code_length_store.entries.get(), code_length_store.capacity,
                               &lengths_table);
    if (r != 0) return r;
    if (!lengths_table.entries) return 1;  // no code-length codes at all

    const uint32_t* const table = lengths_table.entries;
    const unsigned root_bits = lengths_table.root_bits;
    const uint64_t root_mask = low_bit_masks[root_bits];
    // Every way out leaves the bit state where decoding stopped.
    auto stop = [&](int result) {
        in.store();
        return result;
    };
    const unsigned total = litlen_count + dist_count;
    unsigned previous = 0;
    for (unsigned i = 0; i < total;) {
        if (in.overrun()) return stop(1);
        in.need(16);
        const uint32_t e = lookup(in, table, root_mask, root_bits);
        // Only code-length symbols are valid; the unused code of a set with a
        // single one-bit code is not.
        if (packed_kind(e) != DECODE_LITERAL) return stop(1);
        in.drop(packed_bits(e));
        const unsigned symbol = packed_value(e);
        if (symbol < 16) {
            code_lengths[i++] = previous = symbol;
            continue;
        }
        unsigned run;
        unsigned value = 0;
        if (symbol == 16) {
            run = 3 + in.take(2);
            value = previous;
        } else if (symbol == 17) {
            run = 3 + in.take(3);
        } else {
            run = 11 + in.take(7);
        }
        if (symbol != 16) previous = 0;
        if (run > total - i) return stop(1);
        for (; run > 0; --run) code_lengths[i++] = value;
    }
    in.store();
    if (in.overrun()) return 1;

    if (!litlen_store.ready()) return 3;
    PackedTable litlen;
    r = build_packed_table(code_lengths.data(), litlen_count, 257, F::length_bases,
                           F::length_extras, litlen_lookup_bits, litlen_packed_bits,
                           litlen_store.entries.get(), litlen_store.capacity, &litlen);
    if (r != 0) {
        if (r == 1 && G.quiet_level == 0) std::fputs("(incomplete l-tree)  ", stderr);
        return r;
    }
    if (!litlen.entries) return 1;  // no literal/length codes at all

    if (!dist_store.ready()) return 3;
    PackedTable dist;
    r = build_packed_table(code_lengths.data() + litlen_count, dist_count, 0, F::dist_bases,
                           F::dist_extras, dist_lookup_bits, dist_packed_bits,
                           dist_store.entries.get(), dist_store.capacity, &dist);
    if (r == 1) {
        if (G.quiet_level == 0) std::fputs("(incomplete d-tree)  ", stderr);
    } else if (r != 0) {
        return r;
    }
    return decode_block_codes<F>(litlen, dist) != 0 ? 1 : 0;
}

// Whether an entry's kind is a length or distance with 14 to 16 extra bits
// (deflate64 only: deflate's tables have no such entries).
template <class F>
[[gnu::always_inline]] inline bool long_extra(uint32_t kind) {
    if constexpr (F::long_extras)
        return kind >= PACKED_LONG_EXTRA + 14 && kind <= PACKED_LONG_EXTRA + 16;
    return false;
}

// Decodes literals and matches with the given tables up to the end-of-block
// code: 0 at the end of block, 1 at an invalid code or truncated input. An
// empty distance table makes any match invalid.
template <class F>
int decode_block_codes(const PackedTable& litlen, const PackedTable& dist) {
    constexpr uint32_t WINDOW_BYTES = F::window_bytes;
    Bits in = Bits::load();
    uint8_t* const window = window_base;
    uint32_t pos = window_pos;
    const uint32_t* const lit_table = litlen.entries;
    const unsigned lit_bits = litlen.root_bits;
    const uint64_t lit_mask = low_bit_masks[lit_bits];
    const uint32_t* const dist_table = dist.entries;
    const unsigned dist_bits = dist.root_bits;
    const uint64_t dist_mask = low_bit_masks[dist_bits];

    // The input block is read through a local cursor; `fast_end` is the last
    // position from which eight bytes of the block and of the member's data
    // can be loaded. sync() hands the cursor back to the globals.
    const uint8_t* cursor = G.input_pos;
    const uint8_t* fast_end = cursor;
    auto reload = [&] {
        cursor = G.input_pos;
        const int64_t room = std::min<int64_t>(G.input_left, G.packed_left) - 8;
        fast_end = room >= 0 ? cursor + room : nullptr;
    };
    auto sync = [&] {
        const int32_t used = static_cast<int32_t>(cursor - G.input_pos);
        G.input_pos += used;
        G.input_left -= used;
        G.packed_left -= used;
    };
    auto done = [&](int result) {
        sync();
        return finish(in, pos, result);
    };
    reload();

    // The buffer is refilled below 48 bits, which hold a whole match of
    // deflate: 15 + 5 for its length, 15 + 13 for its distance. A match of
    // deflate64 may take 31 + 29 bits; its distance gets a refill of its own.
    // While the member's data may be used up or a window has been written (the
    // output may have overflowed), every symbol is checked first: the
    // threshold is then above any count.
    constexpr unsigned REFILL = 48;
    constexpr unsigned ALWAYS = 64;
    unsigned check_below = ALWAYS;
    auto refill = [&] {
        if (fast_end && cursor <= fast_end) {
            in.hold |= load_le64(cursor) << in.count;
            const unsigned bytes = (63 - in.count) >> 3;
            cursor += bytes;
            in.count += bytes * 8;
            in.spare += static_cast<int>(bytes * 8);
        } else {
            sync();
            in.refill();
            reload();
            if (G.packed_left < 0) check_below = ALWAYS;
        }
    };

    for (;;) {
        if (in.count < check_below) {
            if (in.count < REFILL) refill();
            if (check_below == ALWAYS) {
                sync();
                reload();
                if (in.overrun()) return done(1);
                if (G.packed_left >= 0) check_below = REFILL;
            }
        }
        uint32_t e = lookup(in, lit_table, lit_mask, lit_bits);
        in.drop(packed_bits(e));
        uint32_t kind = packed_kind(e);
        if (kind == DECODE_LITERAL) {
            window[pos++] = static_cast<uint8_t>(packed_value(e));
            if (pos == WINDOW_BYTES) {
                flush_window<F>(pos);
                check_below = ALWAYS;
            }
            continue;
        }
        if (kind > 13) {
            if (!long_extra<F>(kind)) return done(kind == DECODE_END_OF_BLOCK ? 0 : 1);
            kind -= PACKED_LONG_EXTRA;
        }

        // A match: its length, then its distance.
        uint32_t length = packed_value(e) + (static_cast<uint32_t>(in.hold) & low_bit_masks[kind]);
        in.drop(kind);
        if (!dist_table) return done(1);  // no distance codes in this block
        if constexpr (F::long_extras) {
            if (in.count < 29) refill();
        }
        e = lookup(in, dist_table, dist_mask, dist_bits);
        in.drop(packed_bits(e));
        kind = packed_kind(e);
        if (kind > 13) {
            if (!long_extra<F>(kind)) return done(1);
            kind -= PACKED_LONG_EXTRA;
        }
        const uint32_t distance =
            packed_value(e) + (static_cast<uint32_t>(in.hold) & low_bit_masks[kind]);
        in.drop(kind);
        if (!window_wrapped && distance > pos) return done(1);

        uint32_t source = (pos - distance) & (WINDOW_BYTES - 1);
        if (length <= WINDOW_BYTES - pos && length <= WINDOW_BYTES - source) {
            // Neither end wraps. A source behind the destination repeats the
            // bytes just written where they overlap; one ahead of it (from the
            // previous round of the window) is read before it is overwritten.
            uint8_t* const to = window + pos;
            const uint8_t* const from = window + source;
            const uint32_t gap = source < pos ? pos - source : source - pos;
            pos += length;
            if (gap >= 8) {
                // Words of eight: each reads only bytes already final.
                if (length >= 8) {
                    uint32_t i = 0;
                    do {
                        std::memcpy(to + i, from + i, 8);
                        i += 8;
                    } while (i + 8 <= length);
                    if (i < length) std::memcpy(to + length - 8, from + length - 8, 8);
                } else if (length >= 4) {
                    std::memcpy(to, from, 4);
                    std::memcpy(to + length - 4, from + length - 4, 4);
                } else {
                    to[0] = from[0];
                    to[1] = from[1];
                    to[2] = from[2];
                }
            } else if (distance == 1) {
                std::memset(to, from[0], length);
            } else {
                for (uint32_t i = 0; i < length; ++i) to[i] = from[i];
            }
            if (pos == WINDOW_BYTES) {
                flush_window<F>(pos);
                check_below = ALWAYS;
            }
            continue;
        }

        // Copy in pieces that end at the window's end or at the source's
        // wrap-around. A source less than a piece behind the destination
        // overlaps it and repeats the bytes just written, so that piece goes
        // byte by byte.
        while (length > 0) {
            source &= WINDOW_BYTES - 1;
            uint32_t piece = WINDOW_BYTES - (source > pos ? source : pos);
            if (piece > length) piece = length;
            length -= piece;
            if (pos - source >= piece) {
                std::memmove(window + pos, window + source, piece);
                pos += piece;
                source += piece;
            } else {
                for (uint32_t i = 0; i < piece; ++i) window[pos++] = window[source++];
            }
            if (pos == WINDOW_BYTES) {
                flush_window<F>(pos);
                check_below = ALWAYS;
            }
        }
    }
}

}  // namespace

int inflate_member() { return inflate_stream<Deflate>(G.window.data()); }

int inflate64_member() {
    // The window of 64 KiB, for this member only.
    std::unique_ptr<uint8_t[]> window;
    try {
        window = std::make_unique<uint8_t[]>(Deflate64::window_bytes);
    } catch (const std::bad_alloc&) {
        return 3;
    }
    const int r = inflate_stream<Deflate64>(window.get());
    window_base = nullptr;
    return r;
}

void release_fixed_tables() {
    FixedTables<Deflate>::release();
    FixedTables<Deflate64>::release();
    for (TableStore* store : {&code_length_store, &litlen_store, &dist_store}) store->entries.reset();
}
