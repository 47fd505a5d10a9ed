// The decryption front-ends: the AES extra-field parser, and members decrypted
// through the engine's decryption stage with their method (stored or
// inflate), with random passwords, salts, headers and data.
//
// Byte 0: bits 0-1 the kind (0 and 3 the extra-field parser on the rest, 1
// traditional, 2 AES); bit 2 keeps the input's own check byte or verifier
// (otherwise the target makes them right, so that the data is decrypted);
// bit 3 inflate instead of stored; bit 4 makes the authentication code right;
// bits 5-7 cut the archive that many times 61 bytes short of the packed size.
// Byte 1: AES strength (bits 0-1) and vendor version (bits 2-3). Byte 2: the
// password's length (0 to 32), then the password, two bytes of declared size,
// and the member's packed data.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "decrypt/decrypt_result.h"
#include "decrypt/traditional.h"
#include "decrypt/zip_aes.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "engine/member_decryption.h"
#include "fuzz/support.h"
#include "methods/methods.h"
#include "platform/crypto.h"

namespace {

int store_member() {
    const uint8_t* run = nullptr;
    long n;
    while ((n = take_input(&run, 1 << 16)) > 0) write_out(run, static_cast<uint32_t>(n), 0);
    return 0;
}

// Makes the verifier and, when asked, the authentication code of an AES
// member right for the password.
void make_aes_checks(std::vector<uint8_t>& member, uint8_t strength, std::span<const uint8_t> password,
                     bool verifier, bool code) {
    const size_t header = aes_header_size(strength), key = aes_key_size(strength);
    if (member.size() < header + AES_AUTH_CODE_SIZE) return;
    std::array<uint8_t, aes_derived_size(3)> keys{};
    const std::span<uint8_t> derived(keys.data(), aes_derived_size(strength));
    if (!crypto_pbkdf2_sha1(password, std::span(member).first(aes_salt_size(strength)), AES_KEY_ROUNDS, derived))
        return;
    if (verifier) std::copy(derived.end() - 2, derived.end(), member.begin() + aes_salt_size(strength));
    if (!code) return;
    HmacSha1 mac;
    std::array<uint8_t, SHA1_SIZE> sum{};
    const size_t data = member.size() - header - AES_AUTH_CODE_SIZE;
    if (mac.start(derived.subspan(key, key)) && mac.update(std::span(member).subspan(header, data)) &&
        mac.finish(sum))
        std::copy(sum.begin(), sum.begin() + AES_AUTH_CODE_SIZE, member.end() - AES_AUTH_CODE_SIZE);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const unsigned kind = data[0] & 3;
    if (kind == 0 || kind == 3) {
        AesExtra extra;
        parse_aes_extra(std::span(data + 1, size - 1), &extra);
        return 0;
    }
    if (size < 3 || size < 5u + data[2] % 33) return 0;
    const bool keep_checks = data[0] & 4, inflate = data[0] & 8, right_code = data[0] & 16;
    const int64_t missing = (data[0] >> 5) * 61;
    const uint8_t strength = data[1] & 3;
    const uint16_t version = (data[1] >> 2) & 3;
    const size_t password_size = data[2] % 33;
    const std::span<const uint8_t> password(data + 3, password_size);
    const uint8_t* rest = data + 3 + password_size;
    const uint32_t declared = rest[0] | (rest[1] << 8);
    std::vector<uint8_t> member(rest + 2, data + size);

    uint8_t check = 0;
    if (kind == 1 && member.size() >= TRADITIONAL_HEADER_SIZE) {
        std::array<uint8_t, TRADITIONAL_HEADER_SIZE> header;
        std::copy(member.begin(), member.begin() + TRADITIONAL_HEADER_SIZE, header.begin());
        TraditionalKeys keys = traditional_keys(password);
        traditional_decrypt(keys, header);
        check = keep_checks ? member[0] : header.back();
    }
    if (kind == 2 && strength >= 1) make_aes_checks(member, strength, password, !keep_checks, right_code);

    const std::string_view pass(reinterpret_cast<const char*>(password.data()), password.size());
    const uint16_t method = inflate ? 8 : 0;
    fz::run_member(kind == 2 ? AES_METHOD : method, 1, declared, false, member.data(), member.size(), [&] {
        G.packed_left += missing;
        MemberDecryption decryption;
        int r = kind == 1 ? decryption.begin_traditional(pass, check)
                          : decryption.begin_aes({version, strength, method}, pass);
        if (r != DECRYPT_OK) return r;
        inflate ? inflate_member() : store_member();
        return decryption.finish();
    });
    return 0;
}
