// The 0x9901 extra field as members carry it, whole, damaged and unknown.
#include <gtest/gtest.h>

#include "decrypt/decrypt_result.h"
#include "decrypt/zip_aes.h"
#include "support/zip_encrypt.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(AesExtraField, Parsing) {
    const Bytes ae2 = tz::aes_extra_field(2, 3, 8);
    const Bytes zip64 = {0x01, 0x00, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    Bytes short_block = ae2;
    short_block[2] = 6;
    short_block.pop_back();
    Bytes long_block = ae2;
    long_block[2] = 8;
    long_block.push_back(0);
    Bytes other_vendor = ae2;
    other_vendor[7] = 'X';
    struct Case {
        const char* name;
        Bytes field;
        int result;
        AesExtra extra;
    };
    const Case cases[] = {
        {"AE-2, AES-256, deflated", ae2, DECRYPT_OK, {2, 3, 8}},
        {"AE-1, AES-128, stored", tz::aes_extra_field(1, 1, 0), DECRYPT_OK, {1, 1, 0}},
        {"after another block", concat(zip64, tz::aes_extra_field(1, 2, 12)), DECRYPT_OK, {1, 2, 12}},
        {"the first of two", concat(ae2, tz::aes_extra_field(1, 1, 0)), DECRYPT_OK, {2, 3, 8}},
        {"empty field", {}, DECRYPT_BAD_EXTRA, {}},
        {"no AES block", zip64, DECRYPT_BAD_EXTRA, {}},
        {"block cut short by the field's end", Bytes(ae2.begin(), ae2.end() - 1), DECRYPT_BAD_EXTRA, {}},
        {"block of 6 bytes", short_block, DECRYPT_BAD_EXTRA, {}},
        {"block of 8 bytes", long_block, DECRYPT_BAD_EXTRA, {}},
        {"damaged block before it", concat({0x01, 0x00, 0xFF, 0xFF, 0}, ae2), DECRYPT_BAD_EXTRA, {}},
        {"a lone id", {0x01, 0x99}, DECRYPT_BAD_EXTRA, {}},
        {"vendor version 3", tz::aes_extra_field(3, 3, 8), DECRYPT_UNSUPPORTED, {}},
        {"vendor version 0", tz::aes_extra_field(0, 3, 8), DECRYPT_UNSUPPORTED, {}},
        {"strength 0", tz::aes_extra_field(2, 0, 8), DECRYPT_UNSUPPORTED, {}},
        {"strength 4", tz::aes_extra_field(2, 4, 8), DECRYPT_UNSUPPORTED, {}},
        {"vendor id other than AE", other_vendor, DECRYPT_UNSUPPORTED, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AesExtra got{9, 9, 9};
        EXPECT_EQ(parse_aes_extra(c.field, &got), c.result);
        if (c.result == DECRYPT_OK) {
            EXPECT_EQ(got.vendor_version, c.extra.vendor_version);
            EXPECT_EQ(got.strength, c.extra.strength);
            EXPECT_EQ(got.method, c.extra.method);
        }
    }
}

}  // namespace
