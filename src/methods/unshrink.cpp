// Method 1 (shrink): dynamic LZW with 9 to 13-bit codes. Code 256 is a control
// code whose sub-code 1 widens the codes by one bit and whose sub-code 2 frees
// every dictionary entry that no other entry extends.
//
// The dictionary lives in the engine's window, which no other method needs
// while this member is decoded:
//   bytes     0..16383  prefix of each code (8192 16-bit entries, -1 unassigned)
//   bytes 16384..24575  last byte of each code's string
//   bytes 24576..32767  stack on which a code's string is expanded back to front
// Output is collected in convert_buf and passed on in blocks of 65536 bytes.
//
// A code's string is normally written straight into convert_buf, back to
// front from its expected end: each code keeps the length its string had when
// it was defined, and the walk along its prefixes confirms that length. Codes
// whose chain says otherwise (freed prefixes, damaged data) and strings that
// reach the end of the block go through the stack with the general rules.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "engine/globals.h"
#include "engine/io.h"
#include "methods/held_bits.h"
#include "methods/input_cursor.h"
#include "methods/methods.h"
#include "methods/unshrink.h"

namespace {

constexpr int CODE_COUNT = 8192;
constexpr int CONTROL_CODE = 256;
constexpr int FIRST_FREE_CODE = 257;
constexpr int MAX_CODE_WIDTH = 13;
constexpr uint32_t OUT_BLOCK = 65536;

constexpr size_t SUFFIX_OFFSET = 2 * CODE_COUNT;
constexpr size_t STACK_OFFSET = SUFFIX_OFFSET + CODE_COUNT;
static_assert(STACK_OFFSET + CODE_COUNT == WINDOW_SIZE, "the tables fill the window");

constexpr uint16_t UNASSIGNED = 0xFFFF;  // -1 as a 16-bit entry
constexpr uint16_t MARK = 0x8000;        // bit 15: candidate of a partial clear

uint16_t prefix_of(int code) {
    uint16_t v;
    std::memcpy(&v, G.window.data() + 2 * static_cast<size_t>(code), sizeof v);
    return v;
}

void set_prefix(int code, uint16_t v) {
    std::memcpy(G.window.data() + 2 * static_cast<size_t>(code), &v, sizeof v);
}

uint8_t& suffix_of(int code) { return G.window[SUFFIX_OFFSET + static_cast<size_t>(code)]; }

uint8_t* stack_base() { return G.window.data() + STACK_OFFSET; }

int next_free_code = FIRST_FREE_CODE;

int lowest_free_from(int code) {
    while (code < CODE_COUNT && prefix_of(code) != UNASSIGNED) ++code;
    return code;
}

// Passes the bytes collected in convert_buf on and empties it.
void flush_output() {
    if (G.window_fill > 0) write_out(G.convert_buf.data(), G.window_fill, 1);
    G.window_fill = 0;
}

// Appends the expanded string (stack[bottom..CODE_COUNT)) to the output.
void output_stack(int bottom) {
    const uint8_t* stack = stack_base();
    const uint32_t count = static_cast<uint32_t>(CODE_COUNT - bottom);
    if (count + G.window_fill < OUT_BLOCK) {
        std::memcpy(G.convert_buf.data() + G.window_fill, stack + bottom, count);
        G.window_fill += count;
        return;
    }
    for (int i = bottom; i < CODE_COUNT; ++i) {
        G.convert_buf[G.window_fill++] = stack[i];
        if (G.window_fill == OUT_BLOCK) flush_output();
    }
}

// For each code, the length of its string when it was defined: where the
// string's last byte goes when it is written back to front. Only a hint: the
// walk in write_string() checks it.
std::array<uint16_t, CODE_COUNT> string_length{};

// Writes the string of `code`, taken to be `n` bytes long (n at least 1), to
// dest[0..n) back to front. False, with dest[0..n) holding anything, when the
// code's chain does not end in a byte code after exactly n codes or passes an
// unassigned code.
inline bool write_string(uint8_t* dest, int code, uint32_t n) {
    const uint8_t* const window = G.window.data();
    const uint8_t* const suffix = window + SUFFIX_OFFSET;
    uint8_t* q = dest + n;
    auto c = static_cast<unsigned>(code);
    for (uint32_t k = n - 1; k > 0; --k) {
        // Also refuses the unassigned value, far above the code range.
        if (c - FIRST_FREE_CODE >= CODE_COUNT - FIRST_FREE_CODE) return false;
        *--q = suffix[c];
        uint16_t p;
        std::memcpy(&p, window + 2 * static_cast<size_t>(c), sizeof p);
        c = p;
    }
    if (c >= FIRST_FREE_CODE) return false;
    *--q = suffix[c];
    return true;
}

bool is_undefined(int code) { return code >= FIRST_FREE_CODE && prefix_of(code) == UNASSIGNED; }

struct Expanded {
    uint32_t length;  // 0: damaged data, the member ends
    uint8_t first;    // the string's first byte
};

// The general expansion of a code, with every rule for damaged data and freed
// codes: the string is built on the stack back to front and appended to the
// output through output_stack().
[[gnu::noinline]] Expanded expand_on_stack(int code, int previous, uint8_t last_char) {
    uint8_t* const stack = stack_base();
    int bottom = CODE_COUNT;
    // Damaged data can chain undefined codes into a loop; a sound string
    // never outgrows the stack, so a full stack ends the member.
    bool damaged = false;
    auto push = [&](uint8_t byte) {
        if (bottom == 0) {
            damaged = true;
            return;
        }
        stack[--bottom] = byte;
    };
    if (is_undefined(code)) {
        // Not yet defined: the previous string followed by its own first byte.
        if (is_undefined(previous)) damaged = true;
        push(last_char);
        code = previous;
    }
    while (!damaged && code >= FIRST_FREE_CODE) {
        if (prefix_of(code) == UNASSIGNED) {
            if (is_undefined(previous)) {
                damaged = true;
                break;
            }
            push(last_char);
            code = previous;
        } else {
            push(suffix_of(code));
            code = prefix_of(code);
        }
    }
    if (damaged) return {0, 0};
    last_char = suffix_of(code);
    push(last_char);
    if (damaged) return {0, 0};
    output_stack(bottom);
    return {static_cast<uint32_t>(CODE_COUNT - bottom), last_char};
}

}  // namespace

void clear_unused_codes() {
    const int end = next_free_code;
    for (int code = FIRST_FREE_CODE; code < end; ++code)
        set_prefix(code, static_cast<uint16_t>(prefix_of(code) | MARK));
    // Only codes of the cleared range carry the mark. A prefix at or above the
    // range's end is left alone: it may be an unassigned code (a code freed
    // while it was the previous code), whose -1 must stay -1.
    for (int code = FIRST_FREE_CODE; code < end; ++code) {
        const int prefix = prefix_of(code) & ~MARK;
        if (prefix >= FIRST_FREE_CODE && prefix < end)
            set_prefix(prefix, static_cast<uint16_t>(prefix_of(prefix) & ~MARK));
    }
    for (int code = FIRST_FREE_CODE; code < end; ++code)
        if (prefix_of(code) & MARK) set_prefix(code, UNASSIGNED);
    next_free_code = lowest_free_from(FIRST_FREE_CODE);
}

int unshrink_member() {
    if (G.cur && G.cur->convert_text && G.unshrink_buffer.empty()) {
        try {
            G.unshrink_buffer.resize(UNSHRINK_BUF_SIZE);
        } catch (const std::bad_alloc&) {
            return 5;
        }
    }
    if (G.convert_buf.size() < OUT_BLOCK) G.convert_buf.resize(CONVERT_BUF_SIZE);

    G.window_fill = 0;
    int code_width = 9;
    next_free_code = FIRST_FREE_CODE;
    for (int code = 0; code < 256; ++code) {
        set_prefix(code, 0);
        suffix_of(code) = static_cast<uint8_t>(code);
    }
    for (int code = CONTROL_CODE; code < CODE_COUNT; ++code) set_prefix(code, UNASSIGNED);
    suffix_of(CONTROL_CODE) = 0;

    HeldBitReader in;
    in.load();
    int previous = static_cast<int>(in.take(code_width));
    if (in.exhausted) {
        in.store();
        return 0;
    }
    uint8_t last_char = static_cast<uint8_t>(previous);
    uint8_t* const out = G.convert_buf.data();
    uint32_t fill = 0;
    out[fill++] = last_char;
    uint32_t previous_length = 1;  // bytes written for the previous code

    int next_free = next_free_code;
    while (!in.exhausted && !output_overflowed()) {
        int code = static_cast<int>(in.take(code_width));
        if (in.exhausted) break;
        if (code == CONTROL_CODE) [[unlikely]] {
            bool ended = false;
            while (code == CONTROL_CODE) {
                const unsigned sub = in.take(code_width);
                if (sub == 1) {
                    // A width above 13 cannot come from a sound stream: the member ends here.
                    if (code_width == MAX_CODE_WIDTH) {
                        ended = true;
                        break;
                    }
                    ++code_width;
                } else if (sub == 2) {
                    next_free_code = next_free;
                    clear_unused_codes();
                    next_free = next_free_code;
                }
                code = static_cast<int>(in.take(code_width));
                if (in.exhausted) {
                    ended = true;
                    break;
                }
            }
            if (ended) break;
        }

        uint32_t length;
        if (code < FIRST_FREE_CODE && fill + 1 < OUT_BLOCK) {
            last_char = static_cast<uint8_t>(code);
            out[fill++] = last_char;
            length = 1;
        } else {
            // A defined code is its own string; a code not yet defined is the
            // previous string followed by that string's first byte. Either is
            // written straight into the output when its chain proves as long
            // as expected. (Byte codes get here only when the block is full:
            // they have no length entry.)
            const bool defined = prefix_of(code) != UNASSIGNED;
            length = defined ? string_length[static_cast<size_t>(code)] : previous_length + 1;
            if (length >= 2 && fill + length < OUT_BLOCK &&
                write_string(out + fill, defined ? code : previous, defined ? length : length - 1)) {
                if (!defined) out[fill + length - 1] = last_char;
                last_char = out[fill];
                fill += length;
            } else {
                G.window_fill = fill;
                in.input.store();
                const Expanded e = expand_on_stack(code, previous, last_char);
                in.input.load();
                fill = G.window_fill;
                if (e.length == 0) break;
                length = e.length;
                last_char = e.first;
            }
        }

        if (next_free < CODE_COUNT) {
            set_prefix(next_free, static_cast<uint16_t>(previous));
            suffix_of(next_free) = last_char;
            string_length[static_cast<size_t>(next_free)] =
                static_cast<uint16_t>(std::min<uint32_t>(previous_length + 1, CODE_COUNT));
            next_free = lowest_free_from(next_free + 1);
        }
        previous = code;
        previous_length = length;
    }
    next_free_code = next_free;
    G.window_fill = fill;
    in.store();
    flush_output();
    return 0;
}
