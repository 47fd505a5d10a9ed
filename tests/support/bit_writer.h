// Hand-made compressed streams: a bit packer (least significant bit first),
// canonical prefix codes from code lengths, and helpers that write deflate
// blocks piece by piece, so that tests can build valid and damaged streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/zip_writer.h"

namespace tz {

class BitWriter {
public:
    // The low `count` bits (at most 32) of `value`, least significant first.
    void bits(uint32_t value, unsigned count);
    // A prefix code of `length` bits, most significant bit first.
    void code(uint32_t code, unsigned length);
    // Zero bits up to the next byte boundary.
    void align();
    // Whole bytes (call align() first when not on a byte boundary).
    void raw(const Bytes& data);
    size_t bit_count() const { return out_.size() * 8 + pending_; }
    // The stream so far; a partial last byte is completed with zero bits.
    Bytes bytes() const;

private:
    Bytes out_;
    uint32_t acc_ = 0;
    unsigned pending_ = 0;  // bits in acc_
};

// A prefix code with the canonical codes that its lengths give.
struct PrefixCode {
    std::vector<unsigned> lengths;
    std::vector<uint32_t> codes;  // most significant bit first

    // Writes the code of `symbol`, which must have a nonzero length.
    void put(BitWriter& out, unsigned symbol) const;
};

// Canonical codes: shorter codes first, within a length by symbol.
PrefixCode canonical_code(const std::vector<unsigned>& lengths);

// The fixed literal/length code (288 symbols) and distance code (30 symbols of 5 bits).
const PrefixCode& fixed_litlen_code();
const PrefixCode& fixed_dist_code();

// A literal byte (distance 0) or a match of `value` bytes (3..258) at `distance` (1..32768).
struct Token {
    unsigned value = 0;
    unsigned distance = 0;
};
inline Token literal(uint8_t byte) { return Token{byte, 0}; }
inline Token match(unsigned length, unsigned distance) { return Token{length, distance}; }

void put_block_header(BitWriter& out, bool last, unsigned type);
// A whole stored block: header, alignment, LEN, NLEN (complement of LEN unless
// given) and the data.
void put_stored_block(BitWriter& out, bool last, const Bytes& data);
void put_stored_block(BitWriter& out, bool last, const Bytes& data, uint16_t nlen);
// Length and distance symbols with their extra bits.
void put_length(BitWriter& out, const PrefixCode& litlen, unsigned length);
void put_distance(BitWriter& out, const PrefixCode& dist, unsigned distance);
void put_tokens(BitWriter& out, const PrefixCode& litlen, const PrefixCode& dist,
                const std::vector<Token>& tokens);

// One symbol of the code-length sequence of a dynamic header; `extra` is the
// repeat field of symbols 16 (2 bits), 17 (3 bits) and 18 (7 bits).
struct LengthSymbol {
    unsigned symbol = 0;
    unsigned extra = 0;
};

// A dynamic header with every field given: the counts as sent (HLIT + 257,
// HDIST + 1, HCLEN + 4), the code-length code's lengths by symbol (19) and the
// coded sequence of lengths.
void put_dynamic_header(BitWriter& out, bool last, unsigned litlen_count, unsigned dist_count,
                        unsigned header_count, const std::vector<unsigned>& length_code_lengths,
                        const std::vector<LengthSymbol>& sequence);

// A dynamic header for the given code lengths, each sent as it is with a
// code-length code of sixteen 4-bit codes.
void put_dynamic_header(BitWriter& out, bool last, const std::vector<unsigned>& litlen_lengths,
                        const std::vector<unsigned>& dist_lengths);

// Expands tokens the way a decoder must, starting after `history` (the window
// contents that distances may reach into).
Bytes expand_tokens(const std::vector<Token>& tokens, const Bytes& history = {});

}  // namespace tz
