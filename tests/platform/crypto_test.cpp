// The platform's cryptography and the AES front-end over it, by known answers
// (the same checks run on Windows under Wine: tests/platform/win32/crypto_check.cpp).
#include <gtest/gtest.h>

#include "support/crypto_checks.h"

TEST(PlatformCrypto, KnownAnswers) {
    const tz::CryptoChecks checks = tz::run_crypto_checks();
    std::string failed;
    for (const std::string& f : checks.failures) failed += f + "\n";
    EXPECT_EQ(failed, "");
    EXPECT_GT(checks.passed, 40);
}
