// The host's cryptography on Windows: the CNG API of bcrypt.dll, a system DLL.
// The DLL is loaded on first use, from the system folder only, and not
// imported: the programs start on Windows versions without it, where AES is
// then unavailable (every call fails) and all else works.
#include "platform/crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <new>
#include <string>

namespace {

// The functions of bcrypt.dll that are called, all taken from the DLL or none.
struct Bcrypt {
    decltype(&::BCryptOpenAlgorithmProvider) BCryptOpenAlgorithmProvider = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) BCryptCloseAlgorithmProvider = nullptr;
    decltype(&::BCryptDeriveKeyPBKDF2) BCryptDeriveKeyPBKDF2 = nullptr;
    decltype(&::BCryptSetProperty) BCryptSetProperty = nullptr;
    decltype(&::BCryptGenerateSymmetricKey) BCryptGenerateSymmetricKey = nullptr;
    decltype(&::BCryptDestroyKey) BCryptDestroyKey = nullptr;
    decltype(&::BCryptEncrypt) BCryptEncrypt = nullptr;
    decltype(&::BCryptCreateHash) BCryptCreateHash = nullptr;
    decltype(&::BCryptHashData) BCryptHashData = nullptr;
    decltype(&::BCryptFinishHash) BCryptFinishHash = nullptr;
    decltype(&::BCryptDestroyHash) BCryptDestroyHash = nullptr;
};

template <typename Function>
bool take(HMODULE dll, const char* name, Function* out) {
    *out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    return *out != nullptr;
}

// Loads bcrypt.dll from the system folder once: its functions, or null when
// it or one of them is missing.
const Bcrypt* load_bcrypt() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\bcrypt.dll";
    const HMODULE dll = LoadLibraryW(path.c_str());
    if (!dll) return nullptr;
    static Bcrypt b;
    const bool all = take(dll, "BCryptOpenAlgorithmProvider", &b.BCryptOpenAlgorithmProvider) &&
                     take(dll, "BCryptCloseAlgorithmProvider", &b.BCryptCloseAlgorithmProvider) &&
                     take(dll, "BCryptDeriveKeyPBKDF2", &b.BCryptDeriveKeyPBKDF2) &&
                     take(dll, "BCryptSetProperty", &b.BCryptSetProperty) &&
                     take(dll, "BCryptGenerateSymmetricKey", &b.BCryptGenerateSymmetricKey) &&
                     take(dll, "BCryptDestroyKey", &b.BCryptDestroyKey) &&
                     take(dll, "BCryptEncrypt", &b.BCryptEncrypt) &&
                     take(dll, "BCryptCreateHash", &b.BCryptCreateHash) &&
                     take(dll, "BCryptHashData", &b.BCryptHashData) &&
                     take(dll, "BCryptFinishHash", &b.BCryptFinishHash) &&
                     take(dll, "BCryptDestroyHash", &b.BCryptDestroyHash);
    return all ? &b : nullptr;  // the DLL stays loaded for the process
}

const Bcrypt* bcrypt() {
    static const Bcrypt* const loaded = load_bcrypt();
    return loaded;
}

// bcrypt takes ULONG lengths: long runs go in pieces of this size.
constexpr size_t MAX_PIECE = size_t{1} << 30;

// bcrypt's inputs are declared writable; it does not write them.
PUCHAR input(std::span<const uint8_t> s) {
    static UCHAR empty = 0;
    return s.empty() ? &empty : const_cast<PUCHAR>(s.data());
}

// An algorithm provider, closed when it goes.
struct Provider {
    BCRYPT_ALG_HANDLE handle = nullptr;
    Provider(LPCWSTR algorithm, ULONG flags) {
        const Bcrypt* api = bcrypt();
        if (!api || !BCRYPT_SUCCESS(api->BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, flags)))
            handle = nullptr;
    }
    ~Provider() {
        if (handle) bcrypt()->BCryptCloseAlgorithmProvider(handle, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
};

}  // namespace

bool crypto_pbkdf2_sha1(std::span<const uint8_t> password, std::span<const uint8_t> salt,
                        unsigned rounds, std::span<uint8_t> out) {
    if (password.size() > MAX_PIECE || salt.size() > MAX_PIECE || out.size() > MAX_PIECE || rounds == 0)
        return false;
    const Provider hmac(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    if (!hmac.handle) return false;
    return BCRYPT_SUCCESS(bcrypt()->BCryptDeriveKeyPBKDF2(hmac.handle, input(password),
                                                          static_cast<ULONG>(password.size()), input(salt),
                                                          static_cast<ULONG>(salt.size()), rounds, out.data(),
                                                          static_cast<ULONG>(out.size()), 0));
}

struct AesEncryptor::Host {
    Provider aes{BCRYPT_AES_ALGORITHM, 0};
    BCRYPT_KEY_HANDLE key = nullptr;
    ~Host() {
        if (key) bcrypt()->BCryptDestroyKey(key);
    }
};

AesEncryptor::AesEncryptor() = default;
AesEncryptor::~AesEncryptor() = default;

bool AesEncryptor::set_key(std::span<const uint8_t> key) {
    if (key.size() != 16 && key.size() != 24 && key.size() != 32) return false;
    if (!host_) {
        host_.reset(new (std::nothrow) Host);
        if (!host_) return false;
        static const wchar_t ecb[] = BCRYPT_CHAIN_MODE_ECB;
        if (host_->aes.handle &&
            !BCRYPT_SUCCESS(bcrypt()->BCryptSetProperty(host_->aes.handle, BCRYPT_CHAINING_MODE,
                                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(ecb)), sizeof ecb, 0))) {
            bcrypt()->BCryptCloseAlgorithmProvider(host_->aes.handle, 0);
            host_->aes.handle = nullptr;
        }
    }
    if (host_->key) bcrypt()->BCryptDestroyKey(host_->key);
    host_->key = nullptr;
    if (!host_->aes.handle) return false;
    // The key object is allocated by bcrypt itself (null buffer).
    if (!BCRYPT_SUCCESS(bcrypt()->BCryptGenerateSymmetricKey(host_->aes.handle, &host_->key, nullptr, 0, input(key),
                                                   static_cast<ULONG>(key.size()), 0)))
        host_->key = nullptr;
    return host_->key != nullptr;
}

bool AesEncryptor::encrypt(std::span<const uint8_t> in, std::span<uint8_t> out) {
    if (!host_ || !host_->key || in.size() != out.size() || in.size() % AES_BLOCK_SIZE != 0) return false;
    for (size_t done = 0; done < in.size();) {
        const size_t piece = std::min(in.size() - done, MAX_PIECE);
        ULONG written = 0;
        if (!BCRYPT_SUCCESS(bcrypt()->BCryptEncrypt(host_->key, input(in.subspan(done, piece)),
                                                    static_cast<ULONG>(piece), nullptr, nullptr, 0, out.data() + done,
                                                    static_cast<ULONG>(piece), &written, 0)) ||
            written != piece)
            return false;
        done += piece;
    }
    return true;
}

struct HmacSha1::Host {
    Provider sha1{BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG};
    BCRYPT_HASH_HANDLE hash = nullptr;
    void drop() {
        if (hash) bcrypt()->BCryptDestroyHash(hash);
        hash = nullptr;
    }
    ~Host() { drop(); }
};

HmacSha1::HmacSha1() = default;
HmacSha1::~HmacSha1() = default;

bool HmacSha1::start(std::span<const uint8_t> key) {
    if (!host_) {
        host_.reset(new (std::nothrow) Host);
        if (!host_) return false;
    }
    host_->drop();
    if (!host_->sha1.handle || key.size() > MAX_PIECE) return false;
    if (!BCRYPT_SUCCESS(bcrypt()->BCryptCreateHash(host_->sha1.handle, &host_->hash, nullptr, 0, input(key),
                                         static_cast<ULONG>(key.size()), 0)))
        host_->hash = nullptr;
    return host_->hash != nullptr;
}

bool HmacSha1::update(std::span<const uint8_t> data) {
    if (!host_ || !host_->hash) return false;
    for (size_t done = 0; done < data.size();) {
        const size_t piece = std::min(data.size() - done, MAX_PIECE);
        if (!BCRYPT_SUCCESS(bcrypt()->BCryptHashData(host_->hash, input(data.subspan(done, piece)),
                                                     static_cast<ULONG>(piece), 0)))
            return false;
        done += piece;
    }
    return true;
}

bool HmacSha1::finish(std::span<uint8_t, SHA1_SIZE> mac) {
    if (!host_ || !host_->hash) return false;
    const bool done =
        BCRYPT_SUCCESS(bcrypt()->BCryptFinishHash(host_->hash, mac.data(), static_cast<ULONG>(mac.size()), 0));
    host_->drop();
    return done;
}
