#include "support/zip_encrypt.h"

#include <array>
#include <random>
#include <stdexcept>

#include "decrypt/traditional.h"
#include "platform/crypto.h"

namespace tz {

namespace {

std::vector<uint8_t> bytes_of(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> random_bytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(n);
    for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

}  // namespace

std::vector<uint8_t> encrypt_traditional(const std::vector<uint8_t>& data, std::string_view password,
                                         uint8_t check_byte, uint32_t seed) {
    std::vector<uint8_t> plain = random_bytes(TRADITIONAL_HEADER_SIZE, seed);
    plain.back() = check_byte;
    plain.insert(plain.end(), data.begin(), data.end());
    TraditionalKeys keys;
    for (const char c : password) traditional_update(keys, static_cast<uint8_t>(c));
    std::vector<uint8_t> out;
    out.reserve(plain.size());
    for (const uint8_t p : plain) {
        out.push_back(static_cast<uint8_t>(p ^ traditional_stream_byte(keys)));
        traditional_update(keys, p);
    }
    return out;
}

std::vector<uint8_t> encrypt_aes(const std::vector<uint8_t>& data, std::string_view password, uint8_t strength,
                                 uint32_t seed) {
    const size_t key_size = 8 + 8 * strength;
    const std::vector<uint8_t> salt = random_bytes(4 + 4 * strength, seed);
    std::vector<uint8_t> keys(2 * key_size + 2);
    AesEncryptor aes;
    HmacSha1 mac;
    if (!crypto_pbkdf2_sha1(bytes_of(password), salt, 1000, keys) ||
        !aes.set_key(std::span(keys).first(key_size)) || !mac.start(std::span(keys).subspan(key_size, key_size)))
        throw std::runtime_error("platform cryptography failed");

    std::vector<uint8_t> out = salt;
    out.insert(out.end(), keys.end() - 2, keys.end());
    const size_t data_start = out.size();
    // One counter block at a time: the count, little-endian, from 1.
    for (size_t pos = 0; pos < data.size(); pos += 16) {
        std::array<uint8_t, 16> counter{}, stream{};
        const uint64_t count = pos / 16 + 1;
        for (int k = 0; k < 8; ++k) counter[k] = static_cast<uint8_t>(count >> (8 * k));
        if (!aes.encrypt(counter, stream)) throw std::runtime_error("platform cryptography failed");
        for (size_t i = pos; i < data.size() && i < pos + 16; ++i) out.push_back(data[i] ^ stream[i - pos]);
    }
    std::array<uint8_t, SHA1_SIZE> code{};
    if (!mac.update(std::span(out).subspan(data_start)) || !mac.finish(code))
        throw std::runtime_error("platform cryptography failed");
    out.insert(out.end(), code.begin(), code.begin() + 10);
    return out;
}

std::vector<uint8_t> aes_extra_field(uint16_t vendor_version, uint8_t strength, uint16_t method) {
    return {0x01,
            0x99,
            7,
            0,
            static_cast<uint8_t>(vendor_version),
            static_cast<uint8_t>(vendor_version >> 8),
            'A',
            'E',
            strength,
            static_cast<uint8_t>(method),
            static_cast<uint8_t>(method >> 8)};
}

}  // namespace tz
