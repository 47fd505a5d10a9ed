// Method 14: decodes an LZMA stream in the ZIP framing (a 2-byte encoder
// version, a 2-byte properties size of 5, the properties byte and the 32-bit
// dictionary size, then the range-coded data). General-purpose flag bit 1 says
// the data ends with an end marker; without it the data ends at the member's
// declared size.
//
// The dictionary is a circular buffer allocated for the member: the smaller of
// the stream's dictionary size and the member's declared size (no distance can
// reach farther back than either), so that small members decoded with a large
// dictionary take little memory. Every distance is checked against the output
// produced so far. The buffer is passed to write_out() in pieces of up to
// OUT_CHUNK bytes while its contents are still in the cache.
//
// All adaptive probabilities live in one array of 11-bit values; the range
// decoder and the input position stay in locals of the decoding loop, which
// takes input straight from the archive's input block.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/globals.h"
#include "engine/io.h"
#include "methods/input_cursor.h"
#include "methods/methods.h"

namespace {

using Prob = uint16_t;

constexpr unsigned PROB_BITS = 11;
constexpr Prob PROB_INIT = 1u << (PROB_BITS - 1);
constexpr unsigned MOVE_BITS = 5;
constexpr uint32_t RANGE_TOP = 1u << 24;

constexpr unsigned STATES = 12;
constexpr unsigned POS_STATES_MAX = 16;
constexpr unsigned LEN_TO_POS_STATES = 4;
constexpr unsigned ALIGN_BITS = 4;
constexpr unsigned END_POS_MODEL_INDEX = 14;
constexpr unsigned FULL_DISTANCES = 128;
constexpr unsigned MATCH_MIN_LEN = 2;
constexpr unsigned LITERAL_STATES = 7;  // states below this follow a literal

// A length coder: two choice bits, then a 3-bit tree per position state for
// lengths 0..7 and 8..15, or one 8-bit tree for 16..271.
constexpr unsigned LEN_CHOICE = 0;
constexpr unsigned LEN_CHOICE2 = 1;
constexpr unsigned LEN_LOW = 2;
constexpr unsigned LEN_MID = LEN_LOW + POS_STATES_MAX * 8;
constexpr unsigned LEN_HIGH = LEN_MID + POS_STATES_MAX * 8;
constexpr unsigned LEN_CODER_SIZE = LEN_HIGH + 256;

// The offsets of each model in the one array of probabilities.
constexpr unsigned IS_MATCH = 0;
constexpr unsigned IS_REP = IS_MATCH + STATES * POS_STATES_MAX;
constexpr unsigned IS_REP_G0 = IS_REP + STATES;
constexpr unsigned IS_REP_G1 = IS_REP_G0 + STATES;
constexpr unsigned IS_REP_G2 = IS_REP_G1 + STATES;
constexpr unsigned IS_REP0_LONG = IS_REP_G2 + STATES;
constexpr unsigned POS_SLOT = IS_REP0_LONG + STATES * POS_STATES_MAX;
constexpr unsigned SPEC_POS = POS_SLOT + LEN_TO_POS_STATES * 64;
constexpr unsigned ALIGN = SPEC_POS + 1 + FULL_DISTANCES - END_POS_MODEL_INDEX;
constexpr unsigned LEN_CODER = ALIGN + (1u << ALIGN_BITS);
constexpr unsigned REP_LEN_CODER = LEN_CODER + LEN_CODER_SIZE;
constexpr unsigned LITERAL = REP_LEN_CODER + LEN_CODER_SIZE;

constexpr uint32_t END_MARKER_DISTANCE = 0xFFFFFFFFu;

// Output is handed on at least this often.
constexpr uint32_t OUT_CHUNK = 1u << 17;

// Bytes of the ZIP framing before the range-coded data.
constexpr int HEADER_BYTES = 9;

// The smallest dictionary buffer allocated.
constexpr uint32_t MIN_BUFFER = 4096;

// Bytes of the buffer beyond the farthest distance: a copy may store whole
// words past its end there, bytes that no distance reaches before they are
// written again.
constexpr uint32_t COPY_SLACK = 16;

struct Properties {
    unsigned lc = 0, lp = 0, pb = 0;
    uint32_t dictionary = 0;
};

class Decoder {
public:
    Decoder(const Properties& p, uint8_t* dictionary, uint32_t dictionary_size, Prob* probs,
            size_t probs_count, uint64_t declared)
        : lc_(p.lc),
          lp_mask_((1u << p.lp) - 1),
          pb_mask_((1u << p.pb) - 1),
          dict_limit_(p.dictionary),
          dic_(dictionary),
          dic_size_(dictionary_size),
          probs_(probs),
          probs_count_(probs_count),
          declared_(declared) {}

    // 0 ok (the stream ended, with its marker when `marker` is set); 1 invalid data.
    int run(bool marker);

private:
    // Decoding of one stretch of output, up to `limit` in the buffer: 0 the
    // limit was reached, 1 the end marker was read, -1 invalid data.
    int decode(uint32_t limit);
    bool start();
    void flush();
    // The next input byte when the input block or the member's data is used
    // up; 0 (counted) past the end of the data.
    uint8_t slow_byte(const uint8_t*& pos, const uint8_t*& end);

    const unsigned lc_;
    const uint32_t lp_mask_, pb_mask_;
    const uint32_t dict_limit_;  // the stream's dictionary size: no distance reaches farther
    uint8_t* const dic_;
    const uint32_t dic_size_;
    Prob* const probs_;
    const size_t probs_count_;
    const uint64_t declared_;

    InputCursor input_;
    int64_t overrun_ = 0;  // bytes asked for past the member's data

    uint32_t range_ = 0xFFFFFFFFu, code_ = 0;
    unsigned state_ = 0;
    uint32_t rep0_ = 0, rep1_ = 0, rep2_ = 0, rep3_ = 0;
    uint32_t pos_ = 0;       // next write position in the buffer
    uint32_t flushed_ = 0;   // buffer bytes already written out
    uint64_t total_ = 0;     // bytes produced
    uint32_t pending_ = 0;   // bytes of a match still to copy
};

uint8_t Decoder::slow_byte(const uint8_t*& pos, const uint8_t*& end) {
    input_.pos = pos;
    input_.store();
    int c = -1;
    if (G.packed_left > 0) c = next_byte();
    input_.load();
    pos = input_.pos;
    end = pos + input_.avail;
    if (c < 0) {
        ++overrun_;
        return 0;
    }
    return static_cast<uint8_t>(c);
}

bool Decoder::start() {
    input_.load();
    const uint8_t* pos = input_.pos;
    const uint8_t* end = pos + input_.avail;
    // The range coder's first byte is always 0; then the code's four bytes.
    uint8_t first = pos < end ? *pos++ : slow_byte(pos, end);
    for (int i = 0; i < 4; ++i) code_ = (code_ << 8) | (pos < end ? *pos++ : slow_byte(pos, end));
    input_.pos = pos;
    input_.store();
    input_.load();
    return first == 0 && code_ != range_ && overrun_ == 0;
}

void Decoder::flush() {
    input_.store();
    write_out(dic_ + flushed_, pos_ - flushed_, 0);
    input_.load();
    if (pos_ == dic_size_) pos_ = 0;
    flushed_ = pos_;
}

int Decoder::decode(uint32_t limit) {
    uint32_t range = range_, code = code_;
    const uint8_t* in = input_.pos;
    const uint8_t* in_end = in + input_.avail;
    unsigned state = state_;
    uint32_t rep0 = rep0_, rep1 = rep1_, rep2 = rep2_, rep3 = rep3_;
    uint32_t pos = pos_;
    uint64_t total = total_;
    uint8_t* const dic = dic_;
    const uint32_t dic_size = dic_size_;
    Prob* const probs = probs_;
    int status = 0;

    auto normalize = [&]() __attribute__((always_inline)) {
        if (range < RANGE_TOP) {
            range <<= 8;
            code = (code << 8) | (in < in_end ? *in++ : slow_byte(in, in_end));
        }
    };
    auto bit = [&](Prob* p) __attribute__((always_inline)) -> unsigned {
        normalize();
        const uint32_t bound = (range >> PROB_BITS) * *p;
        if (code < bound) {
            range = bound;
            *p = static_cast<Prob>(*p + (((1u << PROB_BITS) - *p) >> MOVE_BITS));
            return 0;
        }
        range -= bound;
        code -= bound;
        *p = static_cast<Prob>(*p - (*p >> MOVE_BITS));
        return 1;
    };
    auto tree = [&](Prob* p, unsigned bits) __attribute__((always_inline)) -> unsigned {
        unsigned m = 1;
        for (unsigned i = 0; i < bits; ++i) m = (m << 1) | bit(p + m);
        return m - (1u << bits);
    };
    auto reverse_tree = [&](Prob* p, unsigned bits) __attribute__((always_inline)) -> unsigned {
        unsigned m = 1, symbol = 0;
        for (unsigned i = 0; i < bits; ++i) {
            const unsigned b = bit(p + m);
            m = (m << 1) | b;
            symbol |= b << i;
        }
        return symbol;
    };
    auto length = [&](Prob* coder, unsigned pos_state) __attribute__((always_inline)) -> unsigned {
        if (bit(coder + LEN_CHOICE) == 0) return tree(coder + LEN_LOW + pos_state * 8, 3);
        if (bit(coder + LEN_CHOICE2) == 0) return 8 + tree(coder + LEN_MID + pos_state * 8, 3);
        return 16 + tree(coder + LEN_HIGH, 8);
    };
    auto copy = [&](uint32_t distance, uint32_t len) __attribute__((always_inline)) {
        // distance < total and distance < dic_size - COPY_SLACK: the source is
        // in the buffer, and the slack ahead of the output is not.
        uint32_t src = pos > distance ? pos - distance - 1 : pos + dic_size - distance - 1;
        const uint32_t end = std::max(src, pos) + len;
        if (end + 8 <= dic_size && (src < pos ? distance + 1 : src - pos) >= 8) {
            // Words of eight, each read before the bytes it could overlap are
            // stored; the last may store up to 7 bytes past the copy.
            uint8_t* d = dic + pos;
            const uint8_t* s = dic + src;
            uint8_t* const d_end = d + len;
            do {
                std::memcpy(d, s, 8);
                d += 8;
                s += 8;
            } while (d < d_end);
            pos += len;
        } else if (distance == 0 && end + 8 <= dic_size) {
            // A run of one byte, in words (no call in this loop: its state
            // stays in registers).
            const uint64_t word = 0x0101010101010101u * dic[src];
            uint8_t* d = dic + pos;
            uint8_t* const d_end = d + len;
            do {
                std::memcpy(d, &word, 8);
                d += 8;
            } while (d < d_end);
            pos += len;
        } else {
            for (uint32_t i = 0; i < len; ++i) {
                dic[pos++] = dic[src++];
                if (src == dic_size) src = 0;
            }
        }
        total += len;
    };

    if (pending_ > 0) {
        const uint32_t n = std::min(pending_, limit - pos);
        copy(rep0, n);
        pending_ -= n;
    }

    while (pos < limit) {
        const unsigned pos_state = static_cast<uint32_t>(total) & pb_mask_;
        if (bit(probs + IS_MATCH + state * POS_STATES_MAX + pos_state) == 0) {
            const unsigned prev = total == 0 ? 0 : dic[(pos == 0 ? dic_size : pos) - 1];
            Prob* const lit = probs + LITERAL +
                              0x300u * ((((static_cast<uint32_t>(total) & lp_mask_) << lc_) +
                                         (prev >> (8 - lc_))));
            unsigned symbol = 1;
            if (state >= LITERAL_STATES) {
                // After a match: the byte at the last distance guides the
                // first bits, until one differs from it.
                unsigned match_byte = dic[pos > rep0 ? pos - rep0 - 1 : pos + dic_size - rep0 - 1];
                do {
                    const unsigned match_bit = (match_byte >> 7) & 1;
                    match_byte <<= 1;
                    const unsigned b = bit(lit + ((1 + match_bit) << 8) + symbol);
                    symbol = (symbol << 1) | b;
                    if (b != match_bit) break;
                } while (symbol < 0x100);
            }
            while (symbol < 0x100) symbol = (symbol << 1) | bit(lit + symbol);
            dic[pos++] = static_cast<uint8_t>(symbol);
            ++total;
            state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
            continue;
        }

        uint32_t len;
        if (bit(probs + IS_REP + state) != 0) {
            if (total == 0) {
                status = -1;
                break;
            }
            if (bit(probs + IS_REP_G0 + state) == 0) {
                if (bit(probs + IS_REP0_LONG + state * POS_STATES_MAX + pos_state) == 0) {
                    // One byte at the last distance.
                    state = state < LITERAL_STATES ? 9 : 11;
                    dic[pos] = dic[pos > rep0 ? pos - rep0 - 1 : pos + dic_size - rep0 - 1];
                    ++pos;
                    ++total;
                    continue;
                }
            } else {
                uint32_t distance;
                if (bit(probs + IS_REP_G1 + state) == 0) {
                    distance = rep1;
                } else {
                    if (bit(probs + IS_REP_G2 + state) == 0) {
                        distance = rep2;
                    } else {
                        distance = rep3;
                        rep3 = rep2;
                    }
                    rep2 = rep1;
                }
                rep1 = rep0;
                rep0 = distance;
            }
            len = length(probs + REP_LEN_CODER, pos_state);
            state = state < LITERAL_STATES ? 8 : 11;
        } else {
            rep3 = rep2;
            rep2 = rep1;
            rep1 = rep0;
            len = length(probs + LEN_CODER, pos_state);
            state = state < LITERAL_STATES ? 7 : 10;
            const unsigned slot = tree(probs + POS_SLOT + std::min(len, LEN_TO_POS_STATES - 1) * 64, 6);
            uint32_t distance = slot;
            if (slot >= 4) {
                const unsigned direct = (slot >> 1) - 1;
                distance = (2 | (slot & 1)) << direct;
                if (slot < END_POS_MODEL_INDEX) {
                    distance += reverse_tree(probs + SPEC_POS + distance - slot, direct);
                } else {
                    uint32_t value = 0;
                    for (unsigned i = direct - ALIGN_BITS; i > 0; --i) {
                        normalize();
                        range >>= 1;
                        const uint32_t t = 0u - ((code - range) >> 31);  // all ones: bit 0
                        code -= range & ~t;
                        value = (value << 1) | (t + 1);
                    }
                    distance += value << ALIGN_BITS;
                    distance += reverse_tree(probs + ALIGN, ALIGN_BITS);
                }
            }
            rep0 = distance;
            if (distance == END_MARKER_DISTANCE) {
                status = 1;
                break;
            }
            if (distance >= total || distance >= dict_limit_) {
                status = -1;
                break;
            }
        }
        len += MATCH_MIN_LEN;
        const uint32_t n = std::min(len, limit - pos);
        copy(rep0, n);
        pending_ = len - n;
    }

    range_ = range;
    code_ = code;
    input_.pos = in;
    state_ = state;
    rep0_ = rep0;
    rep1_ = rep1;
    rep2_ = rep2;
    rep3_ = rep3;
    pos_ = pos;
    total_ = total;
    return status;
}

int Decoder::run(bool marker) {
    std::fill(probs_, probs_ + probs_count_, PROB_INIT);
    if (!start()) return 1;
    for (;;) {
        if (overrun_ > 0 || output_overflowed() || G.disk_full_state != 0) return 1;
        const uint64_t left = declared_ - total_;
        if (left == 0) break;
        const uint32_t limit = static_cast<uint32_t>(
            std::min<uint64_t>({dic_size_, uint64_t{flushed_} + OUT_CHUNK, pos_ + left}));
        const int status = decode(limit);
        input_.store();
        input_.load();
        flush();
        if (status < 0) return 1;
        if (status > 0) return overrun_ > 0 ? 1 : 0;  // the end marker; a short member is reported by the engine
    }
    // The declared size is reached: a match may not go on past it, and a
    // stream with an end marker must end with it here.
    if (pending_ > 0 || overrun_ > 0) return 1;
    if (!marker) return 0;
    // A marker right here: the decoding of one more symbol must find it and
    // may not produce a byte (the limit lets none through).
    const int status = decode(pos_ + 1);
    input_.store();
    return status == 1 && total_ == declared_ && overrun_ == 0 ? 0 : 1;
}

// Reads the framing: 0, 1 (damaged or short) with *props filled.
int read_properties(Properties* props) {
    uint8_t header[HEADER_BYTES];
    for (uint8_t& b : header) {
        const int c = next_byte();
        if (c < 0) return 1;
        b = static_cast<uint8_t>(c);
    }
    // header[0..1]: the encoder's version, not needed to decode.
    if (get_u16le(header + 2) != 5) return 1;
    unsigned d = header[4];
    if (d >= 9 * 5 * 5) return 1;
    props->lc = d % 9;
    d /= 9;
    props->lp = d % 5;
    props->pb = d / 5;
    props->dictionary = get_u32le(header + 5);
    return 0;
}

}  // namespace

int lzma_member(uint32_t* refused_dictionary) {
    Properties props;
    if (read_properties(&props) != 0) return 1;
    const uint64_t declared = G.unpacked_size;
    // No distance reaches farther back than the dictionary or the output.
    const uint64_t reach = std::max<uint64_t>(std::min<uint64_t>(props.dictionary, declared), MIN_BUFFER);
    if (reach > LZMA_DICTIONARY_LIMIT) {
        *refused_dictionary = props.dictionary;
        return METHOD_REFUSED;
    }
    const size_t probs_count = LITERAL + (size_t{0x300} << (props.lc + props.lp));
    const uint64_t needed = reach + COPY_SLACK;
    std::unique_ptr<uint8_t[]> dictionary;
    std::unique_ptr<Prob[]> probs;
    try {
        dictionary = std::make_unique_for_overwrite<uint8_t[]>(needed);
        probs = std::make_unique_for_overwrite<Prob[]>(probs_count);
    } catch (const std::bad_alloc&) {
        return 3;
    }
    Decoder decoder(props, dictionary.get(), static_cast<uint32_t>(needed), probs.get(), probs_count,
                    declared);
    return decoder.run((G.local.flags & FLAG_LZMA_END_MARKER) != 0);
}
