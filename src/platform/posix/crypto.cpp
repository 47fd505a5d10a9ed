// The host's cryptography on Linux: OpenSSL's libcrypto (EVP interfaces).
#include "platform/crypto.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <algorithm>
#include <climits>
#include <new>

namespace {

// OpenSSL takes int lengths: long runs go in pieces of this size.
constexpr size_t MAX_PIECE = size_t{1} << 30;

// A non-null pointer for empty inputs, which OpenSSL would read as "none given".
const uint8_t* data_or_empty(std::span<const uint8_t> s) {
    static constexpr uint8_t empty = 0;
    return s.empty() ? &empty : s.data();
}

}  // namespace

bool crypto_pbkdf2_sha1(std::span<const uint8_t> password, std::span<const uint8_t> salt,
                        unsigned rounds, std::span<uint8_t> out) {
    if (password.size() > INT_MAX || salt.size() > INT_MAX || out.size() > INT_MAX || rounds == 0 ||
        rounds > INT_MAX)
        return false;
    return PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(data_or_empty(password)),
                             static_cast<int>(password.size()), data_or_empty(salt),
                             static_cast<int>(salt.size()), static_cast<int>(rounds), EVP_sha1(),
                             static_cast<int>(out.size()), out.data()) == 1;
}

struct AesEncryptor::Host {
    EVP_CIPHER_CTX* ctx = nullptr;
    bool keyed = false;
    ~Host() { EVP_CIPHER_CTX_free(ctx); }
};

AesEncryptor::AesEncryptor() = default;
AesEncryptor::~AesEncryptor() = default;

bool AesEncryptor::set_key(std::span<const uint8_t> key) {
    const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_ecb()
                               : key.size() == 24 ? EVP_aes_192_ecb()
                               : key.size() == 32 ? EVP_aes_256_ecb()
                                                  : nullptr;
    if (!cipher) return false;
    if (!host_) {
        host_.reset(new (std::nothrow) Host);
        if (!host_) return false;
        host_->ctx = EVP_CIPHER_CTX_new();
    }
    host_->keyed = host_->ctx && EVP_EncryptInit_ex(host_->ctx, cipher, nullptr, key.data(), nullptr) == 1 &&
                   EVP_CIPHER_CTX_set_padding(host_->ctx, 0) == 1;
    return host_->keyed;
}

bool AesEncryptor::encrypt(std::span<const uint8_t> in, std::span<uint8_t> out) {
    if (!host_ || !host_->keyed || in.size() != out.size() || in.size() % AES_BLOCK_SIZE != 0) return false;
    for (size_t done = 0; done < in.size();) {
        const size_t piece = std::min(in.size() - done, MAX_PIECE);
        int written = 0;
        if (EVP_EncryptUpdate(host_->ctx, out.data() + done, &written, in.data() + done,
                              static_cast<int>(piece)) != 1 ||
            static_cast<size_t>(written) != piece)
            return false;
        done += piece;
    }
    return true;
}

struct HmacSha1::Host {
    EVP_MAC* mac = nullptr;
    EVP_MAC_CTX* ctx = nullptr;
    bool started = false;
    ~Host() {
        EVP_MAC_CTX_free(ctx);
        EVP_MAC_free(mac);
    }
};

HmacSha1::HmacSha1() = default;
HmacSha1::~HmacSha1() = default;

bool HmacSha1::start(std::span<const uint8_t> key) {
    if (!host_) {
        host_.reset(new (std::nothrow) Host);
        if (!host_) return false;
        host_->mac = EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr);
        if (host_->mac) host_->ctx = EVP_MAC_CTX_new(host_->mac);
    }
    char digest[] = OSSL_DIGEST_NAME_SHA1;
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    host_->started = host_->ctx && EVP_MAC_init(host_->ctx, data_or_empty(key), key.size(), params) == 1;
    return host_->started;
}

bool HmacSha1::update(std::span<const uint8_t> data) {
    return host_ && host_->started && (data.empty() || EVP_MAC_update(host_->ctx, data.data(), data.size()) == 1);
}

bool HmacSha1::finish(std::span<uint8_t, SHA1_SIZE> mac) {
    if (!host_ || !host_->started) return false;
    host_->started = false;
    size_t written = 0;
    return EVP_MAC_final(host_->ctx, mac.data(), &written, mac.size()) == 1 && written == SHA1_SIZE;
}
