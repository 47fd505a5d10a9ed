#include "support/crypto_checks.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "decrypt/decrypt_result.h"
#include "decrypt/zip_aes.h"
#include "platform/crypto.h"
#include "support/zip_encrypt.h"

namespace tz {

namespace {

using namespace std::string_view_literals;

std::vector<uint8_t> from_hex(std::string_view hex) {
    std::vector<uint8_t> out;
    auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
    return out;
}

std::span<const uint8_t> bytes_of(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct Pbkdf2Case {
    std::string_view password, salt;
    unsigned rounds;
    std::string_view derived;  // hex; its length is the output length
};

constexpr Pbkdf2Case pbkdf2_cases[] = {
    {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
    {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
    {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
    {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
     "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
    {"pass\0word"sv, "sa\0lt"sv, 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
    // The ZIP AES-256 case: 1000 rounds, 16-byte salt, two keys and the verifier.
    {"secret", "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"sv, 1000,
     "b054b25cf15c5e093100214b7cbd9d49b6e163a979efc91aa818b8a2f664ee1d4315c73829e75ef42f5b8942f6d1d1dff9"
     "7ddfcfa912c2a63a87d24a1948b787a336"},
    {"", "salt", 1000, "ea0add357d61a71039c093d7841509873e2a528512459134177aeaa0f47e3d879d0e"},
};

struct AesCase {
    std::string_view key, plain, cipher;  // hex
};

constexpr AesCase aes_cases[] = {
    {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
     "8ea2b7ca516745bfeafc49904b496089"},
};

struct HmacCase {
    std::string key, message;
    std::string_view mac;  // hex
};

std::vector<HmacCase> hmac_cases() {
    std::string long_message(100000, '\0');
    for (size_t i = 0; i < long_message.size(); ++i) long_message[i] = static_cast<char>(i % 251);
    return {
        {std::string(20, '\x0b'), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00"},
        {"Jefe", "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {"", "", "fbdb1d1b18aa6c08324b7d64b71fb76370690e1d"},
        {"key", long_message, "880eea66e60fb20f862bec6403f274d093f9f23d"},
    };
}

class Checker {
public:
    explicit Checker(CryptoChecks& out) : out_(out) {}
    void check(bool ok, const std::string& what) {
        if (ok)
            ++out_.passed;
        else
            out_.failures.push_back(what);
    }

private:
    CryptoChecks& out_;
};

void check_pbkdf2(Checker& c) {
    for (const Pbkdf2Case& k : pbkdf2_cases) {
        const std::vector<uint8_t> expected = from_hex(k.derived);
        std::vector<uint8_t> out(expected.size());
        const bool ok = crypto_pbkdf2_sha1(bytes_of(k.password), bytes_of(k.salt), k.rounds, out);
        c.check(ok && out == expected, "PBKDF2 of \"" + std::string(k.password) + "\", " +
                                           std::to_string(k.rounds) + " rounds, " +
                                           std::to_string(out.size()) + " bytes");
    }
}

void check_aes(Checker& c) {
    for (const AesCase& k : aes_cases) {
        const std::string name = "AES-" + std::to_string(k.key.size() * 4);
        AesEncryptor aes;
        const std::vector<uint8_t> key = from_hex(k.key), expected = from_hex(k.cipher);
        std::vector<uint8_t> two = from_hex(k.plain);
        two.insert(two.end(), two.begin(), two.end());
        std::vector<uint8_t> out(two.size());
        // Two equal blocks in one call: each encrypted on its own.
        const bool ok = aes.set_key(key) && aes.encrypt(two, out);
        c.check(ok && std::equal(expected.begin(), expected.end(), out.begin()) &&
                    std::equal(expected.begin(), expected.end(), out.begin() + 16),
                name + " of two blocks");
        c.check(aes.encrypt(two, two) && two == out, name + " in place");
        std::vector<uint8_t> odd(17);
        c.check(!aes.encrypt(odd, odd), name + " refuses a partial block");
    }
    AesEncryptor aes;
    std::array<uint8_t, 16> block{};
    c.check(!aes.encrypt(block, block), "AES without a key refuses");
    c.check(!aes.set_key(std::array<uint8_t, 20>{}), "AES refuses a 20-byte key");
}

void check_hmac(Checker& c) {
    HmacSha1 mac;  // one object for every case: each start begins afresh
    for (const HmacCase& k : hmac_cases()) {
        const std::vector<uint8_t> expected = from_hex(k.mac);
        const std::span<const uint8_t> message = bytes_of(k.message);
        for (const size_t piece : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{4097}}) {
            std::array<uint8_t, SHA1_SIZE> out{};
            bool ok = mac.start(bytes_of(k.key));
            if (piece == 0) {
                ok = ok && mac.update(message);
            } else {
                for (size_t pos = 0; pos < message.size(); pos += piece)
                    ok = ok && mac.update(message.subspan(pos, std::min(piece, message.size() - pos)));
            }
            ok = ok && mac.finish(out);
            c.check(ok && std::equal(expected.begin(), expected.end(), out.begin()),
                    "HMAC-SHA1 of " + std::to_string(message.size()) + " bytes with a " +
                        std::to_string(k.key.size()) + "-byte key, pieces of " + std::to_string(piece));
        }
    }
    std::array<uint8_t, SHA1_SIZE> out{};
    c.check(!mac.update(bytes_of("more")) && !mac.finish(out), "HMAC-SHA1 refuses data after finish");
}

// Members made by the test encryptor, decrypted in pieces of odd sizes.
void check_zip_aes(Checker& c) {
    std::vector<uint8_t> data(70000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    for (uint8_t strength = 1; strength <= 3; ++strength) {
        const std::string name = "ZIP AES strength " + std::to_string(strength);
        std::vector<uint8_t> member = encrypt_aes(data, "pass word", strength, strength);
        const size_t header = aes_header_size(strength);
        const std::span<const uint8_t> head(member.data(), header);
        ZipAesDecryptor aes;
        c.check(aes.start(strength, bytes_of("pass wore"), head) == DECRYPT_WRONG_PASSWORD,
                name + ": a wrong password");
        bool ok = aes.start(strength, bytes_of("pass word"), head) == DECRYPT_OK;
        const std::span<uint8_t> body(member.data() + header, data.size());
        size_t pos = 0;
        for (size_t piece = 1; ok && pos < body.size(); piece = piece * 3 + 1) {
            const size_t n = std::min(piece, body.size() - pos);
            ok = aes.decrypt(body.subspan(pos, n));
            pos += n;
        }
        const std::span<const uint8_t, AES_AUTH_CODE_SIZE> code(member.data() + header + data.size(),
                                                                AES_AUTH_CODE_SIZE);
        c.check(ok && std::equal(data.begin(), data.end(), body.begin()) && aes.check(code) == DECRYPT_OK,
                name + ": decrypted and authenticated");
    }
}

}  // namespace

CryptoChecks run_crypto_checks() {
    CryptoChecks out;
    Checker c(out);
    check_pbkdf2(c);
    check_aes(c);
    check_hmac(c);
    check_zip_aes(c);
    return out;
}

}  // namespace tz
