#include "decrypt/zip_aes.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "decrypt/decrypt_result.h"
#include "engine/zip_format.h"

namespace {

void store_le64(uint8_t* p, uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, 8);
    } else {
        for (int k = 0; k < 8; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
    }
}

// data ^= stream, eight bytes at a time.
void xor_bytes(uint8_t* data, const uint8_t* stream, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t a, b;
        std::memcpy(&a, data + i, 8);
        std::memcpy(&b, stream + i, 8);
        a ^= b;
        std::memcpy(data + i, &a, 8);
    }
    for (; i < n; ++i) data[i] ^= stream[i];
}

}  // namespace

int parse_aes_extra(std::span<const uint8_t> extra_field, AesExtra* out) {
    const std::optional<AesExtra> e = decode_aes_extra(extra_field);
    if (!e) return DECRYPT_BAD_EXTRA;
    if (!aes_variant_known(*e)) return DECRYPT_UNSUPPORTED;
    *out = *e;
    return DECRYPT_OK;
}

int ZipAesDecryptor::start(uint8_t strength, std::span<const uint8_t> password, std::span<const uint8_t> header) {
    if (strength < 1 || strength > 3) return DECRYPT_UNSUPPORTED;
    const size_t key_size = aes_key_size(strength);
    const size_t salt_size = aes_salt_size(strength);
    if (header.size() != salt_size + AES_VERIFIER_SIZE) return DECRYPT_TRUNCATED;

    std::array<uint8_t, aes_derived_size(3)> keys{};
    const std::span<uint8_t> derived(keys.data(), aes_derived_size(strength));
    int result = DECRYPT_OK;
    if (!crypto_pbkdf2_sha1(password, header.first(salt_size), AES_KEY_ROUNDS, derived))
        result = DECRYPT_HOST_FAILED;
    else if (!std::equal(header.begin() + salt_size, header.end(), derived.begin() + 2 * key_size))
        result = DECRYPT_WRONG_PASSWORD;
    else if (!aes_.set_key(derived.first(key_size)) || !mac_.start(derived.subspan(key_size, key_size)))
        result = DECRYPT_HOST_FAILED;
    std::fill(keys.begin(), keys.end(), uint8_t{0});
    counter_ = 0;
    counters_.fill(0);
    stream_used_ = stream_held_ = 0;
    host_failed_ = result == DECRYPT_HOST_FAILED;
    return result;
}

bool ZipAesDecryptor::decrypt(std::span<uint8_t> data) {
    if (host_failed_ || !mac_.update(data)) {
        host_failed_ = true;
        return false;
    }
    size_t done = 0;
    while (done < data.size()) {
        if (stream_used_ == stream_held_ && !make_stream(data.size() - done)) {
            host_failed_ = true;
            return false;
        }
        const size_t n = std::min(data.size() - done, stream_held_ - stream_used_);
        xor_bytes(data.data() + done, stream_.data() + stream_used_, n);
        done += n;
        stream_used_ += n;
    }
    return true;
}

bool ZipAesDecryptor::make_stream(size_t wanted) {
    // The next counter blocks, as many as the data still needs, encrypted in
    // one call. Only the low 8 bytes of each block are written: the count
    // never reaches 2^64 blocks, so the high bytes stay 0.
    const size_t blocks = std::min(STREAM_BLOCKS, (wanted + AES_BLOCK_SIZE - 1) / AES_BLOCK_SIZE);
    for (size_t i = 0; i < blocks; ++i) store_le64(counters_.data() + i * AES_BLOCK_SIZE, ++counter_);
    const size_t bytes = blocks * AES_BLOCK_SIZE;
    if (!aes_.encrypt(std::span(counters_).first(bytes), std::span(stream_).first(bytes))) return false;
    stream_used_ = 0;
    stream_held_ = bytes;
    return true;
}

int ZipAesDecryptor::check(std::span<const uint8_t, AES_AUTH_CODE_SIZE> code) {
    std::array<uint8_t, SHA1_SIZE> mac{};
    if (host_failed_ || !mac_.finish(mac)) return DECRYPT_HOST_FAILED;
    return std::equal(code.begin(), code.end(), mac.begin()) ? DECRYPT_OK : DECRYPT_AUTH_FAILED;
}
