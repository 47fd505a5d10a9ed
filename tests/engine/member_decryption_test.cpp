// The decryption stage between the archive input and the methods: members made
// by the test encryptors (every cipher, several methods, sizes and positions
// in the input blocks), damaged and cut members, and archives that 7-Zip
// writes from files this test made.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string_view>

#include "decrypt/decrypt_result.h"
#include "engine/archive.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "engine/member_decryption.h"
#include "methods/methods.h"
#include "support/method_harness.h"
#include "support/run.h"
#include "support/sample_data.h"
#include "support/shrink_encoder.h"
#include "support/zip_encrypt.h"

namespace {

using tz::Bytes;

constexpr std::string_view PASSWORD = "Tr0ub4dor&3";
constexpr uint16_t DOS_TIME = 0x6A5C;

struct Cipher {
    const char* name;
    uint8_t strength;  // 0: traditional
    uint16_t vendor_version;
    bool descriptor;   // traditional: the check byte comes from the time
};

constexpr Cipher ciphers[] = {
    {"traditional", 0, 0, false},     {"traditional, data descriptor", 0, 0, true},
    {"AES-128 AE-1", 1, 1, false},    {"AES-192 AE-2", 2, 2, false},
    {"AES-256 AE-1", 3, 1, false},    {"AES-256 AE-2", 3, 2, false},
};

// Stored data as the engine copies it: runs of input straight to the output.
int store_member() {
    const uint8_t* run = nullptr;
    long n;
    while ((n = take_input(&run, INPUT_BUF_SIZE * 4)) > 0) write_out(run, static_cast<uint32_t>(n), 0);
    return 0;
}

struct Method {
    const char* name;
    uint16_t number;
    std::function<Bytes(const Bytes&)> pack;
    int (*decode)();
};

const Method methods[] = {
    {"stored", 0, [](const Bytes& d) { return d; }, store_member},
    {"deflated", 8, [](const Bytes& d) { return tz::deflate_raw(d); }, inflate_member},
    {"deflated in stored blocks", 8, [](const Bytes& d) { return tz::deflate_raw(d, 0); }, inflate_member},
    {"shrunk", 1, [](const Bytes& d) { return tz::shrink(d); }, unshrink_member},
};

Bytes encrypt(const Cipher& c, const Bytes& packed, uint32_t crc, std::string_view password = PASSWORD) {
    if (c.strength == 0)
        return tz::encrypt_traditional(packed, password, traditional_check_byte(c.descriptor, crc, DOS_TIME));
    return tz::encrypt_aes(packed, password, c.strength);
}

struct Outcome {
    int begin = -1, decode = -1, finish = -1;
    bool crc_checked = true;
    Bytes output;
    uint32_t crc = 0;
    Bytes after;   // the archive bytes read after finish()
    Bytes reread;  // the member's first bytes, read again after finish()
};

struct Job {
    const Cipher* cipher;
    uint16_t method;
    int (*decode)();
    uint32_t crc = 0;      // of the plain data: the traditional check byte
    uint16_t time = DOS_TIME;  // or with a data descriptor, the time's
    std::string_view password = PASSWORD;
    size_t leading_bytes = 0;
    int64_t missing = 0;   // bytes the packed size counts beyond the archive's end
    size_t read_after = 0;  // archive bytes to read after finish()
};

// Decrypts and decodes `member` (encryption header, data and code) as the
// engine does for a member.
Outcome decrypt(const Job& r, const Bytes& member) {
    Outcome o;
    tz::MethodSetup setup;
    setup.method = r.method;
    setup.leading_bytes = r.leading_bytes;
    setup.trailing_bytes = r.missing ? 0 : 64;
    const tz::MethodRun run = tz::run_method(
        [&] {
            G.packed_left += r.missing;
            MemberDecryption d;
            o.begin = r.cipher->strength == 0
                          ? d.begin_traditional(r.password,
                                                traditional_check_byte(r.cipher->descriptor, r.crc, r.time))
                          : d.begin_aes({r.cipher->vendor_version, r.cipher->strength, r.method}, r.password);
            if (o.begin != DECRYPT_OK) return 0;
            o.decode = r.decode();
            o.finish = d.finish();
            o.crc_checked = d.crc_checked();
            G.packed_left = static_cast<int64_t>(r.read_after);
            for (size_t i = 0; i < r.read_after; ++i) o.after.push_back(static_cast<uint8_t>(next_byte()));
            o.reread.resize(std::min<size_t>(member.size(), 16));
            if (position_input(static_cast<int64_t>(r.leading_bytes)) != 0 ||
                read_bytes(o.reread.data(), static_cast<long>(o.reread.size())) != static_cast<long>(o.reread.size()))
                o.reread.clear();
            return 0;
        },
        member, setup);
    o.output = run.output;
    o.crc = run.crc;
    return o;
}

// Every cipher with every method, members of several sizes at several places
// in the input blocks: the plain data comes out, the member authenticates, and
// the bytes after the member, and the member itself read again, are read as
// they are in the archive.
TEST(MemberDecryption, EveryCipherAndMethod) {
    for (const Cipher& c : ciphers) {
        for (const Method& m : methods) {
            for (const size_t size : {size_t{0}, size_t{1}, size_t{3000}, size_t{150000}}) {
                const Bytes data = tz::sample_data(tz::SampleKind::text, size, static_cast<uint32_t>(size));
                const uint32_t crc = tz::crc32_of(data);
                const Bytes member = encrypt(c, m.pack(data), crc);
                for (const size_t leading : {size_t{0}, size_t{2041}}) {
                    SCOPED_TRACE(std::string(c.name) + ", " + m.name + ", " + std::to_string(size) +
                                 " bytes after " + std::to_string(leading));
                    Job r{&c, m.number, m.decode, crc};
                    r.leading_bytes = leading;
                    r.read_after = 4;
                    const Outcome o = decrypt(r, member);
                    EXPECT_EQ(o.begin, DECRYPT_OK);
                    EXPECT_EQ(o.decode, 0);
                    EXPECT_EQ(o.finish, DECRYPT_OK);
                    EXPECT_TRUE(o.output == data);
                    EXPECT_EQ(o.crc, crc);
                    EXPECT_EQ(o.crc_checked, c.vendor_version != 2);
                    EXPECT_EQ(o.after, Bytes(4, 0x5A));
                    EXPECT_EQ(o.reread, Bytes(member.begin(), member.begin() + std::min<long>(16, member.size())));
                }
            }
        }
    }
}

// Wrong passwords, damaged and cut members, unknown variants.
TEST(MemberDecryption, Failures) {
    const Cipher& traditional = ciphers[0];
    const Cipher& aes256 = ciphers[5];
    const Bytes data = tz::sample_data(tz::SampleKind::binary, 20000);
    const uint32_t crc = tz::crc32_of(data);
    const Bytes deflated = tz::deflate_raw(data);
    Bytes with_tail = deflated;  // a stream followed by bytes its method never reads
    with_tail.insert(with_tail.end(), 3000, 0x42);

    const auto flip = [](Bytes b, size_t at) {
        b[at] ^= 0x10;
        return b;
    };
    const Bytes aes_member = encrypt(aes256, data, crc);
    const Bytes aes_tail = encrypt(aes256, with_tail, crc);
    const size_t header = aes_header_size(3);
    struct Case {
        const char* name;
        const Cipher& cipher;
        uint16_t method;
        Bytes member;
        std::string_view password;
        int64_t missing;  // bytes cut off the end of the archive
        int begin, finish;
        bool data_out;  // the plain data came out whole
    };
    const Case cases[] = {
        {"traditional, wrong password", traditional, 0, encrypt(traditional, data, crc), "tr0ub4dor&3", 0,
         DECRYPT_WRONG_PASSWORD, -1, false},
        {"AES, wrong password", aes256, 0, aes_member, "Tr0ub4dor&", 0, DECRYPT_WRONG_PASSWORD, -1, false},
        {"AES, damaged verifier", aes256, 0, flip(aes_member, header - 1), PASSWORD, 0, DECRYPT_WRONG_PASSWORD,
         -1, false},
        {"AES, damaged authentication code", aes256, 0, flip(aes_member, aes_member.size() - 1), PASSWORD, 0,
         DECRYPT_OK, DECRYPT_AUTH_FAILED, true},
        {"AES, damaged data", aes256, 0, flip(aes_member, header + 12345), PASSWORD, 0, DECRYPT_OK,
         DECRYPT_AUTH_FAILED, false},
        {"AES, bytes the method leaves unread", aes256, 8, aes_tail, PASSWORD, 0, DECRYPT_OK, DECRYPT_OK, true},
        {"AES, damaged byte the method leaves unread", aes256, 8, flip(aes_tail, aes_tail.size() - 100),
         PASSWORD, 0, DECRYPT_OK, DECRYPT_AUTH_FAILED, true},
        {"AES, archive cut inside the data", aes256, 0, Bytes(aes_member.begin(), aes_member.end() - 5000),
         PASSWORD, 5000, DECRYPT_OK, DECRYPT_TRUNCATED, false},
        {"AES, archive cut inside the code", aes256, 0, Bytes(aes_member.begin(), aes_member.end() - 4),
         PASSWORD, 4, DECRYPT_OK, DECRYPT_TRUNCATED, true},
        {"AES, archive cut inside the salt", aes256, 0, Bytes(aes_member.begin(), aes_member.begin() + 9),
         PASSWORD, 40, DECRYPT_TRUNCATED, -1, false},
        {"AES, packed size too small for header and code", aes256, 0, Bytes(aes_member.begin(),
         aes_member.begin() + 27), PASSWORD, 0, DECRYPT_TRUNCATED, -1, false},
        {"traditional, archive cut inside the header", traditional, 0, Bytes(7, 1), PASSWORD, 5,
         DECRYPT_TRUNCATED, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job r{&c.cipher, c.method, c.method == 0 ? store_member : inflate_member, crc};
        r.password = c.password;
        r.missing = c.missing;
        const Outcome o = decrypt(r, c.member);
        EXPECT_EQ(o.begin, c.begin);
        EXPECT_EQ(o.finish, c.finish);
        EXPECT_EQ(o.output == data, c.data_out);
    }
}

// A variant the stage does not know leaves the member's input untouched.
TEST(MemberDecryption, UnknownVariantTakesNothing) {
    for (const AesExtra extra : {AesExtra{2, 4, 0}, AesExtra{3, 3, 0}, AesExtra{0, 1, 0}}) {
        int begin = -1;
        int64_t left = -1;
        tz::run_method(
            [&] {
                MemberDecryption d;
                begin = d.begin_aes(extra, PASSWORD);
                left = G.packed_left;
                return 0;
            },
            Bytes(100, 7));
        EXPECT_EQ(begin, DECRYPT_UNSUPPORTED);
        EXPECT_EQ(left, 100);
    }
}

// --- Archives written by 7-Zip from files this test made.

struct ListedMember {
    std::string name;
    uint16_t flags = 0, method = 0, time = 0;
    uint32_t crc = 0;
    Bytes extra;
    Bytes data;  // the packed data: encryption header, data, code
};

uint32_t le(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<size_t>(i));
    return v;
}

// The members of a plain archive (no Zip64, no comment) through its central directory.
std::vector<ListedMember> list_members(const Bytes& zip) {
    const size_t end = zip.size() - 22;
    if (le(zip, end, 4) != 0x06054b50) throw std::runtime_error("no end record");
    std::vector<ListedMember> out;
    size_t at = le(zip, end + 16, 4);
    for (uint32_t i = 0; i < le(zip, end + 10, 2); ++i) {
        ListedMember m;
        m.flags = static_cast<uint16_t>(le(zip, at + 8, 2));
        m.method = static_cast<uint16_t>(le(zip, at + 10, 2));
        m.time = static_cast<uint16_t>(le(zip, at + 12, 2));
        m.crc = le(zip, at + 16, 4);
        const size_t packed = le(zip, at + 20, 4), name_len = le(zip, at + 28, 2);
        const size_t extra_len = le(zip, at + 30, 2), comment_len = le(zip, at + 32, 2);
        m.name.assign(zip.begin() + static_cast<long>(at + 46), zip.begin() + static_cast<long>(at + 46 + name_len));
        m.extra.assign(zip.begin() + static_cast<long>(at + 46 + name_len),
                       zip.begin() + static_cast<long>(at + 46 + name_len + extra_len));
        const size_t local = le(zip, at + 42, 4);
        const size_t data = local + 30 + le(zip, local + 26, 2) + le(zip, local + 28, 2);
        m.data.assign(zip.begin() + static_cast<long>(data), zip.begin() + static_cast<long>(data + packed));
        out.push_back(std::move(m));
        at += 46 + name_len + extra_len + comment_len;
    }
    return out;
}

// Decrypts a member as the engine will: the cipher from method and extra
// field, the real method from the extra field for AES.
Outcome decrypt_listed(const ListedMember& m, std::string_view password) {
    Cipher cipher{"", 0, 0, (m.flags & 8) != 0};
    uint16_t method = m.method;
    if (m.method == AES_METHOD) {
        AesExtra extra;
        if (parse_aes_extra(m.extra, &extra) != DECRYPT_OK) throw std::runtime_error("AES extra field");
        cipher = Cipher{"", extra.strength, extra.vendor_version, false};
        method = extra.method;
    }
    if (method != 0 && method != 8) throw std::runtime_error("method " + std::to_string(method));
    Job r{&cipher, method, method == 0 ? store_member : inflate_member, m.crc};
    r.time = m.time;
    r.password = password;
    return decrypt(r, m.data);
}

TEST(MemberDecryption, ArchivesOf7Zip) {
    tz::TempDir dir;
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"empty.txt", {}},
        {"short.txt", tz::bytes_of("a short text\r\n")},
        {"text.txt", tz::sample_data(tz::SampleKind::text, 200000)},
        {"noise.bin", tz::sample_data(tz::SampleKind::random, 70000)},
    };
    std::vector<std::string> names;
    for (const auto& [name, content] : files) {
        tz::write_file(dir / name, content);
        names.push_back(name);
    }
    int archives = 0;
    for (const char* em : {"ZipCrypto", "AES128", "AES192", "AES256"}) {
        for (const char* level : {"-mx=0", "-mx=5"}) {
            // To a file (sizes and CRC in the local header) and to standard
            // output (a data descriptor after each member's data; 7-Zip
            // streams compressed members only).
            for (const bool streamed : {false, true}) {
                if (streamed && std::string_view(level) == "-mx=0") continue;
                SCOPED_TRACE(std::string(em) + " " + level + (streamed ? ", streamed" : ""));
                std::vector<std::string> command = {"7zz", "a", "-tzip", "-p" + std::string(PASSWORD),
                                                    std::string("-mem=") + em, level, "-bso0", "-bsp0"};
                command.push_back(streamed ? "-so" : "out.zip");
                if (streamed) command.push_back("-an");
                command.insert(command.end(), names.begin(), names.end());
                std::filesystem::remove(dir / "out.zip");
                const tz::RunResult made = tz::run_process(command, dir.path());
                if (made.code == -1 || (made.code == 127 && made.out.empty()))
                    GTEST_SKIP() << "7zz is not installed (scripts/bootstrap.sh installs it)";
                ASSERT_EQ(made.code, 0) << made.err;
                const Bytes zip = streamed ? tz::bytes_of(made.out) : tz::read_file(dir / "out.zip");
                const std::vector<ListedMember> listed = list_members(zip);
                ASSERT_EQ(listed.size(), files.size());
                ++archives;
                for (const ListedMember& m : listed) {
                    SCOPED_TRACE(m.name);
                    ASSERT_TRUE(m.flags & 1);
                    EXPECT_EQ((m.flags & 8) != 0, streamed);
                    const Bytes& content =
                        std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.first == m.name; })
                            ->second;
                    const Outcome good = decrypt_listed(m, PASSWORD);
                    EXPECT_EQ(good.begin, DECRYPT_OK);
                    EXPECT_EQ(good.decode, 0);
                    EXPECT_EQ(good.finish, DECRYPT_OK);
                    EXPECT_TRUE(good.output == content);
                    if (good.crc_checked) {
                        EXPECT_EQ(good.crc, m.crc);
                    }
                    // A wrong password: refused by the check, or (one time in
                    // 256 for the traditional check byte) caught later.
                    const Outcome bad = decrypt_listed(m, "tr0ub4dor&3");
                    EXPECT_FALSE(bad.begin == DECRYPT_OK && bad.finish == DECRYPT_OK && bad.decode == 0 &&
                                 bad.output == content && (!bad.crc_checked || bad.crc == m.crc));
                }
            }
        }
    }
    EXPECT_EQ(archives, 12);
}

}  // namespace
