// Method 6 (implode): a sliding dictionary of 4 KiB or 8 KiB whose literals,
// copy lengths and high distance parts are coded with Shannon-Fano trees. The
// trees are sent first as run-length lists of bit lengths and are decoded here
// with the lookup tables of decode_table.h. Tree codes are stored with their
// bits inverted, so lookups take the complement of the input bits; raw
// literals, low distance bits and the extra length byte are taken as they are.
#include <algorithm>
#include <array>
#include <cstring>

#include "engine/bounds.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "methods/decode_table.h"
#include "methods/explode.h"
#include "methods/input_cursor.h"
#include "methods/methods.h"
#include "methods/sliding_window.h"

namespace {

constexpr int TREE_SYMBOLS = 64;
constexpr int LITERAL_SYMBOLS = 256;
constexpr uint16_t FLAG_8K = 2;
constexpr uint16_t FLAG_LITERAL_TREE = 4;
constexpr int64_t WIDE_DIST_ROOT_ABOVE = 200000;
// Bytes asked for beyond the member's data before the stream counts as cut
// short (a sound stream's last codes need at most three of them).
constexpr int64_t OVERRUN_LIMIT = 8;

template <uint16_t First, uint16_t Step>
constexpr std::array<uint16_t, TREE_SYMBOLS> arithmetic_table() {
    std::array<uint16_t, TREE_SYMBOLS> t{};
    for (int i = 0; i < TREE_SYMBOLS; ++i) t[i] = static_cast<uint16_t>(First + Step * i);
    return t;
}

// Copy lengths without a literal tree (at least 2) and with one (at least 3).
constexpr auto match_length_base_2 = arithmetic_table<2, 1>();
constexpr auto match_length_base_3 = arithmetic_table<3, 1>();
// Symbol 63 of the length tree is followed by 8 raw bits; the distance tree
// shares the table (its symbol 63 entries are built with kind 8 too, and the
// kind is only looked at for lengths).
constexpr std::array<uint8_t, TREE_SYMBOLS> match_length_extra = [] {
    std::array<uint8_t, TREE_SYMBOLS> t{};
    t[TREE_SYMBOLS - 1] = 8;
    return t;
}();
constexpr auto dist_base_4k = arithmetic_table<1, 64>();
constexpr auto dist_base_8k = arithmetic_table<1, 128>();

std::array<unsigned, LITERAL_SYMBOLS> tree_lengths{};

// Input bits, least significant first, with the input cursor they are taken
// from. Two ways to add bits:
//  - refill(): whole bytes straight from the input block while at least 8 are
//    left in both the block and the member's data (count then 56 to 63);
//  - need(): one byte at a time through next_byte() until `n` bits are held,
//    at the edges of the block and the data. Past the member's data next_byte
//    gives -1, which fills every bit from the current count upwards with ones.
// The input taken by refill() is never more than what follows in the member's
// data, and need() takes bytes only when it lacks bits, so the bytes taken
// once decoding passes the end are the same as with need() alone.
struct BitInput {
    uint64_t bits = 0;
    unsigned count = 0;
    InputCursor input;

    bool can_refill() const { return input.avail >= 8; }
    void refill() {
        bits |= load_le<uint64_t>(input.pos) << count;
        const unsigned n = (63 - count) >> 3;
        input.pos += n;
        input.avail -= n;
        count += n * 8;
    }
    void need(unsigned n) {
        if (count < n) [[unlikely]]
            need_bytes(n);
    }
    void need_bytes(unsigned n) {
        input.store();
        do {
            bits |= static_cast<uint64_t>(static_cast<int64_t>(next_byte())) << count;
            count += 8;
        } while (count < n);
        input.load();
    }
    void drop(unsigned n) {
        bits >>= n;
        count -= n;
    }
};

// One item needs at most 1 + 7 + 16 + 16 + 8 bits: the flag, the raw distance
// bits, two tree codes (a lookup never reaches past the longest code) and the
// extra length byte.
constexpr unsigned ITEM_BITS = 48;

// Item decoding. With Held true the caller has made sure that ITEM_BITS are
// held; otherwise every step asks need() for its bits.
template <bool Held>
[[gnu::always_inline]] inline void need_bits(BitInput& in, unsigned n) {
    if constexpr (!Held) in.need(n);
}

template <bool Held>
[[gnu::always_inline]] inline unsigned take_bits(BitInput& in, unsigned n) {
    need_bits<Held>(in, n);
    const unsigned v = static_cast<unsigned>(in.bits) & ((1u << n) - 1u);
    in.drop(n);
    return v;
}

// Decodes one tree code; null at an invalid code.
template <bool Held>
[[gnu::always_inline]] inline const DecodeEntry* decode_code(BitInput& in, const DecodeEntry* table, unsigned root_bits) {
    need_bits<Held>(in, root_bits);
    const DecodeEntry* e = table + (~static_cast<unsigned>(in.bits) & ((1u << root_bits) - 1u));
    while (e->kind > DECODE_LITERAL) {
        if (e->kind == DECODE_INVALID) return nullptr;
        in.drop(e->bits);
        const unsigned width = e->kind - 16u;
        need_bits<Held>(in, width);
        e = e->subtable + (~static_cast<unsigned>(in.bits) & ((1u << width) - 1u));
    }
    in.drop(e->bits);
    return e;
}

struct ExplodeTrees {
    const DecodeEntry* literal_table;
    const DecodeEntry* length_table;
    const DecodeEntry* distance_table;
    unsigned literal_bits, length_bits, distance_bits;
    unsigned raw_distance_bits;
};

// Decodes one item into the window; false at an invalid code.
template <bool Held>
[[gnu::always_inline]] inline bool decode_item(BitInput& in, SlidingWindow& out, const ExplodeTrees& t,
                        int64_t& remaining) {
    if (take_bits<Held>(in, 1)) {
        if (t.literal_table) {
            const DecodeEntry* e = decode_code<Held>(in, t.literal_table, t.literal_bits);
            if (!e) return false;
            out.put(static_cast<uint8_t>(e->value));
        } else {
            out.put(static_cast<uint8_t>(take_bits<Held>(in, 8)));
        }
        --remaining;
        return true;
    }
    const unsigned low = take_bits<Held>(in, t.raw_distance_bits);
    const DecodeEntry* d = decode_code<Held>(in, t.distance_table, t.distance_bits);
    if (!d) return false;
    const uint32_t source = out.pos - low - d->value;
    const DecodeEntry* l = decode_code<Held>(in, t.length_table, t.length_bits);
    if (!l) return false;
    uint32_t length = l->value;
    if (l->kind != 0) length += take_bits<Held>(in, 8);
    remaining -= length;
    out.copy_from(source, length);
    return true;
}

}  // namespace

int read_tree_lengths(unsigned* lengths, unsigned n) {
    // At the end of the data the count byte reads as -1: no runs, result 4.
    const int runs = next_byte() + 1;
    unsigned stored = 0;
    for (int i = 0; i < runs; ++i) {
        const unsigned b = static_cast<unsigned>(next_byte()) & 0xFFu;
        const unsigned length = (b & 15u) + 1u;
        const unsigned repeat = ((b & 240u) >> 4) + 1u;
        if (stored + repeat > n) return 4;
        for (unsigned k = 0; k < repeat; ++k) lengths[stored++] = length;
    }
    return stored < n ? 4 : 0;
}

int explode_stream(const DecodeEntry* literal_table, const DecodeEntry* length_table,
                   const DecodeEntry* distance_table, int literal_bits, int length_bits,
                   int distance_bits) {
    const ExplodeTrees trees{literal_table,
                             length_table,
                             distance_table,
                             static_cast<unsigned>(literal_bits),
                             static_cast<unsigned>(length_bits),
                             static_cast<unsigned>(distance_bits),
                             (G.local.flags & FLAG_8K) ? 7u : 6u};
    // Kept wide so that members of 2 GiB and more are decoded in full.
    int64_t remaining = G.unpacked_size;
    BitInput in;
    in.input.load();
    SlidingWindow out(WINDOW_SIZE, &in.input);
    int result = 0;

    while (remaining > 0) {
        if (in.count < ITEM_BITS && in.can_refill()) in.refill();
        if (in.count >= ITEM_BITS) {
            // Every bit held is the member's own data: the end is not reached.
            if (!decode_item<true>(in, out, trees, remaining)) {
                result = 1;
                break;
            }
            continue;
        }
        in.input.store();
        if (G.packed_left < -OVERRUN_LIMIT) {
            result = 1;  // the data ended before the declared size
            break;
        }
        if (!decode_item<false>(in, out, trees, remaining)) {
            result = 1;
            break;
        }
    }
    out.flush();
    in.input.store();
    if (result != 0) return result;

    const int64_t unused = G.packed_left + in.count / 8;
    if (unused != 0) {
        // The stated size is an archive's value: bounded before the arithmetic.
        const auto stated = static_cast<int64_t>(std::min(G.local.packed_size, ARCHIVE_SIZE_LIMIT));
        G.packed_size_used = stated - unused;
        return 5;
    }
    return 0;
}

int explode_member() {
    const bool literal_tree = (G.local.flags & FLAG_LITERAL_TREE) != 0;
    const bool large_window = (G.local.flags & FLAG_8K) != 0;
    OwnedDecodeTable literals, lengths, distances;
    literals.bits = 9;
    lengths.bits = 7;
    distances.bits = G.packed_left > WIDE_DIST_ROOT_ABOVE ? 8 : 7;

    int r;
    if (literal_tree) {
        if ((r = read_tree_lengths(tree_lengths.data(), LITERAL_SYMBOLS)) != 0) return r;
        r = build_decode_table(tree_lengths.data(), LITERAL_SYMBOLS, LITERAL_SYMBOLS, nullptr,
                               nullptr, &literals.root, &literals.bits);
        if (r != 0) return r;
    }
    if ((r = read_tree_lengths(tree_lengths.data(), TREE_SYMBOLS)) != 0) return r;
    r = build_decode_table(tree_lengths.data(), TREE_SYMBOLS, 0,
                           literal_tree ? match_length_base_3.data() : match_length_base_2.data(),
                           match_length_extra.data(), &lengths.root, &lengths.bits);
    if (r != 0) return r;
    if ((r = read_tree_lengths(tree_lengths.data(), TREE_SYMBOLS)) != 0) return r;
    r = build_decode_table(tree_lengths.data(), TREE_SYMBOLS, 0,
                           large_window ? dist_base_8k.data() : dist_base_4k.data(),
                           match_length_extra.data(), &distances.root, &distances.bits);
    if (r != 0) return r;
    // Every symbol has a length of at least 1, so a complete build has tables.
    if (!lengths.root || !distances.root || (literal_tree && !literals.root)) return 1;

    return explode_stream(literals.root, lengths.root, distances.root, literals.bits,
                          lengths.bits, distances.bits);
}
