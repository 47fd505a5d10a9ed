// The cryptography checks on Windows, where bcrypt.dll does the cryptography:
// run under Wine by the "wine" tests. Prints each failure and a closing count;
// the exit code is 1 when a check failed.
#include <cstdio>

#include "support/crypto_checks.h"

int main() {
    const tz::CryptoChecks checks = tz::run_crypto_checks();
    for (const std::string& f : checks.failures) std::printf("FAILED: %s\n", f.c_str());
    std::printf("%d passed, %zu failed\n", checks.passed, checks.failures.size());
    return checks.failures.empty() && checks.passed > 0 ? 0 : 1;
}
