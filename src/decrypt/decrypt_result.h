// The results of the decryption front-ends (decrypt/traditional.h,
// decrypt/zip_aes.h) and of the engine's decryption stage
// (engine/member_decryption.h). The engine turns them into its messages.
#pragma once

enum : int {
    DECRYPT_OK = 0,
    DECRYPT_WRONG_PASSWORD = 1,  // the check byte (traditional) or the password verifier (AES) differs
    DECRYPT_AUTH_FAILED = 2,     // AES: the authentication code differs: the data is damaged or altered
    DECRYPT_UNSUPPORTED = 3,     // AES: a vendor version or key strength this program does not know
    DECRYPT_BAD_EXTRA = 4,       // AES: the 0x9901 extra field is missing or damaged
    DECRYPT_TRUNCATED = 5,       // the data ends inside its encryption header or authentication code
    DECRYPT_HOST_FAILED = 6,     // the host's cryptography failed (no memory, no provider)
};
