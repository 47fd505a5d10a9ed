// The host's cryptography, as the AES encryption of ZIP members needs it:
// PBKDF2 with HMAC-SHA1 to derive the keys, the AES block cipher, and HMAC-SHA1
// over a stream. On Linux it is OpenSSL's libcrypto, on Windows the CNG API of
// the system's bcrypt.dll; the program has no cryptography of its own.
//
// Only the block cipher is offered, not a counter mode: the ZIP format counts
// its blocks little-endian, which neither host's counter mode does, so the
// caller encrypts whole runs of counter blocks at once (decrypt/zip_aes.h).
//
// Failures (no memory, a provider the host lacks) return false; nothing throws.
// The objects own the host's handles and release them when they go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

constexpr size_t AES_BLOCK_SIZE = 16;
constexpr size_t SHA1_SIZE = 20;

// PBKDF2 (RFC 8018) with HMAC-SHA1: fills `out`, of any length, from the
// password and the salt with `rounds` iterations.
bool crypto_pbkdf2_sha1(std::span<const uint8_t> password, std::span<const uint8_t> salt,
                        unsigned rounds, std::span<uint8_t> out);

// AES encryption of independent 16-byte blocks (ECB) under one key.
class AesEncryptor {
public:
    AesEncryptor();
    ~AesEncryptor();
    AesEncryptor(const AesEncryptor&) = delete;
    AesEncryptor& operator=(const AesEncryptor&) = delete;

    // Takes a key of 16, 24 or 32 bytes (AES-128, AES-192, AES-256); false
    // for another size or when the host fails.
    bool set_key(std::span<const uint8_t> key);
    // Encrypts `in` into `out`: the same size, a whole number of blocks.
    // False without a key, for other sizes, or when the host fails.
    bool encrypt(std::span<const uint8_t> in, std::span<uint8_t> out);

    struct Host;

private:
    std::unique_ptr<Host> host_;
};

// HMAC-SHA1 of a stream of bytes, given in pieces of any size.
class HmacSha1 {
public:
    HmacSha1();
    ~HmacSha1();
    HmacSha1(const HmacSha1&) = delete;
    HmacSha1& operator=(const HmacSha1&) = delete;

    // Begins a MAC under `key` (any length, also empty).
    bool start(std::span<const uint8_t> key);
    bool update(std::span<const uint8_t> data);
    // The MAC of everything given since start; start again before more.
    bool finish(std::span<uint8_t, SHA1_SIZE> mac);

    struct Host;

private:
    std::unique_ptr<Host> host_;
};
