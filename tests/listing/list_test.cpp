// The short and verbose list modes: ratios, method names, member names, the
// formats and totals byte for byte, quiet levels, the case mark and the hooks.
#include "listing/list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>

#include "engine/engine.h"
#include "listing/info_text.h"
#include "support/engine_run.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace {

using tz::run_engine;

std::string ratio_text(unsigned long u, unsigned long c) {
    char buf[16];
    format_ratio(buf, saving_ratio(u, c));
    return buf;
}

TEST(SavingRatio, KnownAnswers) {
    EXPECT_EQ(0, saving_ratio(0, 0));
    EXPECT_EQ(0, saving_ratio(0, 500));
    EXPECT_EQ(0, saving_ratio(100, 100));
    EXPECT_EQ(-500, saving_ratio(100, 150));
    EXPECT_EQ(667, saving_ratio(1000, 333));
    EXPECT_EQ(1000, saving_ratio(1000, 0));
    EXPECT_EQ(667, saving_ratio(3000000, 1000000));
    EXPECT_EQ(-333, saving_ratio(3000000, 4000000));
    EXPECT_EQ(500, saving_ratio(2000000, 1000000));   // the last value of the exact branch
    EXPECT_EQ(1, saving_ratio(2000, 1999));           // 0.5 per mille rounds up
    EXPECT_EQ(0, saving_ratio(2001, 2000));           // 0.4998 rounds down
    EXPECT_EQ(-1, saving_ratio(2000, 2001));
    EXPECT_EQ(999, saving_ratio(4000000000u, 4000000u));
    EXPECT_EQ(1000, saving_ratio(UINT64_MAX, 3000));          // a damaged Zip64 size: no wrap-around
}

TEST(SavingRatio, Strings) {
    EXPECT_EQ(" 0%", ratio_text(0, 0));
    EXPECT_EQ("-50%", ratio_text(100, 150));
    EXPECT_EQ(" 67%", ratio_text(1000, 333));
    EXPECT_EQ(" 100%", ratio_text(1000, 0));
    EXPECT_EQ(" 1%", ratio_text(1000, 995));   // 5 per mille shows as 1%
    EXPECT_EQ(" 0%", ratio_text(1000, 996));
    EXPECT_EQ("-900%", ratio_text(100, 1000));
}

TEST(SavingRatio, HugeGrowthStaysInRange) {
    // Sizes from a damaged directory: the arithmetic wraps, but the result must
    // stay a valid int and print without overflow.
    for (unsigned long c : {4294967295ul, 3221225472ul, 2147483649ul, 268435457ul}) {
        const int r = saving_ratio(1, c);
        EXPECT_LE(r, 0);
        EXPECT_GT(r, INT_MIN);
        EXPECT_FALSE(ratio_text(1, c).empty());
    }
}

// Every named method in the three forms, and numbers without a name.
TEST(MethodName, AllForms) {
    struct Case {
        unsigned method;
        const char* listed;
        const char* brief;
        const char* full;
    };
    const Case cases[] = {
        {0, "Stored", "stor", "none (stored)"},   {1, "Shrunk", "shrk", "shrunk"},
        {2, "Reduce1", "re:1", "reduced (factor 1)"}, {5, "Reduce4", "re:4", "reduced (factor 4)"},
        {6, "Implode", "i4:2", "imploded"},       {7, "Token", "tokn", "tokenized"},
        {8, "Defl:N", "defN", "deflated"},        {9, "Def64", "df64", "Deflate64"},
        {12, "BZip2", "bzp2", "BZip2"},           {14, "LZMA", "lzma", "LZMA"},
        {93, "Zstd", "zstd", "Zstd"},             {95, "XZ", "xz  ", "XZ"},
        {96, "JPEG", "jpeg", "JPEG"},             {97, "WavPack", "wavp", "WavPack"},
        {98, "PPMd", "ppmd", "PPMd"},             {99, "AES", "aes ", "AES"},
        {94, "Unk:094", "u094", "unknown (94)"},  {65535, "Unk:65535", "u65535", "unknown (65535)"},
    };
    char buf[16];
    for (const Case& c : cases) {
        method_name(buf, c.method, 0);
        EXPECT_STREQ(c.listed, buf);
        EXPECT_LE(std::strlen(buf), c.method < 65535 ? 7u : 9u) << "the listing's column";
        EXPECT_EQ(c.brief, method_short_name(c.method, 0));
        EXPECT_EQ(c.full, method_long_name(c.method));
    }
    const char* levels[] = {"Defl:N", "Defl:X", "Defl:F", "Defl:S"};
    for (unsigned bits = 0; bits < 4; ++bits) {
        method_name(buf, 8, bits << 1 | 1 | 0xFFF0);
        EXPECT_STREQ(levels[bits], buf);
    }
}

TEST(PrintMemberName, ControlCharactersAsCaretLetters) {
    const auto r = tz::capture_streams([] {
        print_member_name("a\tb");
        print_member_name("\x01\x1f\x1b x\x7f\xe9");
        print_member_name("");
        return 0;
    });
    EXPECT_EQ("a^Ib\n^A^_^[ x<U+007F>\xe9\n\n", r.out);
}

// Every control a terminal acts on is shown, never sent: C0 as '^' letters, DEL,
// C1 and the bidirectional controls as code points, wherever the bytes are
// UTF-8 (flag or not); of code-page bytes only 8-bit CSI and OSC.
TEST(PrintMemberName, TerminalControlsOfEveryKindAreShown) {
    const std::pair<const char*, const char*> cases[] = {
        {"csi\xc2\x9b" "31m osc\xc2\x9d" "0;x\x07", "csi<U+009B>31m osc<U+009D>0;x^G"},
        {"\xc2\x80\xc2\x85\xc2\x9f", "<U+0080><U+0085><U+009F>"},
        {"gpj.\xe2\x80\xae" "exe", "gpj.<U+202E>exe"},
        {"\xe2\x80\xaa\xe2\x80\xab\xe2\x80\xac\xe2\x80\xad", "<U+202A><U+202B><U+202C><U+202D>"},
        {"\xe2\x81\xa6\xe2\x81\xa7\xe2\x81\xa8\xe2\x81\xa9", "<U+2066><U+2067><U+2068><U+2069>"},
        // Neighbours that are characters: no-break space, en dash, U+2029, U+206A.
        {"\xc2\xa0\xe2\x80\x93\xe2\x80\xa9\xe2\x81\xaa\xc3\xa9", "\xc2\xa0\xe2\x80\x93\xe2\x80\xa9\xe2\x81\xaa\xc3\xa9"},
        // Code-page bytes: 0x9B and 0x9D only, also beside a UTF-8 control.
        {"caf\xe9 \x80\x85\x9c\x9b[2J\x9d", "caf\xe9 \x80\x85\x9c<0x9B>[2J<0x9D>"},
        {"\xff\xe2\x80\xae", "\xff<U+202E>"},
        // Not UTF-8: an overlong CSI, a cut sequence, a surrogate.
        {"\xe0\x82\x9b \xe2\x80 \xed\xa0\x80", "\xe0\x82<0x9B> \xe2\x80 \xed\xa0\x80"},
    };
    for (const auto& [name, shown] : cases) {
        const auto r = tz::capture_streams([name = name] {
            print_member_name(name);
            return 0;
        });
        EXPECT_EQ(std::string(shown) + "\n", r.out) << name;
    }
}

// ---- Whole listings

class Listing : public ::testing::Test {
protected:
    void SetUp() override { cwd_ = std::make_unique<tz::ScopedCwd>(dir_.path()); }
    void TearDown() override {
        cwd_.reset();
        engine_set_hooks(EngineHooks{});
    }
    // Members: a stored text, a "deflated" member whose packed bytes the listing
    // never reads, an encrypted one, a grown one and an empty one.
    static tz::Archive sample() {
        tz::Archive a;
        tz::Member& m1 = a.add("123456789.txt", "123456789");
        m1.made_by_host = 3;
        m1.date = tz::dos_date(2001, 2, 3);
        m1.time = tz::dos_time(12, 34, 56);
        tz::Member& m2 = a.add("data/big.bin", std::string(1000, 'q'), 8);
        m2.made_by_host = 3;
        m2.packed = tz::Bytes(333, 0x55);
        m2.flags = 0x0004;
        m2.crc = 0x0A0B0C0D;
        m2.date = tz::dos_date(1980, 1, 1);
        m2.time = tz::dos_time(0, 0, 0);
        tz::Member& m3 = a.add("secret", std::string(100, 's'));
        m3.made_by_host = 3;
        m3.flags = 0x0001;
        m3.packed = tz::Bytes(112, 0);
        m3.date = tz::dos_date(2107, 12, 31);
        m3.time = tz::dos_time(23, 59, 58);
        tz::Member& m4 = a.add("grown", std::string(100, 'g'), 12);
        m4.made_by_host = 3;
        m4.packed = tz::Bytes(150, 1);
        m4.crc = 0xFFFFFFFF;
        m4.date = tz::dos_date(1999, 10, 9);
        m4.time = tz::dos_time(9, 5, 0);
        tz::Member& m5 = a.add("tab\there", "");
        m5.made_by_host = 3;
        m5.date = tz::dos_date(2000, 6, 15);
        m5.time = tz::dos_time(18, 30, 0);
        return a;
    }
    tz::TempDir dir_;
    std::unique_ptr<tz::ScopedCwd> cwd_;
};

TEST_F(Listing, ShortFormat) {
    sample().write("s.zip");
    const auto r = run_engine({"-l", "s.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ("Archive:  s.zip\n"
              " Length    Date    Time    Name (\"^\" ==> case\n"
              " ------    ----    ----    ----   conversion)\n"
              "      9  02-03-01  12:34   123456789.txt\n"
              "   1000  01-01-80  00:00   data/big.bin\n"
              "    100  12-31-07  23:59   secret\n"
              "    100  10-09-99  09:05   grown\n"
              "      0  06-15-00  18:30   tab^Ihere\n"
              " ------                    -------\n"
              "   1209                    5      \n",
              r.out);
}

TEST_F(Listing, VerboseFormat) {
    sample().write("s.zip");
    const auto r = run_engine({"-v", "s.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    // Totals: 1209 bytes in 9 + 333 + 100 + 150 + 0 = 592, a ratio of 510.
    EXPECT_EQ("Archive:  s.zip\n"
              " Length  Method   Size  Ratio   Date    Time   CRC-32     Name (\"^\" ==> case\n"
              " ------  ------   ----  -----   ----    ----   ------     ----   conversion)\n"
              "      9  Stored       9   0%  02-03-01  12:34  cbf43926   123456789.txt\n"
              "   1000  Defl:F     333  67%  01-01-80  00:00  0a0b0c0d   data/big.bin\n"
              "    100  Stored     100   0%  12-31-07  23:59  " +
                  [] {
                      char b[9];
                      std::snprintf(b, sizeof b, "%08x", tz::crc32_of(tz::bytes_of(std::string(100, 's'))));
                      return std::string(b);
                  }() +
                  "   secret\n"
                  "    100  BZip2      150 -50%  10-09-99  09:05  ffffffff   grown\n"
                  "      0  Stored       0   0%  06-15-00  18:30  00000000   tab^Ihere\n"
                  " ------          ------  ---                              -------\n"
                  "   1209             592  51%                              5      \n",
              r.out);
}

// An encrypted member stating less than its 12-byte encryption header: its
// data size is 0 in every listing and total, never 2^64 - 9.
TEST_F(Listing, EncryptedMemberShorterThanItsHeaderHasNoData) {
    tz::Archive a;
    tz::Member& m = a.add("short", std::string(10, 's'));
    m.made_by_host = 3;
    m.flags = 0x0001;
    m.packed = tz::Bytes(3, 0);
    a.write("e.zip");
    const std::string verbose = run_engine({"-qqv", "e.zip"}).out;
    EXPECT_EQ("     10  Stored       0  100%  02-03-01", verbose.substr(0, 39)) << verbose;
    const auto totals = run_engine({"-t", "e.zip"}, "", "zipinfo");
    EXPECT_EQ("1 file, 10 bytes uncompressed, 0 bytes compressed:  100.0%\n", totals.out);
    const std::string medium = run_engine({"-m", "e.zip"}, "", "zipinfo").out;
    EXPECT_NE(std::string::npos, medium.find("      10 B-100% stor ")) << medium;
}

TEST_F(Listing, QuietLevels) {
    sample().write("s.zip");
    auto r = run_engine({"-ql", "s.zip"});
    EXPECT_EQ(0u, r.out.find(" Length    Date    Time    Name"));
    EXPECT_NE(std::string::npos, r.out.find("   1209                    5      \n"));

    r = run_engine({"-qql", "s.zip"});
    EXPECT_EQ("      9  02-03-01  12:34   123456789.txt\n"
              "   1000  01-01-80  00:00   data/big.bin\n"
              "    100  12-31-07  23:59   secret\n"
              "    100  10-09-99  09:05   grown\n"
              "      0  06-15-00  18:30   tab^Ihere\n",
              r.out);
    EXPECT_EQ("", r.err);

    r = run_engine({"-qqv", "s.zip"});
    EXPECT_EQ(5u, std::count(r.out.begin(), r.out.end(), '\n'));
    EXPECT_EQ(0u, r.out.find("      9  Stored       9   0%  02-03-01  12:34  cbf43926   123456789.txt\n"));
}

TEST_F(Listing, NothingSelected) {
    sample().write("s.zip");
    // The caution of extraction, and a result a script sees.
    const auto r = run_engine({"-v", "s.zip", "nothing*"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("caution: filename not matched:  nothing*\n\n1 archive had warnings but no fatal errors.\n", r.err);
    EXPECT_EQ("Archive:  s.zip\n"
              " Length  Method   Size  Ratio   Date    Time   CRC-32     Name (\"^\" ==> case\n"
              " ------  ------   ----  -----   ----    ----   ------     ----   conversion)\n"
              " ------          ------  ---                              -------\n"
              "      0               0   0%                              0      \n",
              r.out);
    // One pattern matched: the caution for the other, and no warning.
    const auto some = run_engine({"-qql", "s.zip", "nothing*", "grown", "-x", "nix"});
    EXPECT_EQ(0, some.code);
    EXPECT_EQ("caution: filename not matched:  nothing*\ncaution: excluded filename not matched:  nix\n", some.err);
}

TEST_F(Listing, SelectionCountsOnlySelectedMembers) {
    sample().write("s.zip");
    const auto r = run_engine({"-l", "s.zip", "*e*", "-x", "grown"});
    const std::string totals =
        " ------                    -------\n"
        "    100                    2      \n";
    EXPECT_EQ(totals, r.out.substr(r.out.size() - totals.size()));
    EXPECT_NE(std::string::npos, r.out.find("   secret\n"));
    EXPECT_NE(std::string::npos, r.out.find("   tab^Ihere\n"));
}

TEST_F(Listing, CaseMarkForFatStyleHosts) {
    tz::Archive a;
    for (int host : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 14, 30}) {
        tz::Member& m = a.add("HOST" + std::to_string(host) + ".TXT", "");
        m.made_by_host = static_cast<uint8_t>(host);
    }
    a.write("h.zip");
    auto r = run_engine({"-qql", "h.zip"});
    EXPECT_EQ("      0  02-03-01  12:34  ^host0.txt\n"
              "      0  02-03-01  12:34   HOST1.TXT\n"
              "      0  02-03-01  12:34   HOST2.TXT\n"
              "      0  02-03-01  12:34   HOST3.TXT\n"
              "      0  02-03-01  12:34  ^host4.txt\n"
              "      0  02-03-01  12:34  ^host5.txt\n"
              "      0  02-03-01  12:34   HOST6.TXT\n"
              "      0  02-03-01  12:34   HOST7.TXT\n"
              "      0  02-03-01  12:34  ^host9.txt\n"
              "      0  02-03-01  12:34  ^host10.txt\n"
              "      0  02-03-01  12:34   HOST11.TXT\n"
              "      0  02-03-01  12:34   HOST12.TXT\n"
              "      0  02-03-01  12:34   HOST14.TXT\n"
              "      0  02-03-01  12:34   HOST30.TXT\n",
              r.out);

    // -U keeps the names and drops the case note from the header.
    r = run_engine({"-Ul", "h.zip"});
    EXPECT_EQ(0u, r.out.find("Archive:  h.zip\n"
                             " Length    Date    Time    Name\n"
                             " ------    ----    ----    ----\n"
                             "      0  02-03-01  12:34   HOST0.TXT\n"));
    r = run_engine({"-Uv", "h.zip"});
    EXPECT_EQ(0u, r.out.find("Archive:  h.zip\n"
                             " Length  Method   Size  Ratio   Date    Time   CRC-32     Name\n"
                             " ------  ------   ----  -----   ----    ----   ------     ----\n"));
}

TEST_F(Listing, NonAsciiUpperCaseIsNotFolded) {
    tz::Archive a;
    a.add("\x8EPFEL.TXT", "").made_by_host = 0;  // A with diaeresis in code page 437
    a.write("u.zip");
    const auto r = run_engine({"-qql", "u.zip"});
    EXPECT_EQ("      0  02-03-01  12:34  ^\xC3\x84pfel.txt\n", r.out);
}

// ---- Hooks

struct HookLog {
    std::vector<std::pair<std::string, uint32_t>> members;
    std::vector<uint32_t> totals;
};
HookLog* hook_log = nullptr;

class ListingHooks : public Listing {
protected:
    void SetUp() override {
        Listing::SetUp();
        hook_log = &log_;
        EngineHooks h;
        h.listed_member = [](const char* name, uint32_t size) {
            hook_log->members.emplace_back(name, size);
        };
        h.listing_total = [](uint32_t total) { hook_log->totals.push_back(total); };
        engine_set_hooks(h);
        sample().write("s.zip");
    }
    void TearDown() override {
        Listing::TearDown();
        hook_log = nullptr;
    }
    HookLog log_;
    using Members = std::vector<std::pair<std::string, uint32_t>>;
};

TEST_F(ListingHooks, VerboseListingReportsEveryMemberAndTheTotal) {
    const auto r = run_engine({"-v", "s.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ((Members{{"123456789.txt", 9}, {"data/big.bin", 1000}, {"secret", 100},
                       {"grown", 100}, {"tab\there", 0}}),
              log_.members);
    EXPECT_EQ(std::vector<uint32_t>{1209}, log_.totals);
}

TEST_F(ListingHooks, OnlySelectedMembersAreReported) {
    run_engine({"-l", "s.zip", "data/*", "grown"});
    EXPECT_EQ((Members{{"data/big.bin", 1000}, {"grown", 100}}), log_.members);
    EXPECT_EQ(std::vector<uint32_t>{1100}, log_.totals);
}

TEST_F(ListingHooks, QuieterListingReportsMembersButNoTotal) {
    run_engine({"-qqv", "s.zip"});
    EXPECT_EQ(5u, log_.members.size());
    EXPECT_TRUE(log_.totals.empty());
}

TEST_F(ListingHooks, StoredNamesAreTheShownOnes) {
    tz::Archive a;
    a.add("DOCS/README.TXT", "abc").made_by_host = 0;
    a.write("f.zip");
    run_engine({"-v", "f.zip"});
    EXPECT_EQ((Members{{"docs/readme.txt", 3}}), log_.members);
}

TEST_F(ListingHooks, DamagedDirectoryReportsNoTotal) {
    tz::Archive a = sample();
    a.entries_total = 6;
    a.write("d.zip");
    const auto r = run_engine({"-v", "d.zip"});
    EXPECT_EQ(3, r.code);
    EXPECT_EQ(5u, log_.members.size());
    EXPECT_TRUE(log_.totals.empty());
}

TEST_F(ListingHooks, CommentOnlyRunReportsNothing) {
    run_engine({"-z", "s.zip"});
    EXPECT_TRUE(log_.members.empty());
    EXPECT_TRUE(log_.totals.empty());
}

}  // namespace
