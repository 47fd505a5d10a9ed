// The AES encryption of ZIP members (method 99 with the 0x9901 extra field):
// the extra field's parser and the member's decryptor, over the host's
// cryptography (platform/crypto.h).
//
// The extra field names the vendor version (AE-1, AE-2), the key strength and
// the member's real method. The data is:
//
//   salt (8, 12 or 16 bytes) | password verifier (2) | encrypted data | authentication code (10)
//
// PBKDF2-HMAC-SHA1 with 1000 rounds turns password and salt into the AES key,
// the HMAC key (each as long as the AES key) and the 2-byte verifier. The data
// is AES in counter mode: the 16-byte counter block holds a little-endian
// count, 1 for the first block. The authentication code is the first 10
// bytes of HMAC-SHA1 over the encrypted data. AE-1 members also carry the CRC
// of the plain data; AE-2 members carry none (their CRC field is not checked).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/zip_format.h"
#include "platform/crypto.h"

constexpr unsigned AES_KEY_ROUNDS = 1000;

// Finds the 0x9901 block in a member's extra field and reads it: DECRYPT_OK;
// DECRYPT_BAD_EXTRA when no whole block of that id is there or it is not 7
// bytes; DECRYPT_UNSUPPORTED for a vendor id other than "AE", a vendor version
// other than 1 and 2, or a strength other than 1 to 3.
int parse_aes_extra(std::span<const uint8_t> extra_field, AesExtra* out);

// What PBKDF2 derives: AES key, HMAC key, verifier.
constexpr size_t aes_derived_size(uint8_t strength) { return 2 * aes_key_size(strength) + AES_VERIFIER_SIZE; }

// Decrypts one member's data, given in pieces of any size, and checks its
// authentication code.
class ZipAesDecryptor {
public:
    // Derives the keys from the password and the header (salt and verifier, as
    // aes_header_size says) and compares the verifier: DECRYPT_OK,
    // DECRYPT_WRONG_PASSWORD, DECRYPT_UNSUPPORTED (strength) or DECRYPT_HOST_FAILED.
    int start(uint8_t strength, std::span<const uint8_t> password, std::span<const uint8_t> header);

    // Takes the next piece of encrypted data into the authentication code and
    // decrypts it in place. False when the host fails.
    bool decrypt(std::span<uint8_t> data);

    // Compares the data's authentication code (what follows the data) with the
    // one computed over all pieces: DECRYPT_OK, DECRYPT_AUTH_FAILED or
    // DECRYPT_HOST_FAILED.
    int check(std::span<const uint8_t, AES_AUTH_CODE_SIZE> code);

    // Counter-mode blocks made per call of the host's cipher.
    static constexpr size_t STREAM_BLOCKS = 128;

private:
    bool make_stream(size_t wanted);

    AesEncryptor aes_;
    HmacSha1 mac_;
    uint64_t counter_ = 0;  // the last counter value used
    std::array<uint8_t, STREAM_BLOCKS * AES_BLOCK_SIZE> counters_{};  // counter blocks
    std::array<uint8_t, STREAM_BLOCKS * AES_BLOCK_SIZE> stream_{};    // key stream
    size_t stream_used_ = 0;  // bytes of stream_ already used
    size_t stream_held_ = 0;  // bytes of stream_ made
    bool host_failed_ = false;
};
