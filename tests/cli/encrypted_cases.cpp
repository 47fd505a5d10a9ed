// Encrypted members on the command line: archives made by the test writer's
// encryptors (traditional, with and without a data descriptor; AES AE-1 and
// AE-2) and by 7-Zip (ZipCrypto and AES-128/192/256 over four methods) from
// files the test made. The right password by -P for -t, -p and extraction; a
// wrong one; none and no terminal; damaged and cut members. The same cases run
// natively and under Wine (AES through bcrypt.dll there).
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/expect_text.h"
#include "support/other_writers.h"
#include "support/run.h"
#include "support/sample_data.h"
#include "support/zip_encrypt.h"
#include "support/zip_writer.h"

namespace {

using tz::Bytes;
using tz::padded;
using tz::run_unzip;
using tz::TempDir;

const std::string password = "Tr0ub4dor&3";

struct Encrypted {
    const char* name;
    uint8_t strength;  // 0: traditional
    uint16_t vendor_version;
    uint16_t method;   // 0 stored, 8 deflated
    bool descriptor;
};

constexpr Encrypted encrypted[] = {
    {"trad.txt", 0, 0, 8, false},
    {"trad_dd.bin", 0, 0, 0, true},
    {"aes128.txt", 1, 1, 8, false},
    {"aes192.bin", 2, 2, 0, false},
    {"aes256.txt", 3, 2, 8, false},
};

Bytes content_of(size_t i) {
    return tz::sample_data(i % 2 ? tz::SampleKind::binary : tz::SampleKind::text, 40000 + 7 * i,
                           static_cast<uint32_t>(i + 1));
}

// The members above, then a plain one. `packed_of` may change a member's
// encrypted data (damage, cuts).
tz::Archive archive(const std::function<void(size_t, Bytes&)>& packed_of = {}) {
    tz::Archive a;
    for (size_t i = 0; i < std::size(encrypted); ++i) {
        const Encrypted& e = encrypted[i];
        tz::Member& m = a.add(e.name, "");
        m.data = content_of(i);
        const Bytes packed = e.method == 8 ? tz::deflate_raw(m.data) : m.data;
        m.flags = 1;
        m.descriptor = e.descriptor;
        if (e.strength == 0) {
            // The check byte: the time's high byte with a data descriptor, else the CRC's.
            const uint8_t check = e.descriptor ? static_cast<uint8_t>(m.time >> 8)
                                               : static_cast<uint8_t>(tz::crc32_of(m.data) >> 24);
            m.method = e.method;
            m.packed = tz::encrypt_traditional(packed, password, check, static_cast<uint32_t>(i));
        } else {
            m.method = 99;
            m.needed_version = 51;
            m.packed = tz::encrypt_aes(packed, password, e.strength, static_cast<uint32_t>(i));
            m.local_extra = m.central_extra = tz::aes_extra_field(e.vendor_version, e.strength, e.method);
            if (e.vendor_version == 2) m.crc = 0;
        }
        if (packed_of) packed_of(i, *m.packed);
    }
    a.add("plain.txt", "not encrypted\n");
    return a;
}

const std::string had_warnings = "\n1 archive had warnings but no fatal errors.\n";
const std::string had_errors = "\n1 archive had fatal errors.\n";

// The lines of the encrypted members skipped (their paths below `folder`), and
// the run's closing line.
std::string skipped(const std::string& why, const std::string& folder = "") {
    std::string lines;
    for (const Encrypted& e : encrypted) lines += "   skipping: " + padded(folder + e.name) + "  " + why + "\n";
    return lines + had_warnings;
}

TEST(Encrypted, RightPasswordTestsPipesAndExtracts) {
    TempDir dir;
    archive().write(dir / "e.zip");
    std::string tested = "Archive:  e.zip\n";
    for (const Encrypted& e : encrypted) tested += "    testing: " + padded(e.name) + "   OK\n";
    tested += "    testing: " + padded("plain.txt") + "   OK\nNo errors detected in compressed data of e.zip.\n";
    auto r = run_unzip({"-t", "-P", password, "e.zip"}, dir.path());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, tested);
    EXPECT_EQ(r.err, "");

    for (size_t i = 0; i < std::size(encrypted); ++i) {
        r = run_unzip({"-P" + password, "-p", "e.zip", encrypted[i].name}, dir.path());
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(tz::bytes_of(r.out) == content_of(i)) << encrypted[i].name;
    }

    r = run_unzip({"-qP", password, "e.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(r.code, 0) << r.err;
    for (size_t i = 0; i < std::size(encrypted); ++i)
        EXPECT_TRUE(tz::read_file(dir / ("out/" + std::string(encrypted[i].name))) == content_of(i))
            << encrypted[i].name;
}

// A wrong password and none at all (no terminal to ask on): every encrypted
// member is skipped with its reason, the plain one is still done, result 1.
TEST(Encrypted, WrongOrNoPasswordSkipsEncryptedMembers) {
    TempDir dir;
    archive().write(dir / "e.zip");
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"-tq", "-P", "tr0ub4dor&3", "e.zip"}, skipped("incorrect password")},
        {{"-tq", "e.zip"}, skipped("encrypted: no password (give it with -P password)")},
        {{"-q", "-Pwrong", "e.zip", "-d", "out"}, skipped("incorrect password", "out/")},
    };
    for (const Case& c : cases) {
        const auto r = run_unzip(c.args, dir.path());
        EXPECT_EQ(r.code, 1) << c.args[1];
        EXPECT_EQ(r.err, c.err) << c.args[1];
    }
    EXPECT_EQ(tz::files_below(dir / "out"), std::vector<std::string>{"plain.txt"});
    EXPECT_EQ(run_unzip({"-t", "-P"}, dir.path()).code, 10);
}

// Damaged and cut encrypted data: an error of the member (result 2), reported
// in the member's own words; a damaged member never replaces a file.
TEST(Encrypted, DamagedAndCutMembersAreErrors) {
    struct Case {
        const char* what;
        std::function<void(size_t, Bytes&)> change;
        std::string err;
    };
    const Case cases[] = {
        {"AES data changed", [](size_t i, Bytes& p) { if (i == 2) p[p.size() / 2] ^= 1; },
         "  error:  aes128.txt: authentication failed: the data is damaged or altered\n" + had_errors},
        {"AES-2 authentication code changed", [](size_t i, Bytes& p) { if (i == 3) p.back() ^= 0x80; },
         "  error:  aes192.bin: authentication failed: the data is damaged or altered\n" + had_errors},
        {"AES cut inside the salt", [](size_t i, Bytes& p) { if (i == 4) p.resize(9); },
         "  error:  aes256.txt: encrypted data cut short\n" + had_errors},
        {"traditional cut inside its header", [](size_t i, Bytes& p) { if (i == 0) p.resize(5); },
         "  error:  trad.txt: encrypted data cut short\n" + had_errors},
    };
    for (const Case& c : cases) {
        TempDir dir;
        archive(c.change).write(dir / "e.zip");
        const auto r = run_unzip({"-tq", "-P", password, "e.zip"}, dir.path());
        EXPECT_EQ(r.code, 2) << c.what;
        EXPECT_EQ(r.err, c.err) << c.what;
        EXPECT_EQ(r.out, "At least one error was detected in e.zip.\n") << c.what;
        // Talkative: after a begun progress line the error starts a line of its own.
        const auto talkative = run_unzip({"-t", "-P", password, "e.zip"}, dir.path());
        EXPECT_EQ(talkative.err, (c.err.find("cut short") == std::string::npos ? "\n" : "") + c.err) << c.what;
    }
    TempDir dir;
    archive(cases[0].change).write(dir / "e.zip");
    tz::write_text(dir / "aes128.txt", "older\n");
    const auto r = run_unzip({"-qo", "-P", password, "e.zip", "aes128.txt"}, dir.path());
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(tz::read_text(dir / "aes128.txt"), "older\n");
}

// The listings count an encrypted member's data without what its encryption
// adds (AES: by the strength); the information mode names the AES variant,
// key and real method.
TEST(Encrypted, ListingsShowDataSizesAndAesDetails) {
    TempDir dir;
    uint64_t data_size = 0;
    uint64_t plain_size = 0;
    tz::Archive a = archive([&](size_t i, Bytes& p) {
        const uint8_t strength = encrypted[i].strength;
        data_size += p.size() - (strength ? 4 + 4 * strength + 2 + 10 : 12);
        plain_size += content_of(i).size();
    });
    a.write(dir / "e.zip");
    data_size += 14;  // plain.txt, stored
    plain_size += 14;
    auto r = run_unzip({"-t", "e.zip"}, dir.path(), "", "zipinfo");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find(':')), "6 files, " + std::to_string(plain_size) + " bytes uncompressed, " +
                                                     std::to_string(data_size) + " bytes compressed");
    r = run_unzip({"-v", "e.zip", "aes*"}, dir.path(), "", "zipinfo");
    const std::string details[] = {"AE-1, 128-bit", "AE-2, 192-bit", "AE-2, 256-bit"};
    size_t at = 0;
    for (size_t i = 0; i < 3; ++i) {
        const std::string lines = "  AES encryption (vendor version, key):             " + details[i] +
                                  "\n  real compression method (AES):                    " +
                                  (encrypted[i + 2].method ? "deflated" : "none (stored)") + "\n";
        at = r.out.find(lines, at);
        ASSERT_NE(at, std::string::npos) << lines << r.out;
    }
}

// Windows without bcrypt.dll (Wine told not to load it): the program starts,
// AES members are skipped as unavailable, traditional ones still decrypted.
TEST(Encrypted, WithoutBcryptAesIsUnavailable) {
    if (!tz::under_wine()) GTEST_SKIP() << "bcrypt.dll is the Windows build's";
    TempDir dir;
    archive().write(dir / "e.zip");
    std::vector<std::string> command = tz::unzip_command();
    for (const char* a : {"-tq", "-P", password.c_str(), "e.zip"}) command.push_back(a);
    const auto r = tz::run_process(command, dir.path(), "",
                                   {"WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml,bcrypt=d"});
    EXPECT_EQ(r.code, 1);
    std::string err;
    for (const Encrypted& e : encrypted)
        if (e.strength) err += "   skipping: " + padded(e.name) + "  AES decryption unavailable on this system\n";
    EXPECT_EQ(r.err, err + had_warnings);
}

struct TerminalRun {
    std::string shown;  // what the terminal showed
    int code = -1;      // the exit code (-1 when it did not end within 30 seconds)
    bool echo = false;  // the terminal echoes input when the program has ended
};

// Runs the native program on a new terminal in `cwd`, answering each
// "password: " prompt with the next of `answers` and a line end.
TerminalRun run_on_terminal(const std::vector<std::string>& args, const std::string& cwd,
                            std::vector<std::string> answers) {
    std::vector<std::string> words = {tz::native_unzip()};
    words.insert(words.end(), args.begin(), args.end());
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        if (chdir(cwd.c_str()) == 0) execv(argv[0], argv.data());
        _exit(127);
    }
    if (child < 0) return {"forkpty failed", -1, false};
    std::string shown;
    size_t answered_up_to = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{terminal, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(terminal, buffer, sizeof buffer);
        if (n <= 0) break;  // the program ended
        shown.append(buffer, static_cast<size_t>(n));
        const size_t prompt = shown.find("password: ", answered_up_to);
        if (prompt != std::string::npos && !answers.empty()) {
            answered_up_to = prompt + 1;
            const std::string line = answers.front() + "\n";
            answers.erase(answers.begin());
            if (write(terminal, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
        }
    }
    int status = 0;
    if (std::chrono::steady_clock::now() >= deadline) kill(child, SIGKILL);
    waitpid(child, &status, 0);
    termios settings{};
    const bool echo = tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO);
    close(terminal);
    return {shown, WIFEXITED(status) ? WEXITSTATUS(status) : -1, echo};
}

// Without -P the password is asked on the terminal and not shown; a wrong one
// skips that member and is asked again for the next, a right one serves the
// rest of the archive.
TEST(Encrypted, PasswordAskedOnTheTerminalWithoutEcho) {
    if (tz::under_wine()) GTEST_SKIP() << "a pseudo-terminal drives the native build only";
    TempDir dir;
    archive().write(dir / "e.zip");
    const auto [shown, code, echo] = run_on_terminal({"-t", "e.zip"}, dir.path(), {"Wr0ng", password});
    EXPECT_EQ(code, 1) << shown;
    EXPECT_TRUE(echo);
    EXPECT_EQ(shown.find("Wr0ng"), std::string::npos) << shown;
    EXPECT_EQ(shown.find(password), std::string::npos) << shown;
    const std::string expected[] = {
        "[e.zip] trad.txt password: \r\n",
        "   skipping: " + padded("trad.txt") + "  incorrect password\r\n",
        "[e.zip] trad_dd.bin password: \r\n",
        "    testing: " + padded("trad_dd.bin") + "   OK\r\n",
        "    testing: " + padded("aes256.txt") + "   OK\r\n",
        "At least one warning-error was detected in e.zip.\r\n",
    };
    size_t at = 0;
    for (const std::string& line : expected) {
        const size_t found = shown.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " in\n" << shown;
        at = found + line.size();
    }
    size_t prompts = 0;
    for (size_t p = shown.find("password: "); p != std::string::npos; p = shown.find("password: ", p + 1)) ++prompts;
    EXPECT_EQ(prompts, 2u) << shown;

    // A password holds for one archive: the next one asks again.
    archive().write(dir / "f.zip");
    const TerminalRun two = run_on_terminal({"-tq", "?.zip"}, dir.path(), {password, password});
    EXPECT_EQ(two.code, 0) << two.shown;
    const size_t first = two.shown.find("[e.zip] trad.txt password: ");
    EXPECT_NE(first, std::string::npos) << two.shown;
    EXPECT_NE(two.shown.find("[f.zip] trad.txt password: ", first), std::string::npos) << two.shown;
}

// Ctrl-C at the prompt ends the run as an interruption and gives the
// terminal its echo back.
TEST(Encrypted, InterruptedPromptLeavesTheEchoOn) {
    if (tz::under_wine()) GTEST_SKIP() << "a pseudo-terminal drives the native build only";
    TempDir dir;
    archive().write(dir / "e.zip");
    const TerminalRun r = run_on_terminal({"-t", "e.zip"}, dir.path(), {"\x03"});
    EXPECT_EQ(r.code, 80) << r.shown;
    EXPECT_NE(r.shown.find("error:  interrupted by SIGINT"), std::string::npos) << r.shown;
    EXPECT_TRUE(r.echo);
}

// 7-Zip's encryptions over four methods: tested, piped, and refused with a
// wrong password.
TEST(Encrypted, ArchivesOf7Zip) {
    TempDir dir;
    const std::vector<std::string> names = {"text.txt", "table.bin"};
    const std::vector<Bytes> files = {tz::sample_data(tz::SampleKind::text, 120000, 1),
                                      tz::sample_data(tz::SampleKind::binary, 30000, 2)};
    for (size_t i = 0; i < files.size(); ++i) tz::write_file(dir / names[i], files[i]);
    for (const char* cipher : {"ZipCrypto", "AES128", "AES192", "AES256"}) {
        for (const char* method : {"Deflate", "Deflate64", "BZip2", "LZMA"}) {
            const std::string zip = std::string(cipher) + "_" + method + ".zip";
            SCOPED_TRACE(zip);
            tz::archive_by_7zz(dir.path(), zip, method, names, {"-p" + password, std::string("-mem=") + cipher});
            auto r = run_unzip({"-tqq", "-P", password, zip}, dir.path());
            EXPECT_EQ(r.code, 0) << r.err;
            r = run_unzip({"-p", "-P", password, zip, names[0]}, dir.path());
            EXPECT_TRUE(r.code == 0 && tz::bytes_of(r.out) == files[0]) << r.err;
            // A traditional check byte lets one wrong password in 256 pass; the
            // data then fails instead.
            r = run_unzip({"-tqq", "-P", "wrong", zip}, dir.path());
            if (std::string(cipher) == "ZipCrypto")
                EXPECT_GE(r.code, 1);
            else
                EXPECT_EQ(r.err, "   skipping: " + padded(names[1]) + "  incorrect password\n"
                                 "   skipping: " + padded(names[0]) + "  incorrect password\n" + had_warnings);
        }
    }
}

}  // namespace
