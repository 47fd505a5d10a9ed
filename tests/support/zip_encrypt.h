// Test-side encryptors of member data, so that tests make encrypted members
// without another program: the traditional cipher (written here from the
// format's description, sharing nothing with the decryptor but the cipher's
// two steps) and AES in the ZIP layout over the platform's cryptography.
// Also built into the Windows check program: no GoogleTest, no zlib.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tz {

// The 12-byte encryption header (pseudo-random from `seed`, its last byte
// `check_byte`) and the data, encrypted with the traditional cipher.
std::vector<uint8_t> encrypt_traditional(const std::vector<uint8_t>& data, std::string_view password,
                                         uint8_t check_byte, uint32_t seed = 1);

// Salt (pseudo-random from `seed`), verifier, the data encrypted with AES of
// `strength` (1 to 3) in counter mode, and the authentication code.
std::vector<uint8_t> encrypt_aes(const std::vector<uint8_t>& data, std::string_view password, uint8_t strength,
                                 uint32_t seed = 1);

// An extra field holding the 0x9901 block.
std::vector<uint8_t> aes_extra_field(uint16_t vendor_version, uint8_t strength, uint16_t method);

}  // namespace tz
