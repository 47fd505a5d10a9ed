// Method 8: decodes a deflate stream of stored, fixed-code and dynamic-code
// blocks. The engine's 32 KiB window is the sliding dictionary and the output
// buffer at once; it is passed to write_out() each time it fills and once more
// at the end of the member.
#include "methods/inflate.h"

#include <cstdio>
#include <cstring>

#include "engine/io.h"
#include "methods/methods.h"

namespace {

// State shared by the block decoders of one member. Each decoder works on local
// copies and stores them back when it returns.
uint32_t window_pos = 0;          // next write position in G.window, 0..32768
uint32_t inflate_bit_buffer = 0;  // bits taken from the input, not yet used
uint32_t inflate_bit_count = 0;

// The fixed-code tables, built on the first fixed block of an engine run.
DecodeEntry* fixed_litlen_table = nullptr;
DecodeEntry* fixed_dist_table = nullptr;
int fixed_litlen_bits = 0;
int fixed_dist_bits = 0;

// Code lengths of a dynamic block: literal/length codes, then distance codes.
std::array<unsigned, 288 + 32> code_lengths{};
std::array<unsigned, 288> fixed_lengths{};

constexpr uint32_t WINDOW_BYTES = WINDOW_SIZE;

// True once the decoder has asked for more bytes beyond the member's data than
// any valid stream needs (the stream is truncated), or once it produced more
// than the member's declared size: decoding stops.
bool input_overrun() { return G.packed_left < -inflate_overrun_limit || output_overflowed(); }

// Whether the window was written out in this member: until then a distance may
// reach back only as far as the member's own first byte.
bool window_wrapped = false;

bool reaches_before_start(uint32_t pos, uint32_t distance) { return !window_wrapped && distance > pos; }

// Local copy of the bit state. Bytes enter above the bits held; past the end
// of the member's data next_byte() yields -1, which enters as 1-bits.
struct BitReader {
    uint32_t buffer;
    uint32_t count;

    static BitReader load() { return BitReader{inflate_bit_buffer, inflate_bit_count}; }
    void store() const {
        inflate_bit_buffer = buffer;
        inflate_bit_count = count;
    }
    // Makes at least n (at most 16) bits available.
    void need(unsigned n) {
        while (count < n) {
            buffer |= static_cast<uint32_t>(next_byte()) << count;
            count += 8;
        }
    }
    uint32_t peek(unsigned n) const { return buffer & low_bit_masks[n]; }
    void drop(unsigned n) {
        buffer >>= n;
        count -= n;
    }
    uint32_t take(unsigned n) {
        need(n);
        const uint32_t v = peek(n);
        drop(n);
        return v;
    }
};

// Follows one code through a table and its subtables. Returns the final entry
// (its bits not yet used), or null at an invalid code.
const DecodeEntry* decode_symbol(BitReader& in, const DecodeEntry* table, unsigned width) {
    in.need(width);
    const DecodeEntry* e = &table[in.peek(width)];
    while (e->kind > DECODE_LITERAL) {
        if (e->kind > DECODE_LITERAL + 16) return nullptr;  // invalid code
        in.drop(e->bits);
        const unsigned sub = e->kind - DECODE_LITERAL;
        in.need(sub);
        e = &e->subtable[in.peek(sub)];
    }
    return e;
}

void flush_full_window(uint32_t& pos) {
    if (pos == WINDOW_BYTES) {
        write_out(G.window.data(), WINDOW_BYTES, 0);
        pos = 0;
        window_wrapped = true;
    }
}

}  // namespace

int inflate_member() {
    window_pos = 0;
    window_wrapped = false;
    inflate_bit_buffer = 0;
    inflate_bit_count = 0;
    int last = 0;
    do {
        const int r = inflate_one_block(&last);
        if (r != 0) return r;
    } while (!last);
    if (input_overrun()) return 1;  // the last block ran on missing bytes
    write_out(G.window.data(), window_pos, 0);
    return 0;
}

int inflate_one_block(int* last) {
    if (input_overrun()) return 1;
    BitReader in = BitReader::load();
    *last = static_cast<int>(in.take(1));
    const uint32_t type = in.take(2);
    in.store();
    switch (type) {
    case 0: return copy_stored_block();
    case 1: return decode_fixed_block();
    case 2: return decode_dynamic_block();
    default: return 2;
    }
}

int copy_stored_block() {
    BitReader in = BitReader::load();
    in.drop(in.count & 7);
    const uint32_t len = in.take(16);
    const uint32_t nlen = in.take(16);
    if (len != (~nlen & 0xFFFFu)) return 1;

    uint32_t pos = window_pos;
    for (uint32_t i = 0; i < len; ++i) {
        if (input_overrun()) return 1;
        G.window[pos++] = static_cast<uint8_t>(in.take(8));
        flush_full_window(pos);
    }
    window_pos = pos;
    in.store();
    return 0;
}

int decode_fixed_block() {
    if (!fixed_litlen_table) {
        for (unsigned s = 0; s < 144; ++s) fixed_lengths[s] = 8;
        for (unsigned s = 144; s < 256; ++s) fixed_lengths[s] = 9;
        for (unsigned s = 256; s < 280; ++s) fixed_lengths[s] = 7;
        for (unsigned s = 280; s < 288; ++s) fixed_lengths[s] = 8;
        fixed_litlen_bits = fixed_litlen_lookup_bits;
        int r = build_decode_table(fixed_lengths.data(), 288, 257, length_base.data(),
                                   length_extra.data(), &fixed_litlen_table, &fixed_litlen_bits);
        if (r != 0) {
            release_decode_table(fixed_litlen_table);
            fixed_litlen_table = nullptr;
            return r;
        }
        // 30 five-bit codes of 32: incomplete, which is accepted here.
        for (unsigned s = 0; s < 30; ++s) fixed_lengths[s] = 5;
        fixed_dist_bits = fixed_dist_lookup_bits;
        r = build_decode_table(fixed_lengths.data(), 30, 0, dist_base.data(), dist_extra.data(),
                               &fixed_dist_table, &fixed_dist_bits);
        if (r > 1) {
            release_decode_table(fixed_litlen_table);
            fixed_litlen_table = nullptr;
            return r;
        }
    }
    return decode_block_codes(fixed_litlen_table, fixed_dist_table, fixed_litlen_bits,
                              fixed_dist_bits) != 0
               ? 1
               : 0;
}

int decode_dynamic_block() {
    BitReader in = BitReader::load();
    const unsigned litlen_count = in.take(5) + 257;  // at most 288
    const unsigned dist_count = in.take(5) + 1;      // at most 32
    const unsigned header_count = in.take(4) + 4;    // at most 19

    for (unsigned i = 0; i < header_count; ++i) code_lengths[code_length_order[i]] = in.take(3);
    for (unsigned i = header_count; i < code_length_order.size(); ++i)
        code_lengths[code_length_order[i]] = 0;
    if (input_overrun()) return 1;

    int r;
    {
        OwnedDecodeTable lengths_table;
        int lengths_bits = code_length_lookup_bits;
        r = build_decode_table(code_lengths.data(), 19, 19, nullptr, nullptr, &lengths_table.root,
                               &lengths_bits);
        if (r != 0) return r;
        if (!lengths_table.root) return 1;  // no code-length codes at all

        const unsigned total = litlen_count + dist_count;
        unsigned previous = 0;
        for (unsigned i = 0; i < total;) {
            if (input_overrun()) return 1;
            const DecodeEntry* e =
                decode_symbol(in, lengths_table.root, static_cast<unsigned>(lengths_bits));
            // Only code-length symbols are valid; the unused code of a set with a
            // single one-bit code is not.
            if (!e || e->kind != DECODE_LITERAL) return 1;
            in.drop(e->bits);
            const unsigned symbol = e->value;
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
            if (run > total - i) return 1;
            for (; run > 0; --run) code_lengths[i++] = value;
        }
    }
    in.store();
    if (input_overrun()) return 1;

    OwnedDecodeTable litlen;
    int litlen_bits = litlen_lookup_bits;
    r = build_decode_table(code_lengths.data(), litlen_count, 257, length_base.data(),
                           length_extra.data(), &litlen.root, &litlen_bits);
    if (r != 0) {
        if (r == 1 && G.quiet_level == 0) std::fputs("(incomplete l-tree)  ", stderr);
        return r;
    }
    if (!litlen.root) return 1;  // no literal/length codes at all

    OwnedDecodeTable dist;
    int dist_bits = dist_lookup_bits;
    r = build_decode_table(code_lengths.data() + litlen_count, dist_count, 0, dist_base.data(),
                           dist_extra.data(), &dist.root, &dist_bits);
    if (r == 1) {
        if (G.quiet_level == 0) std::fputs("(incomplete d-tree)  ", stderr);
    } else if (r != 0) {
        return r;
    }
    return decode_block_codes(litlen.root, dist.root, litlen_bits, dist_bits) != 0 ? 1 : 0;
}

int decode_block_codes(const DecodeEntry* litlen, const DecodeEntry* dist, int litlen_bits,
                       int dist_bits) {
    BitReader in = BitReader::load();
    uint32_t pos = window_pos;
    uint8_t* const window = G.window.data();
    for (;;) {
        if (input_overrun()) return 1;
        const DecodeEntry* e = decode_symbol(in, litlen, static_cast<unsigned>(litlen_bits));
        if (!e) return 1;
        in.drop(e->bits);
        if (e->kind == DECODE_LITERAL) {
            window[pos++] = static_cast<uint8_t>(e->value);
            flush_full_window(pos);
            continue;
        }
        if (e->kind == DECODE_END_OF_BLOCK) {
            in.store();
            window_pos = pos;
            return 0;
        }

        // A match: its length, then its distance.
        uint32_t length = e->value + in.take(e->kind);
        if (!dist) return 1;  // no distance codes in this block
        e = decode_symbol(in, dist, static_cast<unsigned>(dist_bits));
        if (!e || e->kind > 13) return 1;
        in.drop(e->bits);
        const uint32_t distance = e->value + in.take(e->kind);
        if (reaches_before_start(pos, distance)) return 1;
        uint32_t source = pos - distance;

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
            flush_full_window(pos);
        }
    }
}

void release_fixed_tables() {
    if (!fixed_litlen_table) return;
    release_decode_table(fixed_dist_table);
    release_decode_table(fixed_litlen_table);
    fixed_dist_table = nullptr;
    fixed_litlen_table = nullptr;
}
