// Method 12: decodes bzip2 streams ("BZh" and the block size digit, blocks,
// the end-of-stream record with the combined CRC), one after the other up to
// the member's declared size.
//
// A block is decoded in three passes:
//   1. the prefix codes (up to 6 tables, chosen per 50 symbols by the
//      selectors) give move-to-front indices and runs of the front byte (the
//      RUNA/RUNB digits); the bytes go into the low byte of the block's
//      32-bit entries;
//   2. the inverse Burrows-Wheeler transform links each entry to the next
//      (its upper 24 bits), so that the block is read back by following one
//      chain of entries: one memory access per byte;
//   3. following the chain from the block's origin undoes the initial
//      run-length coding (four equal bytes and a count) into the engine's
//      window, which is written out whenever it fills; the block's CRC is
//      taken over each window's worth.
// The block's entries are allocated for the member, 4 bytes for each byte of
// the stream's block size (3.6 MB for blocks of 900 kB). Every count read
// from the stream is checked against the block size before it is used; the
// output is bounded by the member's declared size (write_out) and decoding
// stops once it overflows.
//
// Blocks of the old randomised kind are refused as invalid data: no writer of
// ZIP archives has made them.
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/globals.h"
#include "engine/io.h"
#include "methods/input_cursor.h"
#include "methods/methods.h"

namespace {

constexpr uint64_t BLOCK_MAGIC = 0x314159265359;
constexpr uint64_t END_MAGIC = 0x177245385090;
constexpr uint32_t BLOCK_SIZE_UNIT = 100000;
constexpr unsigned MAX_GROUPS = 6;
constexpr unsigned MIN_GROUPS = 2;
constexpr unsigned GROUP_SIZE = 50;
constexpr unsigned MAX_ALPHABET = 258;  // RUNA, RUNB, 255 indices, end of block
constexpr unsigned MAX_CODE_LENGTH = 20;
constexpr unsigned RUNA = 0;
constexpr unsigned RUNB = 1;

// Root width of the code tables: longer codes are found by their canonical
// ranges (rare in practice: most codes are at most 10 bits).
constexpr unsigned LOOKUP_BITS = 10;

// Bytes read past the member's data beyond which the stream is truncated.
constexpr int64_t OVERRUN_LIMIT = 8;

// The CRC of the bzip2 format: polynomial 0x04C11DB7, most significant bit
// first, with eight tables for eight bytes a step.
constexpr std::array<std::array<uint32_t, 256>, 8> crc_tables = [] {
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i << 24;
        for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
        t[0][i] = c;
    }
    for (size_t k = 1; k < 8; ++k)
        for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
    return t;
}();

uint32_t block_crc_update(uint32_t crc, const uint8_t* p, size_t n) {
    while (n >= 8) {
        const uint32_t a = crc ^ (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
        crc = crc_tables[7][a >> 24] ^ crc_tables[6][(a >> 16) & 0xFF] ^ crc_tables[5][(a >> 8) & 0xFF] ^
              crc_tables[4][a & 0xFF] ^ crc_tables[3][p[4]] ^ crc_tables[2][p[5]] ^ crc_tables[1][p[6]] ^
              crc_tables[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n--) crc = (crc << 8) ^ crc_tables[0][(crc >> 24) ^ *p++];
    return crc;
}

// The bit reader: most significant bit first, kept left-aligned in 64 bits.
// It is refilled eight bytes at a time straight from the input block while
// the block and the member's data have that many; past the member's data it
// reads zero bytes and counts them.
struct BitReader {
    InputCursor input;
    uint64_t hold = 0;
    unsigned count = 0;
    int64_t overrun = 0;

    void refill() {
        if (input.avail >= 8) {
            uint64_t v;
            std::memcpy(&v, input.pos, 8);
            if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
            hold |= v >> count;
            const unsigned bytes = (63 - count) >> 3;
            input.pos += bytes;
            input.avail -= bytes;
            count += bytes * 8;
            return;
        }
        while (count <= 56) {
            uint64_t byte = 0;
            if (input.avail > 0) {
                byte = *input.pos++;
                --input.avail;
            } else {
                // The input block or the member's data is used up.
                input.store();
                const int c = G.packed_left > 0 ? next_byte() : -1;
                input.load();
                if (c >= 0)
                    byte = static_cast<uint64_t>(c);
                else
                    ++overrun;
            }
            hold |= byte << (56 - count);
            count += 8;
        }
    }
    // n is 1..32.
    uint32_t take(unsigned n) {
        if (count < n) refill();
        const uint32_t v = static_cast<uint32_t>(hold >> (64 - n));
        hold <<= n;
        count -= n;
        return v;
    }
    bool truncated() const { return overrun > OVERRUN_LIMIT; }
    // Skips to the next byte boundary. Streams begin on one, and every fetch
    // adds whole bytes, so the bits held past it are count % 8.
    void align() {
        if (count % 8) take(count % 8);
    }
    // True while the member's data holds unread bytes (not the zeros that
    // stand in for data past its end).
    bool more() const {
        return static_cast<int64_t>(count) - overrun * 8 >= 8 || input.avail > 0 ||
               G.packed_left > input.pos - input.start;
    }
};

// One code table: a root of LOOKUP_BITS bits whose entries hold
// (symbol << 5) | length, or 0 for a code longer than the root or an unused
// code. Codes are canonical (by length, then symbol; first bit most
// significant): a longer code is found from the first code and the count of
// each length.
struct CodeTable {
    std::array<uint16_t, 1u << LOOKUP_BITS> root;
    std::array<uint32_t, MAX_CODE_LENGTH + 1> first;   // first code of each length
    std::array<uint32_t, MAX_CODE_LENGTH + 1> count;   // codes of each length
    std::array<uint16_t, MAX_CODE_LENGTH + 1> offset;  // index in `sorted` of each length's first symbol
    std::array<uint16_t, MAX_ALPHABET> sorted;         // symbols by code
    unsigned max_length;
};

// Lengths 1..MAX_CODE_LENGTH of n symbols; false for an over-subscribed set.
// The unused codes of an incomplete set decode to nothing (invalid data).
bool build_table(const uint8_t* lengths, unsigned n, CodeTable& t) {
    t.count.fill(0);
    for (unsigned s = 0; s < n; ++s) ++t.count[lengths[s]];
    uint32_t code = 0;
    unsigned index = 0;
    t.max_length = 0;
    for (unsigned len = 1; len <= MAX_CODE_LENGTH; ++len) {
        t.first[len] = code;
        t.offset[len] = static_cast<uint16_t>(index);
        code += t.count[len];
        index += t.count[len];
        if (code > (1u << len)) return false;
        if (t.count[len]) t.max_length = len;
        code <<= 1;
    }
    std::array<uint16_t, MAX_CODE_LENGTH + 1> next = t.offset;
    for (unsigned s = 0; s < n; ++s) t.sorted[next[lengths[s]]++] = static_cast<uint16_t>(s);

    t.root.fill(0);
    for (unsigned len = 1; len <= LOOKUP_BITS; ++len) {
        const uint32_t span = 1u << (LOOKUP_BITS - len);
        for (unsigned i = 0; i < t.count[len]; ++i) {
            const uint16_t e = static_cast<uint16_t>(t.sorted[t.offset[len] + i] << 5 | len);
            uint16_t* const to = t.root.data() + ((t.first[len] + i) << (LOOKUP_BITS - len));
            for (uint32_t k = 0; k < span; ++k) to[k] = e;
        }
    }
    return true;
}

// The symbol of a code longer than the root, from the first 32 bits held:
// the one length whose range of codes holds the bits read so far. -1 for an
// unused code.
inline int long_symbol(const CodeTable& t, uint64_t hold, unsigned* length) {
    const uint32_t top = static_cast<uint32_t>(hold >> 32);
    for (unsigned len = LOOKUP_BITS + 1; len <= t.max_length; ++len) {
        const uint32_t c = (top >> (32 - len)) - t.first[len];
        if (c < t.count[len]) {
            *length = len;
            return t.sorted[t.offset[len] + c];
        }
    }
    return -1;
}

// Where the chain of a block's entries stands between windows.
struct Chain {
    uint32_t at;     // the entry of the next byte
    uint32_t left;   // bytes of the block still to come
    unsigned last;   // the byte before, 256 at the start and after a run's count
    unsigned same;   // how many times `last` came in a row
};

// Follows the chain into `out` (the engine's window) until it is nearly full
// or the block ends, undoing the run-length coding; returns the bytes stored.
// A function of its own, so that the chain's position stays in a register
// through the loop: each step waits for the memory access of the one before.
[[gnu::noinline]] uint32_t follow_chain(const uint32_t* tt, Chain& chain, uint8_t* out) {
    // Room for a run of up to 255 bytes, stored in words of 8.
    constexpr uint32_t ROOM = WINDOW_SIZE - 264;
    uint32_t at = chain.at, left = chain.left;
    unsigned last = chain.last, same = chain.same;
    uint32_t fill = 0;
    while (left > 0 && fill < ROOM) {
        const uint32_t e = tt[at];
        at = e >> 8;
        --left;
        const unsigned b = e & 0xFF;
        if (same == 4) {
            // The count after four equal bytes.
            const uint64_t word = 0x0101010101010101u * last;
            for (uint32_t k = 0; k < b; k += 8) std::memcpy(out + fill + k, &word, 8);
            fill += b;
            same = 0;
            last = 256;
            continue;
        }
        out[fill++] = static_cast<uint8_t>(b);
        if (b == last) {
            ++same;
        } else {
            last = b;
            same = 1;
        }
    }
    chain = Chain{at, left, last, same};
    return fill;
}

class Bunzip2 {
public:
    int run();

private:
    int read_stream_header();
    int read_block();
    int undo_transform(uint32_t used, uint32_t origin, uint32_t stored_crc);

    BitReader in_;
    uint32_t block_limit_ = 0;          // bytes a block of this stream may hold
    std::unique_ptr<uint32_t[]> tt_;    // the block's entries
    uint32_t tt_size_ = 0;
    std::vector<uint8_t> selectors_;
    std::array<uint8_t, MAX_GROUPS * MAX_ALPHABET> lengths_{};
    std::array<CodeTable, MAX_GROUPS> tables_{};
    uint32_t combined_crc_ = 0;
};

int Bunzip2::read_stream_header() {
    if (in_.take(8) != 'B' || in_.take(8) != 'Z' || in_.take(8) != 'h') return 1;
    const uint32_t level = in_.take(8);
    if (level < '1' || level > '9' || in_.truncated()) return 1;
    block_limit_ = (level - '0') * BLOCK_SIZE_UNIT;
    if (block_limit_ > tt_size_) {
        try {
            tt_ = std::make_unique_for_overwrite<uint32_t[]>(block_limit_);
        } catch (const std::bad_alloc&) {
            return 3;
        }
        tt_size_ = block_limit_;
    }
    combined_crc_ = 0;
    return 0;
}

// One block after its magic: decoded and written out. 0 ok; 1 invalid; 3 out of memory.
int Bunzip2::read_block() {
    const uint32_t stored_crc = in_.take(32);
    if (in_.take(1) != 0) return 1;  // randomised
    const uint32_t origin = in_.take(24);

    // The bytes in use, in 16 ranges of 16.
    std::array<uint8_t, 256> mtf{};
    unsigned in_use = 0;
    const uint32_t ranges = in_.take(16);
    for (unsigned r = 0; r < 16; ++r) {
        if (!(ranges & (0x8000u >> r))) continue;
        const uint32_t bits = in_.take(16);
        for (unsigned b = 0; b < 16; ++b)
            if (bits & (0x8000u >> b)) mtf[in_use++] = static_cast<uint8_t>(r * 16 + b);
    }
    if (in_use == 0) return 1;
    const unsigned alphabet = in_use + 2;
    const unsigned end_of_block = in_use + 1;

    const unsigned groups = in_.take(3);
    const unsigned selector_count = in_.take(15);
    if (groups < MIN_GROUPS || groups > MAX_GROUPS || selector_count == 0) return 1;
    selectors_.resize(selector_count);
    std::array<uint8_t, MAX_GROUPS> group_order = {0, 1, 2, 3, 4, 5};
    for (unsigned i = 0; i < selector_count; ++i) {
        unsigned j = 0;
        while (in_.take(1)) {
            if (++j >= groups) return 1;
        }
        const uint8_t g = group_order[j];
        for (; j > 0; --j) group_order[j] = group_order[j - 1];
        group_order[0] = g;
        selectors_[i] = g;
    }
    if (in_.truncated()) return 1;

    for (unsigned g = 0; g < groups; ++g) {
        uint8_t* lengths = lengths_.data() + g * MAX_ALPHABET;
        unsigned length = in_.take(5);
        for (unsigned s = 0; s < alphabet; ++s) {
            for (;;) {
                if (length < 1 || length > MAX_CODE_LENGTH) return 1;
                if (!in_.take(1)) break;
                length = in_.take(1) ? length - 1 : length + 1;
            }
            lengths[s] = static_cast<uint8_t>(length);
        }
        if (!build_table(lengths, alphabet, tables_[g])) return 1;
    }
    if (in_.truncated()) return 1;

    // Pass 1: the symbols, as bytes in the entries.
    uint32_t* const tt = tt_.get();
    const uint32_t limit = block_limit_;
    std::array<uint32_t, 256> counts{};
    uint32_t used = 0;
    uint32_t run = 0;
    unsigned run_weight = 1;
    unsigned selector = 0;
    // The bit reader in locals while the symbols are decoded (the entries
    // written could otherwise be its own fields); every way out hands it back.
    BitReader in = in_;
    auto stop = [&](int result) {
        in_ = in;
        return result;
    };
    for (;;) {
        if (selector >= selector_count || in.truncated()) return stop(1);
        const CodeTable& t = tables_[selectors_[selector++]];
        for (unsigned k = 0; k < GROUP_SIZE; ++k) {
            if (in.count < MAX_CODE_LENGTH) in.refill();
            const uint16_t e = t.root[in.hold >> (64 - LOOKUP_BITS)];
            unsigned length = e & 31u;
            unsigned symbol = e >> 5;
            if (length == 0) {
                const int s = long_symbol(t, in.hold, &length);
                if (s < 0) return stop(1);
                symbol = static_cast<unsigned>(s);
            }
            in.hold <<= length;
            in.count -= length;

            if (symbol <= RUNB) {
                // Runs of the front byte, in digits of base 2 with 1 and 2.
                run += run_weight << symbol;
                run_weight <<= 1;
                if (run > limit - used) return stop(1);
                continue;
            }
            if (run > 0) {
                const uint8_t b = mtf[0];
                counts[b] += run;
                for (uint32_t* p = tt + used, *end = p + run; p < end; ++p) *p = b;
                used += run;
                run = 0;
                run_weight = 1;
            }
            if (symbol == end_of_block) {
                stop(0);
                return undo_transform(used, origin, stored_crc);
            }
            if (used >= limit) return stop(1);
            // Move-to-front index symbol - 1 (1 .. in_use - 1).
            const unsigned index = symbol - 1;
            const uint8_t b = mtf[index];
            if (index < 16) {
                for (unsigned i = index; i > 0; --i) mtf[i] = mtf[i - 1];
            } else {
                std::memmove(mtf.data() + 1, mtf.data(), index);
            }
            mtf[0] = b;
            ++counts[b];
            tt[used++] = b;
        }
    }
}

int Bunzip2::undo_transform(uint32_t used, uint32_t origin, uint32_t stored_crc) {
    if (origin >= used) return 1;
    uint32_t* const tt = tt_.get();

    // Pass 2: entry i links to the entry of the next byte of the block.
    std::array<uint32_t, 256> next{};
    {
        std::array<uint32_t, 256> counts{};
        for (uint32_t i = 0; i < used; ++i) ++counts[tt[i] & 0xFF];
        uint32_t sum = 0;
        for (unsigned b = 0; b < 256; ++b) {
            next[b] = sum;
            sum += counts[b];
        }
    }
    for (uint32_t i = 0; i < used; ++i) tt[next[tt[i] & 0xFF]++] |= i << 8;

    // Pass 3: the chain from the origin, with the run-length coding undone.
    uint8_t* const window = G.window.data();
    Chain chain{tt[origin] >> 8, used, 256, 0};
    uint32_t crc = 0xFFFFFFFFu;
    while (chain.left > 0) {
        const uint32_t fill = follow_chain(tt, chain, window);
        crc = block_crc_update(crc, window, fill);
        in_.input.store();
        write_out(window, fill, 0);
        in_.input.load();
        if (output_overflowed()) return 1;
        if (G.disk_full_state != 0) return 0;
    }
    crc = ~crc;
    if (crc != stored_crc) return 1;
    combined_crc_ = ((combined_crc_ << 1) | (combined_crc_ >> 31)) ^ crc;
    return 0;
}

// The streams: blocks up to each end-of-stream record, whose combined CRC
// must match. Bytes after the last stream needed are not read.
int Bunzip2::run() {
    in_.input.load();
    int r = read_stream_header();
    while (r == 0) {
        const uint64_t high = in_.take(24);
        const uint64_t magic = high << 24 | in_.take(24);
        if (in_.truncated()) {
            r = 1;
        } else if (magic == BLOCK_MAGIC) {
            r = read_block();
            if (G.disk_full_state != 0) break;
        } else {
            r = magic == END_MAGIC && in_.take(32) == combined_crc_ && !in_.truncated() ? 0 : 1;
            // Parallel compressors write a member as streams one after the
            // other: the next one is decoded while the member's declared size
            // is not reached and its data goes on.
            in_.align();
            if (r != 0 || G.output_total >= G.output_limit || !in_.more()) break;
            r = read_stream_header();
        }
    }
    in_.input.store();
    return r;
}

}  // namespace

int bunzip2_member() {
    Bunzip2 decoder;
    return decoder.run();
}
