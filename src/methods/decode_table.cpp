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
    DecodeEntry* table = nullptr;
    unsigned width = 0;    // index bits of this table
    unsigned start = 0;    // code bits decoded before this table
    uint32_t prefix = 0;   // those bits, as read from the input
};

}  // namespace

int build_decode_table(const unsigned* lengths, unsigned n, unsigned simple_count,
                       const uint16_t* bases, const uint8_t* extras, DecodeEntry** root,
                       int* root_bits) {
    *root = nullptr;
    if (n > MAX_SYMBOLS) return 2;

    std::array<unsigned, MAX_CODE_BITS + 1> count{};
    for (unsigned s = 0; s < n; ++s) {
        if (lengths[s] > MAX_CODE_BITS) return 2;
        ++count[lengths[s]];
    }
    if (count[0] == n) {
        *root_bits = 0;
        return 0;
    }

    unsigned min_len = 1;
    while (count[min_len] == 0) ++min_len;
    unsigned max_len = MAX_CODE_BITS;
    while (count[max_len] == 0) --max_len;
    unsigned root_width = *root_bits < static_cast<int>(min_len) ? min_len
                                                                 : static_cast<unsigned>(*root_bits);
    if (root_width > max_len) root_width = max_len;

    // Check the code space; whatever is left over becomes padding codes of the
    // longest length, so that every table entry gets filled.
    int32_t free_codes = int32_t{1} << min_len;
    for (unsigned len = min_len; len < max_len; ++len) {
        free_codes -= static_cast<int32_t>(count[len]);
        if (free_codes < 0) return 2;
        free_codes <<= 1;
    }
    free_codes -= static_cast<int32_t>(count[max_len]);
    if (free_codes < 0) return 2;

    // Symbols with a code, by length and within a length by symbol.
    std::array<unsigned, MAX_SYMBOLS> symbols_by_length{};
    std::array<unsigned, MAX_CODE_BITS + 1> next_slot{};
    for (unsigned len = 1, slot = 0; len <= MAX_CODE_BITS; ++len) {
        next_slot[len] = slot;
        slot += count[len];
    }
    for (unsigned s = 0; s < n; ++s)
        if (lengths[s] != 0) symbols_by_length[next_slot[lengths[s]]++] = s;
    const unsigned coded_symbols = n - count[0];
    count[max_len] += static_cast<unsigned>(free_codes);

    // The end-of-block code ends exactly at a table boundary.
    const unsigned eob_len = n > 256 ? lengths[256] : 0;

    TableChain chain;
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

                DecodeEntry* table = chain.add(j);
                if (!table) return 3;
                ++h;
                levels[h] = Level{table, j, w, code & mask_of(w)};
                cur_width = j;
                if (h > 0) {
                    const Level& above = levels[h - 1];
                    DecodeEntry link{};
                    link.kind = static_cast<uint8_t>(16 + j);
                    link.bits = static_cast<uint8_t>(above.width);
                    link.subtable = table;
                    above.table[(code >> above.start) & mask_of(above.width)] = link;
                }
            }

            DecodeEntry entry{};
            entry.bits = static_cast<uint8_t>(k - w);
            if (next_symbol >= coded_symbols) {
                entry.kind = DECODE_INVALID;  // padding of an incomplete set
                entry.value = 0;
            } else {
                const unsigned s = symbols_by_length[next_symbol++];
                if (s < simple_count) {
                    entry.kind = s < 256 ? DECODE_LITERAL : DECODE_END_OF_BLOCK;
                    entry.value = static_cast<uint16_t>(s);
                } else if (bases && extras) {
                    entry.kind = extras[s - simple_count];
                    entry.value = bases[s - simple_count];
                } else {
                    entry.kind = DECODE_INVALID;
                    entry.value = 0;
                }
            }
            DecodeEntry* table = levels[h].table;
            const uint32_t size = uint32_t{1} << cur_width;
            for (uint32_t i = code >> w; i < size; i += uint32_t{1} << (k - w)) table[i] = entry;

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

    *root_bits = static_cast<int>(levels[0].width);
    *root = chain.take_root();
    return (free_codes != 0 && max_len != 1) ? 1 : 0;
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
