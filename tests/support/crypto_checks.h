// Known-answer checks of the platform's cryptography (platform/crypto.h) and
// of the AES front-end over it: PBKDF2-HMAC-SHA1 (RFC 6070 and values from an
// independent implementation), AES (FIPS-197), HMAC-SHA1 (RFC 2202) fed in
// pieces, and AES members made by the test encryptor. Shared by the native
// tests and the Windows check program run under Wine (bcrypt there); no
// GoogleTest.
#pragma once

#include <string>
#include <vector>

namespace tz {

struct CryptoChecks {
    int passed = 0;
    std::vector<std::string> failures;  // one line per failed check
};

CryptoChecks run_crypto_checks();

}  // namespace tz
