#include "support/bit_writer.h"

#include <stdexcept>

namespace tz {

void BitWriter::bits(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        acc_ |= ((value >> i) & 1u) << pending_;
        if (++pending_ == 8) {
            out_.push_back(static_cast<uint8_t>(acc_));
            acc_ = 0;
            pending_ = 0;
        }
    }
}

void BitWriter::code(uint32_t code, unsigned length) {
    for (unsigned i = length; i > 0; --i) bits((code >> (i - 1)) & 1u, 1);
}

void BitWriter::align() {
    if (pending_ != 0) bits(0, 8 - pending_);
}

void BitWriter::raw(const Bytes& data) {
    if (pending_ != 0) throw std::logic_error("raw bytes off a byte boundary");
    out_.insert(out_.end(), data.begin(), data.end());
}

Bytes BitWriter::bytes() const {
    Bytes b = out_;
    if (pending_ != 0) b.push_back(static_cast<uint8_t>(acc_));
    return b;
}

void PrefixCode::put(BitWriter& out, unsigned symbol) const {
    if (symbol >= lengths.size() || lengths[symbol] == 0)
        throw std::logic_error("symbol without a code");
    out.code(codes[symbol], lengths[symbol]);
}

PrefixCode canonical_code(const std::vector<unsigned>& lengths) {
    PrefixCode c;
    c.lengths = lengths;
    c.codes.assign(lengths.size(), 0);
    uint32_t next = 0;
    for (unsigned len = 1; len <= 16; ++len) {
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] == len) c.codes[s] = next++;
        next <<= 1;
    }
    return c;
}

const PrefixCode& fixed_litlen_code() {
    static const PrefixCode code = [] {
        std::vector<unsigned> lengths(288);
        for (unsigned s = 0; s < 288; ++s)
            lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        return canonical_code(lengths);
    }();
    return code;
}

const PrefixCode& fixed_dist_code() {
    static const PrefixCode code = canonical_code(std::vector<unsigned>(30, 5));
    return code;
}

namespace {

// Length symbols 257..284 have bases growing by 2^extra; 285 is length 258.
unsigned length_extra_bits(unsigned i) { return i < 8 ? 0 : (i - 4) / 4; }
// Distance symbols likewise, with two symbols per extra-bit count from 4 on.
unsigned dist_extra_bits(unsigned i) { return i < 4 ? 0 : (i - 2) / 2; }

}  // namespace

void put_block_header(BitWriter& out, bool last, unsigned type) {
    out.bits(last ? 1 : 0, 1);
    out.bits(type, 2);
}

void put_stored_block(BitWriter& out, bool last, const Bytes& data) {
    put_stored_block(out, last, data, static_cast<uint16_t>(~data.size()));
}

void put_stored_block(BitWriter& out, bool last, const Bytes& data, uint16_t nlen) {
    if (data.size() > 65535) throw std::logic_error("stored block too long");
    put_block_header(out, last, 0);
    out.align();
    out.bits(static_cast<uint32_t>(data.size()), 16);
    out.bits(nlen, 16);
    out.raw(data);
}

void put_length(BitWriter& out, const PrefixCode& litlen, unsigned length) {
    if (length < 3 || length > 258) throw std::logic_error("match length");
    if (length == 258) {
        litlen.put(out, 285);
        return;
    }
    unsigned base = 3;
    for (unsigned i = 0; i < 28; ++i) {
        const unsigned extra = length_extra_bits(i);
        if (length < base + (1u << extra)) {
            litlen.put(out, 257 + i);
            out.bits(length - base, extra);
            return;
        }
        base += 1u << extra;
    }
    throw std::logic_error("match length");
}

void put_distance(BitWriter& out, const PrefixCode& dist, unsigned distance) {
    unsigned base = 1;
    for (unsigned i = 0; i < 30; ++i) {
        const unsigned extra = dist_extra_bits(i);
        if (distance >= base && distance < base + (1u << extra)) {
            dist.put(out, i);
            out.bits(distance - base, extra);
            return;
        }
        base += 1u << extra;
    }
    throw std::logic_error("match distance");
}

void put_tokens(BitWriter& out, const PrefixCode& litlen, const PrefixCode& dist,
                const std::vector<Token>& tokens) {
    for (const Token& t : tokens) {
        if (t.distance == 0) {
            litlen.put(out, t.value);
        } else {
            put_length(out, litlen, t.value);
            put_distance(out, dist, t.distance);
        }
    }
}

void put_dynamic_header(BitWriter& out, bool last, unsigned litlen_count, unsigned dist_count,
                        unsigned header_count, const std::vector<unsigned>& length_code_lengths,
                        const std::vector<LengthSymbol>& sequence) {
    static constexpr unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};
    if (litlen_count < 257 || litlen_count > 288 || dist_count < 1 || dist_count > 32 ||
        header_count < 4 || header_count > 19 || length_code_lengths.size() != 19)
        throw std::logic_error("dynamic header counts");
    put_block_header(out, last, 2);
    out.bits(litlen_count - 257, 5);
    out.bits(dist_count - 1, 5);
    out.bits(header_count - 4, 4);
    for (unsigned i = 0; i < header_count; ++i) out.bits(length_code_lengths[order[i]], 3);
    const PrefixCode code = canonical_code(length_code_lengths);
    for (const LengthSymbol& s : sequence) {
        code.put(out, s.symbol);
        if (s.symbol == 16) out.bits(s.extra, 2);
        if (s.symbol == 17) out.bits(s.extra, 3);
        if (s.symbol == 18) out.bits(s.extra, 7);
    }
}

void put_dynamic_header(BitWriter& out, bool last, const std::vector<unsigned>& litlen_lengths,
                        const std::vector<unsigned>& dist_lengths) {
    std::vector<unsigned> header(19, 0);
    for (unsigned s = 0; s < 16; ++s) header[s] = 4;
    std::vector<LengthSymbol> sequence;
    for (unsigned len : litlen_lengths) sequence.push_back({len, 0});
    for (unsigned len : dist_lengths) sequence.push_back({len, 0});
    put_dynamic_header(out, last, static_cast<unsigned>(litlen_lengths.size()),
                       static_cast<unsigned>(dist_lengths.size()), 19, header, sequence);
}

Bytes expand_tokens(const std::vector<Token>& tokens, const Bytes& history) {
    Bytes all = history;
    for (const Token& t : tokens) {
        if (t.distance == 0) {
            all.push_back(static_cast<uint8_t>(t.value));
            continue;
        }
        if (t.distance > all.size()) throw std::logic_error("distance before the history");
        for (unsigned i = 0; i < t.value; ++i) all.push_back(all[all.size() - t.distance]);
    }
    return Bytes(all.begin() + static_cast<std::ptrdiff_t>(history.size()), all.end());
}

}  // namespace tz
