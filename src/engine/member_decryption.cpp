#include "engine/member_decryption.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "decrypt/decrypt_result.h"
#include "engine/globals.h"
#include "engine/io.h"

namespace {

std::span<const uint8_t> bytes_of(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Takes exactly out.size() bytes of the member's data; false when it ends first.
bool take_bytes(std::span<uint8_t> out) {
    for (size_t got = 0; got < out.size();) {
        const uint8_t* run = nullptr;
        const long n = take_input(&run, static_cast<long>(out.size() - got));
        if (n <= 0) return false;
        std::memcpy(out.data() + got, run, static_cast<size_t>(n));
        got += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

MemberDecryption::~MemberDecryption() { end(); }

int MemberDecryption::begin_traditional(std::string_view password, uint8_t check_byte) {
    std::array<uint8_t, TRADITIONAL_HEADER_SIZE> header;
    if (!take_bytes(header)) return DECRYPT_TRUNCATED;
    keys_ = traditional_keys(bytes_of(password));
    if (const int r = traditional_open(keys_, header, check_byte)) return r;
    crc_checked_ = true;
    activate(Kind::TRADITIONAL);
    return DECRYPT_OK;
}

int MemberDecryption::begin_aes(const AesExtra& extra, std::string_view password) {
    if (!aes_variant_known(extra)) return DECRYPT_UNSUPPORTED;
    const size_t header_size = aes_header_size(extra.strength);
    if (G.packed_left < static_cast<int64_t>(header_size + AES_AUTH_CODE_SIZE)) return DECRYPT_TRUNCATED;
    std::array<uint8_t, aes_header_size(3)> header;
    const std::span<uint8_t> taken = std::span(header).first(header_size);
    if (!take_bytes(taken)) return DECRYPT_TRUNCATED;
    if (const int r = aes_.start(extra.strength, bytes_of(password), taken)) return r;
    G.packed_left -= AES_AUTH_CODE_SIZE;
    crc_checked_ = extra.vendor_version == 1;
    activate(Kind::AES);
    return DECRYPT_OK;
}

void MemberDecryption::activate(Kind kind) {
    kind_ = kind;
    start_ = next_ = input_position();
    end_ = start_ + std::max<int64_t>(G.packed_left, 0);
    out_of_order_ = false;
    G.input_stage = {[](void* stage, uint8_t* block, int64_t offset, long size) {
                         static_cast<MemberDecryption*>(stage)->decrypt_block(block, offset, size);
                     },
                     this};
    // The data's first bytes may be in the block at hand already.
    if (G.input_held > 0) decrypt_block(G.input_buf.data(), G.input_buf_offset, G.input_held);
}

void MemberDecryption::decrypt_block(uint8_t* block, int64_t offset, long size) {
    if (size <= 0) return;
    // Blocks come in order: each begins where the last one ended, except the
    // first, which may begin before the data.
    if (offset > next_ || (offset < next_ && next_ != start_)) {
        out_of_order_ = true;
        return;
    }
    const int64_t from = next_ - offset;
    const int64_t to = std::min(offset + size, end_) - offset;
    if (to <= from) return;
    const std::span<uint8_t> data(block + from, static_cast<size_t>(to - from));
    if (kind_ == Kind::TRADITIONAL)
        traditional_decrypt(keys_, data);
    else
        aes_.decrypt(data);  // a failure of the host is reported by check()
    next_ = offset + to;
}

int MemberDecryption::finish() {
    const int result = kind_ == Kind::AES ? finish_aes() : DECRYPT_OK;
    end();
    return result;
}

int MemberDecryption::finish_aes() {
    if (out_of_order_) return DECRYPT_AUTH_FAILED;
    // The held block is decrypted up to next_; the method may have stopped
    // before. What follows next_ has not been seen: it is read for the code.
    const int64_t inside = next_ - G.input_buf_offset;
    if (inside < 0 || inside > G.input_held) return DECRYPT_AUTH_FAILED;
    G.input_pos = G.input_buf.data() + inside;
    G.input_left = G.input_held - static_cast<int32_t>(inside);
    G.packed_left = end_ - next_;
    const uint8_t* run = nullptr;
    while (G.packed_left > 0 && take_input(&run, INPUT_BUF_SIZE) > 0) {
    }
    if (next_ != end_ || out_of_order_) return next_ != end_ ? DECRYPT_TRUNCATED : DECRYPT_AUTH_FAILED;
    std::array<uint8_t, AES_AUTH_CODE_SIZE> code;
    G.packed_left = AES_AUTH_CODE_SIZE;
    if (!take_bytes(code)) return DECRYPT_TRUNCATED;
    return aes_.check(code);
}

void MemberDecryption::end() {
    if (G.input_stage.stage == this) G.input_stage = {};
    if (kind_ == Kind::NONE) return;
    kind_ = Kind::NONE;
    // The held block has decrypted bytes: a later seek reads it again rather
    // than taking them for the archive's. Reading on from here still works.
    G.input_held = 0;
}
