// Multi-level lookup tables for prefix codes given by their code lengths.
//
// A code set is decoded by reading its bits least significant first, so each
// table is indexed by the next input bits in that order. The root table takes
// the first bits; a code longer than its table reaches a link entry that names
// the subtable for the following bits. All tables of one build are chained
// through a hidden entry in front of each block, so that the whole build is
// released from its root pointer.
#include "methods/decode_table.h"

#include <array>
#include <memory>
#include <new>

namespace {

constexpr unsigned MAX_CODE_BITS = 16;
constexpr unsigned MAX_SYMBOLS = 288;
constexpr unsigned MAX_LEVELS = MAX_CODE_BITS + 1;

constexpr uint32_t mask_of(unsigned bits) { return (uint32_t{1} << bits) - 1u; }

DecodeEntry invalid_entry() {
    DecodeEntry e{};
    e.kind = DECODE_INVALID;
    e.bits = 0;
    e.value = 0;
    return e;
}

// The blocks of one build, in allocation order. Frees them all unless the
// build hands them out.
class TableChain {
public:
    TableChain() = default;
    TableChain(const TableChain&) = delete;
    TableChain& operator=(const TableChain&) = delete;
    ~TableChain() {
        if (head_) release_decode_table(head_ + 1);
    }

    // A new table of 2^bits entries, all invalid, linked at the end of the chain;
    // null when memory runs out.
    DecodeEntry* add(unsigned bits) {
        const size_t size = size_t{1} << bits;
        std::unique_ptr<DecodeEntry[]> block;
        try {
            block = std::make_unique<DecodeEntry[]>(size + 1);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        for (size_t i = 0; i <= size; ++i) block[i] = invalid_entry();
        block[0].subtable = nullptr;  // hidden entry: link to the next block
        DecodeEntry* hidden = block.release();
        if (tail_)
            tail_->subtable = hidden;
        else
            head_ = hidden;
        tail_ = hidden;
        return hidden + 1;
    }

    // Hands the chain over; the caller releases it from the returned root.
    DecodeEntry* take_root() {
        DecodeEntry* root = head_ ? head_ + 1 : nullptr;
        head_ = tail_ = nullptr;
        return root;
    }

private:
    DecodeEntry* head_ = nullptr;  // hidden entry of the first (root) block
    DecodeEntry* tail_ = nullptr;  // hidden entry of the last block
};

// One open table while codes are placed.
struct Level {
    unsigned width = 0;    // index bits of this table
    unsigned start = 0;    // code bits decoded before this table
    uint32_t prefix = 0;   // those bits, as read from the input
};

// The code lengths of one set, counted and checked.
struct CodeSet {
    std::array<unsigned, MAX_CODE_BITS + 1> count{};
    std::array<uint16_t, MAX_SYMBOLS> sorted{};  // symbols with a code, by length, then symbol
    unsigned coded = 0;                          // symbols with a code
    unsigned min_len = 0;
    unsigned max_len = 0;
    int32_t free_codes = 0;  // code space left over, in codes of the longest length
};

// 0, or 2 for too many symbols, a length out of range or an over-subscribed
// set. No symbol with a code: 0 with set.coded 0.
int count_codes(const unsigned* lengths, unsigned n, CodeSet& set) {
    if (n > MAX_SYMBOLS) return 2;
    for (unsigned s = 0; s < n; ++s) {
        if (lengths[s] > MAX_CODE_BITS) return 2;
        ++set.count[lengths[s]];
    }
    set.coded = n - set.count[0];
    if (set.coded == 0) return 0;

    unsigned min_len = 1;
    while (set.count[min_len] == 0) ++min_len;
    unsigned max_len = MAX_CODE_BITS;
    while (set.count[max_len] == 0) --max_len;
    set.min_len = min_len;
    set.max_len = max_len;

    int32_t free_codes = int32_t{1} << min_len;
    for (unsigned len = min_len; len < max_len; ++len) {
        free_codes -= static_cast<int32_t>(set.count[len]);
        if (free_codes < 0) return 2;
        free_codes <<= 1;
    }
    free_codes -= static_cast<int32_t>(set.count[max_len]);
    if (free_codes < 0) return 2;
    set.free_codes = free_codes;

    std::array<unsigned, MAX_CODE_BITS + 1> next_slot{};
    for (unsigned len = 1, slot = 0; len <= MAX_CODE_BITS; ++len) {
        next_slot[len] = slot;
        slot += set.count[len];
    }
    for (unsigned s = 0; s < n; ++s)
        if (lengths[s] != 0) set.sorted[next_slot[lengths[s]]++] = static_cast<uint16_t>(s);
    return 0;
}

// The result of a build whose set was counted without error.
int completeness(const CodeSet& set) { return (set.free_codes != 0 && set.max_len != 1) ? 1 : 0; }

// Places the codes of a counted, non-empty set in linked tables: chooses each
// table's width and hands every code (the left-over code space as padding codes
// of the longest length, so that every entry gets filled) to the sink:
//   bool open(int level, unsigned width)            a new table; false: out of memory
//   void link(int level, uint32_t index, unsigned sub_width, unsigned width)
//        entry `index` of the table at `level` (of `width` bits) links the table
//        just opened at level + 1
//   void place(int level, int symbol, unsigned length, unsigned start, unsigned width,
//              uint32_t code)
//        a code of `length` bits (symbol -1: padding) in the table at `level`,
//        which decodes bits start.. start + width of the code.
// Returns 0, 2 (a table the layout cannot have) or 3 (out of memory); sets
// *root_width to the root's width.
template <class Sink>
int lay_out(const CodeSet& set, const unsigned* lengths, unsigned n, int requested_root,
            Sink& sink, unsigned* root_width_out) {
    std::array<unsigned, MAX_CODE_BITS + 1> count = set.count;
    const unsigned min_len = set.min_len;
    const unsigned max_len = set.max_len;
    unsigned root_width = requested_root < static_cast<int>(min_len)
                              ? min_len
                              : static_cast<unsigned>(requested_root);
    if (root_width > max_len) root_width = max_len;
    count[max_len] += static_cast<unsigned>(set.free_codes);

    // The end-of-block code ends exactly at a table boundary.
    const unsigned eob_len = n > 256 ? lengths[256] : 0;

    std::array<Level, MAX_LEVELS> levels{};
    int h = -1;                  // current level; -1 before the root is open
    unsigned w = 0;              // code bits decoded before the current level
    unsigned cur_width = 0;      // index bits of the current level
    uint32_t code = 0;           // the code counter, as read from the input
    unsigned next_symbol = 0;

    for (unsigned k = min_len; k <= max_len; ++k) {
        for (unsigned left = count[k]; left > 0; --left) {
            // Open tables until the code fits in the current one.
            while (k > w + cur_width) {
                w += cur_width;
                const unsigned limit = (max_len - w < root_width) ? max_len - w : root_width;
                unsigned j = k - w;
                if ((uint32_t{1} << j) > left) {
                    // Too few codes of this length to fill a table of k - w bits:
                    // try wider tables while the longer codes do not fill them.
                    uint32_t f = (uint32_t{1} << j) - left;
                    unsigned len = k;
                    while (++j < limit) {
                        f <<= 1;
                        if (f <= count[++len]) break;
                        f -= count[len];
                    }
                }
                if (w + j > eob_len && w < eob_len) j = eob_len - w;
                if (h + 1 >= static_cast<int>(MAX_LEVELS) || j > MAX_CODE_BITS) return 2;

                if (!sink.open(h + 1, j)) return 3;
                ++h;
                levels[h] = Level{j, w, code & mask_of(w)};
                cur_width = j;
                if (h > 0) {
                    const Level& above = levels[h - 1];
                    sink.link(h - 1, (code >> above.start) & mask_of(above.width), j, above.width);
                }
            }

            const int symbol =
                next_symbol < set.coded ? static_cast<int>(set.sorted[next_symbol++]) : -1;
            sink.place(h, symbol, k, w, cur_width, code);

            // Next code in bit-reversed order.
            uint32_t bit = uint32_t{1} << (k - 1);
            while (code & bit) {
                code ^= bit;
                bit >>= 1;
            }
            code ^= bit;

            // Close the tables whose prefix the counter has left.
            while (h > 0 && (code & mask_of(w)) != levels[h].prefix) {
                --h;
                w = levels[h].start;
                cur_width = levels[h].width;
            }
        }
    }
    *root_width_out = levels[0].width;
    return 0;
}

// Builds linked tables of DecodeEntry in separately allocated blocks.
class LinkedSink {
public:
    LinkedSink(unsigned simple_count, const uint16_t* bases, const uint8_t* extras)
        : simple_count_(simple_count), bases_(bases), extras_(extras) {}

    bool open(int level, unsigned width) {
        tables_[static_cast<size_t>(level)] = chain_.add(width);
        return tables_[static_cast<size_t>(level)] != nullptr;
    }
    void link(int level, uint32_t index, unsigned sub_width, unsigned width) {
        DecodeEntry e{};
        e.kind = static_cast<uint8_t>(16 + sub_width);
        e.bits = static_cast<uint8_t>(width);
        e.subtable = tables_[static_cast<size_t>(level) + 1];
        tables_[static_cast<size_t>(level)][index] = e;
    }
    void place(int level, int symbol, unsigned length, unsigned start, unsigned width,
               uint32_t code) {
        DecodeEntry entry{};
        entry.bits = static_cast<uint8_t>(length - start);
        entry.kind = DECODE_INVALID;  // padding of an incomplete set
        entry.value = 0;
        if (symbol >= 0) {
            const unsigned s = static_cast<unsigned>(symbol);
            if (s < simple_count_) {
                entry.kind = s < 256 ? DECODE_LITERAL : DECODE_END_OF_BLOCK;
                entry.value = static_cast<uint16_t>(s);
            } else if (bases_ && extras_) {
                entry.kind = extras_[s - simple_count_];
                entry.value = bases_[s - simple_count_];
            }
        }
        DecodeEntry* table = tables_[static_cast<size_t>(level)];
        const uint32_t size = uint32_t{1} << width;
        for (uint32_t i = code >> start; i < size; i += uint32_t{1} << (length - start))
            table[i] = entry;
    }
    TableChain& chain() { return chain_; }

private:
    TableChain chain_;
    std::array<DecodeEntry*, MAX_LEVELS> tables_{};
    unsigned simple_count_;
    const uint16_t* bases_;
    const uint8_t* extras_;
};

// Records, for each symbol, how many bits from its code's start the linked
// layout reads to reach it: the start and width of its table.
class ReachSink {
public:
    explicit ReachSink(std::array<uint8_t, MAX_SYMBOLS>& reach) : reach_(reach) {}
    bool open(int, unsigned) { return true; }
    void link(int, uint32_t, unsigned, unsigned) {}
    void place(int, int symbol, unsigned, unsigned start, unsigned width, uint32_t) {
        if (symbol >= 0) reach_[static_cast<size_t>(symbol)] = static_cast<uint8_t>(start + width);
    }

private:
    std::array<uint8_t, MAX_SYMBOLS>& reach_;
};

// Bytes with their bit order reversed.
constexpr std::array<uint8_t, 256> reversed_bytes = [] {
    std::array<uint8_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = 0;
        for (unsigned b = 0; b < 8; ++b) r |= ((i >> b) & 1u) << (7 - b);
        t[i] = static_cast<uint8_t>(r);
    }
    return t;
}();

// The low `length` (1..16) bits of `code` in reverse order.
uint32_t reverse_bits(uint32_t code, unsigned length) {
    const uint32_t r16 = (uint32_t{reversed_bytes[code & 0xFF]} << 8) | reversed_bytes[(code >> 8) & 0xFF];
    return r16 >> (16 - length);
}

}  // namespace

int build_decode_table(const unsigned* lengths, unsigned n, unsigned simple_count,
                       const uint16_t* bases, const uint8_t* extras, DecodeEntry** root,
                       int* root_bits) {
    *root = nullptr;
    CodeSet set;
    const int counted = count_codes(lengths, n, set);
    if (counted != 0) return counted;
    if (set.coded == 0) {
        *root_bits = 0;
        return 0;
    }
    LinkedSink sink(simple_count, bases, extras);
    unsigned width = 0;
    const int r = lay_out(set, lengths, n, *root_bits, sink, &width);
    if (r != 0) return r;
    *root_bits = static_cast<int>(width);
    *root = sink.chain().take_root();
    return completeness(set);
}

int build_packed_table(const unsigned* lengths, unsigned n, unsigned simple_count,
                       const uint16_t* bases, const uint8_t* extras, int layout_root_bits,
                       unsigned root_bits, uint32_t* storage, size_t capacity, PackedTable* out) {
    *out = PackedTable{};
    CodeSet set;
    const int counted = count_codes(lengths, n, set);
    if (counted != 0) return counted;
    if (set.coded == 0) return 0;

    std::array<uint8_t, MAX_SYMBOLS> reach{};
    ReachSink measure(reach);
    unsigned layout_width = 0;
    const int laid = lay_out(set, lengths, n, layout_root_bits, measure, &layout_width);
    if (laid != 0) return laid;

    if (root_bits < 1) root_bits = 1;
    const unsigned max_len = set.max_len;
    const unsigned root = root_bits < max_len ? root_bits : max_len;
    const uint32_t root_size = uint32_t{1} << root;
    if (root_size > capacity) return 3;
    size_t used = root_size;

    // Codes not yet placed, with the left-over code space as codes of the
    // longest length: the widths of the subtables then cover it too.
    std::array<unsigned, MAX_CODE_BITS + 1> count = set.count;
    count[max_len] += static_cast<unsigned>(set.free_codes);

    uint32_t* const table = storage;
    uint32_t sub_prefix = UINT32_MAX;  // root index of the open subtable
    uint32_t sub_offset = 0;
    unsigned sub_width = 0;

    // Fills code `code` (`length` bits, first bit most significant) with `e`
    // (bits field still 0); opens its subtable when it is longer than the root.
    auto fill = [&](uint32_t code, unsigned length, uint32_t e) -> bool {
        const uint32_t reversed = reverse_bits(code, length);
        if (length <= root) {
            e |= length;
            for (uint32_t i = reversed; i < root_size; i += uint32_t{1} << length) table[i] = e;
            return true;
        }
        const uint32_t prefix = reversed & (root_size - 1);
        if (prefix != sub_prefix) {
            // The subtable spans the code space below this prefix: the codes
            // still to place, of this length and longer, in order, until they
            // fill it.
            unsigned width = length - root;
            int32_t left = int32_t{1} << width;
            while (root + width < max_len) {
                left -= static_cast<int32_t>(count[root + width]);
                if (left <= 0) break;
                ++width;
                left <<= 1;
            }
            if (used + (size_t{1} << width) > capacity || used > 0xFFFF) return false;
            sub_prefix = prefix;
            sub_offset = static_cast<uint32_t>(used);
            sub_width = width;
            used += size_t{1} << width;
            table[prefix] = packed_entry(root, width, PACKED_LINK, sub_offset);
        }
        const unsigned sub_length = length - root;
        e |= sub_length;
        uint32_t* sub = table + sub_offset;
        for (uint32_t i = reversed >> root; i < (uint32_t{1} << sub_width);
             i += uint32_t{1} << sub_length)
            sub[i] = e;
        return true;
    };

    // Canonical codes, first bit most significant, in order of length and symbol.
    std::array<uint32_t, MAX_CODE_BITS + 2> next_code{};
    for (unsigned len = 1; len <= max_len; ++len)
        next_code[len] = (next_code[len - 1] + set.count[len - 1] * (len > 1)) << 1;
    for (unsigned i = 0; i < set.coded; ++i) {
        const unsigned s = set.sorted[i];
        const unsigned length = lengths[s];
        uint32_t kind = PACKED_INVALID;
        uint32_t value = 0;
        if (s < simple_count) {
            kind = s < 256 ? DECODE_LITERAL : DECODE_END_OF_BLOCK;
            value = s;
        } else if (bases && extras) {
            const uint32_t extra = extras[s - simple_count];
            kind = extra <= 13 ? extra : extra <= 16 ? PACKED_LONG_EXTRA + extra : PACKED_INVALID;
            value = bases[s - simple_count];
        }
        if (!fill(next_code[length]++, length, packed_entry(0, reach[s], kind, value))) return 3;
        --count[length];
    }

    // The code space no symbol uses, in the largest aligned pieces: invalid.
    const uint32_t space_end = uint32_t{1} << max_len;
    uint32_t next = next_code[max_len];
    while (next < space_end) {
        unsigned zeros = 0;
        while (zeros < max_len && !((next >> zeros) & 1u)) ++zeros;
        const unsigned length = max_len - zeros;
        if (!fill(next >> zeros, length, packed_entry(0, 0, PACKED_INVALID, 0))) return 3;
        next += uint32_t{1} << zeros;
    }

    out->entries = table;
    out->root_bits = root;
    return completeness(set);
}

void release_decode_table(DecodeEntry* root) {
    if (!root) return;
    DecodeEntry* block = root - 1;
    while (block) {
        DecodeEntry* next = block->subtable;
        std::unique_ptr<DecodeEntry[]> owner(block);
        block = next;
    }
}
