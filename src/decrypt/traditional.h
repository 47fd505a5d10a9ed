// The traditional encryption of ZIP members (general-purpose flag bit 0
// without the AES method): a stream cipher whose state is three 32-bit keys,
// first stirred by the password, then by every plain byte. The member's data
// begins with a 12-byte encryption header; its last byte, decrypted, is a check
// byte that tells most wrong passwords (one in 256 passes by chance, and is
// then caught by the CRC).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

constexpr size_t TRADITIONAL_HEADER_SIZE = 12;

struct TraditionalKeys {
    uint32_t key0 = 0x12345678;
    uint32_t key1 = 0x23456789;
    uint32_t key2 = 0x34567890;
};

// The keys after the password (its bytes as given).
TraditionalKeys traditional_keys(std::span<const uint8_t> password);

// What the decrypted header's last byte must be: the high byte of the DOS
// time when the member has a data descriptor (flag bit 3: the CRC was not known
// when the header was written), else the high byte of the CRC-32.
uint8_t traditional_check_byte(bool has_descriptor, uint32_t crc32, uint16_t dos_time);

// Decrypts the encryption header and compares its check byte: DECRYPT_OK (the
// keys are then ready for the data) or DECRYPT_WRONG_PASSWORD.
int traditional_open(TraditionalKeys& keys, std::span<const uint8_t, TRADITIONAL_HEADER_SIZE> header,
                     uint8_t check_byte);

// Decrypts `data` in place, going on from the bytes before it.
void traditional_decrypt(TraditionalKeys& keys, std::span<uint8_t> data);

// The next byte of the key stream, and the stirring of the keys by one plain
// byte: the two steps of the cipher (an encryptor needs them too).
inline uint8_t traditional_stream_byte(const TraditionalKeys& keys) {
    const uint32_t t = (keys.key2 | 2u) & 0xFFFFu;
    return static_cast<uint8_t>((t * (t ^ 1u)) >> 8);
}
void traditional_update(TraditionalKeys& keys, uint8_t plain);
