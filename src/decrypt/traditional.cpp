#include "decrypt/traditional.h"

#include <algorithm>
#include <array>

#include "decrypt/decrypt_result.h"
#include "engine/crc32.h"

namespace {

// One byte of the CRC-32 register step, as the cipher uses it on its keys.
inline uint32_t crc_step(uint32_t reg, uint8_t byte) {
    return crc_table[(reg ^ byte) & 0xFFu] ^ (reg >> 8);
}

}  // namespace

void traditional_update(TraditionalKeys& keys, uint8_t plain) {
    keys.key0 = crc_step(keys.key0, plain);
    keys.key1 = (keys.key1 + (keys.key0 & 0xFFu)) * 134775813u + 1u;
    keys.key2 = crc_step(keys.key2, static_cast<uint8_t>(keys.key1 >> 24));
}

TraditionalKeys traditional_keys(std::span<const uint8_t> password) {
    TraditionalKeys keys;
    for (const uint8_t c : password) traditional_update(keys, c);
    return keys;
}

uint8_t traditional_check_byte(bool has_descriptor, uint32_t crc32, uint16_t dos_time) {
    return has_descriptor ? static_cast<uint8_t>(dos_time >> 8) : static_cast<uint8_t>(crc32 >> 24);
}

int traditional_open(TraditionalKeys& keys, std::span<const uint8_t, TRADITIONAL_HEADER_SIZE> header,
                     uint8_t check_byte) {
    std::array<uint8_t, TRADITIONAL_HEADER_SIZE> plain;
    std::copy(header.begin(), header.end(), plain.begin());
    traditional_decrypt(keys, plain);
    return plain.back() == check_byte ? DECRYPT_OK : DECRYPT_WRONG_PASSWORD;
}

void traditional_decrypt(TraditionalKeys& keys, std::span<uint8_t> data) {
    // A local copy stays in registers for the whole run.
    TraditionalKeys k = keys;
    for (uint8_t& b : data) {
        b = static_cast<uint8_t>(b ^ traditional_stream_byte(k));
        traditional_update(k, b);
    }
    keys = k;
}
