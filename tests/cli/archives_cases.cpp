// Command-line cases for archives as users have them: Zip64 archives (many
// members, offsets beyond 4 GiB, the Zip64 extra field), the case of names from
// FAT hosts, UTF-8 and code page 437 names, names Windows cannot create, and the
// formats the engine refuses. Native and under Wine, except where noted.
// Archives come from Python's zipfile (the writer other tools use) or from the
// test writer, which sets the Zip64 records by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/expect_text.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace {

namespace fs = std::filesystem;
using tz::Archive;
using tz::read_text;
using tz::run_unzip;
using tz::TempDir;

// Runs a Python script (the standard library only) in `dir`; fails the test on error.
void python(const std::string& script, const std::string& dir) {
    const tz::RunResult r = tz::run_process({"python3", "-c", script}, dir);
    ASSERT_EQ(0, r.code) << r.err;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    return lines;
}

// A total as the listing prints it ("%7llu").
std::string padded_number(size_t n) {
    const std::string digits = std::to_string(n);
    return std::string(digits.size() < 7 ? 7 - digits.size() : 0, ' ') + digits;
}

// Every regular file below `root`, as relative paths.
std::vector<std::string> files_below(const std::string& root) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) found.push_back(fs::relative(e.path(), root).string());
    std::sort(found.begin(), found.end());
    return found;
}

// 70,000 members (more than the 65,535 of the end record) written by Python
// with allowZip64: made once per test program run.
class ManyMembers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        python("import zipfile\n"
               "with zipfile.ZipFile('many.zip', 'w', allowZip64=True) as z:\n"
               "    for i in range(70000):\n"
               "        z.writestr('d%02d/m%05d.txt' % (i // 1000, i), 'member %d\\n' % i)\n",
               dir_->path());
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static TempDir* dir_;
};
TempDir* ManyMembers::dir_ = nullptr;

TEST_F(ManyMembers, ListTestAndExtractEveryMember) {
    const auto list = run_unzip({"-l", "many.zip"}, dir_->path());
    EXPECT_EQ(0, list.code) << list.err;
    const std::vector<std::string> lines = lines_of(list.out);
    ASSERT_EQ(70000u + 5u, lines.size());
    std::string all;
    for (int i = 0; i < 70000; ++i) all += "member " + std::to_string(i) + "\n";
    EXPECT_EQ(padded_number(all.size()) + "                    70000  ", lines.back());

    const auto test = run_unzip({"-t", "many.zip"}, dir_->path());
    EXPECT_EQ(0, test.code) << test.err;
    EXPECT_EQ(70000u + 2u, lines_of(test.out).size());

    // Every member, in order, through the whole walk (the file system's cost of
    // 70,000 files aside) ...
    const auto piped = run_unzip({"-p", "many.zip"}, dir_->path());
    EXPECT_EQ(0, piped.code) << piped.err;
    EXPECT_TRUE(piped.out == all) << "the members written do not match";
    // ... and the last thousand as files.
    const auto r = run_unzip({"-qq", "many.zip", "d69/*", "-d", "out"}, dir_->path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.err);
    const std::vector<std::string> files = files_below(*dir_ / "out");
    ASSERT_EQ(1000u, files.size());
    EXPECT_EQ("d69/m69000.txt", files.front());
    EXPECT_EQ("member 69999\n", read_text(*dir_ / "out/d69/m69999.txt"));
}

// The end-record report compares like with like: the Zip64 record's offset with
// the one its own directory size and offset give, so a sound archive shows none
// of a difference.
TEST_F(ManyMembers, TheEndRecordReportOfASoundZip64ArchiveShowsNoDifference) {
    const auto r = run_unzip({"-v", "many.zip", "d00/m00000.txt"}, dir_->path(), "", "zipinfo");
    EXPECT_EQ(0, r.code) << r.err;
    const size_t actual = r.out.find("  Actual offset of end-of-central-dir record:   ");
    const size_t expected = r.out.find("  Expected offset of end-of-central-dir record: ");
    ASSERT_NE(std::string::npos, actual) << r.out.substr(0, 2000);
    ASSERT_NE(std::string::npos, expected);
    const size_t width = std::string("  Actual offset of end-of-central-dir record:   ").size();
    const std::string actual_value = r.out.substr(actual + width, r.out.find('\n', actual) - actual - width);
    EXPECT_EQ(actual_value, r.out.substr(expected + width, actual_value.size()));
    // ... and that is the Zip64 record's offset.
    const size_t digits = actual_value.find_first_not_of(' ');
    const std::string offset = actual_value.substr(digits, actual_value.find(' ', digits) - digits);
    EXPECT_NE(std::string::npos, r.out.find("  This zipfile has a Zip64 end-of-central-dir record at offset " + offset + "\n"))
        << r.out.substr(0, 2000);
}

TEST(Zip64, PythonsZip64MembersAndEndRecord) {
    TempDir dir;
    // A member with its local header in Zip64 form (sizes in the extra field and a
    // data descriptor), and an archive comment behind a Zip64 end record.
    python("import zipfile\n"
           "with zipfile.ZipFile('z.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
           "    with z.open('big.txt', 'w', force_zip64=True) as f:\n"
           "        f.write(b'zip64 line\\n' * 5000)\n"
           "    z.writestr('small.txt', 'small\\n')\n",
           dir.path());
    const auto r = run_unzip({"-o", "z.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.err);
    std::string expected;
    for (int i = 0; i < 5000; ++i) expected += "zip64 line\n";
    EXPECT_EQ(expected, read_text(dir / "out/big.txt"));
    EXPECT_EQ("small\n", read_text(dir / "out/small.txt"));
}

// Hand-made Zip64 records with small data: sizes and offsets in the extra field,
// a Zip64 end record, data before the archive.
TEST(Zip64, ExtraFieldAndEndRecordWithSmallData) {
    TempDir dir;
    Archive a;
    a.prefix.assign(300, 'P');  // every offset is 300 bytes short
    tz::Member& m = a.add("wide.txt", std::string(3000, 'w'), 8);
    m.zip64 = true;
    m.needed_version = 45;
    m.made_by_host = 3;
    a.add("plain.txt", "plain").made_by_host = 3;
    a.zip64_end = true;
    a.comment = "zip64 end";
    a.write(dir / "z.zip");

    const auto list = run_unzip({"-v", "z.zip"}, dir.path());
    EXPECT_EQ(1, list.code);
    EXPECT_NE(std::string::npos, list.out.find("   3000  Defl:N  "));
    EXPECT_NE(std::string::npos, list.out.find("zip64 end\n"));
    EXPECT_EQ("warning [z.zip]:  extra 300 bytes at beginning or within zipfile\n"
              "  (attempting to process anyway)\n"
              "\n1 archive had warnings but no fatal errors.\n",
              list.err);
    const auto info = run_unzip({"-v", "z.zip"}, dir.path(), "", "zipinfo");
    EXPECT_NE(std::string::npos, info.out.find("  This zipfile has a Zip64 end-of-central-dir record at offset "));
    EXPECT_NE(std::string::npos, info.out.find("  central directory contains 2 entries."));
    const auto r = run_unzip({"-qqo", "z.zip"}, dir.path());
    EXPECT_EQ(1, r.code) << r.err;
    EXPECT_EQ(std::string(3000, 'w'), read_text(dir / "wide.txt"));
    EXPECT_EQ("plain", read_text(dir / "plain.txt"));
}

TEST(Zip64, ListingTotalsBeyond32Bits) {
    TempDir dir;
    Archive a;
    // Three members claiming 3 GiB each; the listing reads no data.
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        tz::Member& m = a.add(name, "x");
        m.made_by_host = 3;
        m.zip64 = true;
        m.zip64_unpacked_size = 3ull << 30;
        m.zip64_packed_size = 1ull << 30;
    }
    a.write(dir / "z.zip");
    const auto r = run_unzip({"-v", "z.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos,
              r.out.find("3221225472  Stored 1073741824  67%  02-03-01  12:34  8cdc1683   a.bin\n"));
    EXPECT_NE(std::string::npos,
              r.out.find("9663676416         3221225472  67%                              3      \n"));

    // The information mode: 64-bit sizes, totals and the Zip64 field named.
    const auto info = run_unzip({"-t", "z.zip"}, dir.path(), "", "zipinfo");
    EXPECT_EQ(0, info.code) << info.err;
    EXPECT_NE(std::string::npos,
              info.out.find("3 files, 9663676416 bytes uncompressed, 3221225472 bytes compressed:  66.7%\n"));
    const auto verbose = run_unzip({"-v", "z.zip", "a.bin"}, dir.path(), "", "zipinfo");
    EXPECT_NE(std::string::npos, verbose.out.find("  uncompressed size:                                3221225472 bytes\n"));
    EXPECT_NE(std::string::npos, verbose.out.find("\n  There is a Zip64 extended information field: the sizes, the offset\n"));
}

// An archive of more than 4 GiB, most of it a hole that takes no space: the
// second member and the directory lie beyond 4 GiB.
TEST(Zip64, ArchiveBeyondFourGiB) {
    TempDir dir;
    Archive a;
    a.add("first.txt", "first").made_by_host = 3;
    tz::Member& far = a.add("far/away.txt", std::string(70000, 'f'), 8);
    far.made_by_host = 3;
    far.hole_before = (4ull << 30) + 12345;
    a.write(dir / "big.zip");
    ASSERT_GT(fs::file_size(dir / "big.zip"), 4ull << 30);

    const auto list = run_unzip({"-qql", "big.zip"}, dir.path());
    EXPECT_EQ(0, list.code) << list.err;
    EXPECT_EQ("      5  02-03-01  12:34   first.txt\n"
              "  70000  02-03-01  12:34   far/away.txt\n",
              list.out);
    const auto test = run_unzip({"-t", "big.zip"}, dir.path());
    EXPECT_EQ(0, test.code) << test.err;
    EXPECT_NE(std::string::npos, test.out.find("No errors detected in compressed data of big.zip.\n"));
    const auto r = run_unzip({"-qq", "big.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(std::string(70000, 'f'), read_text(dir / "out/far/away.txt"));
    EXPECT_EQ("first", read_text(dir / "out/first.txt"));
}

// Zip64 offsets near 2^63, on a memory file system where there is one: there
// a seek that far succeeds, and an unchecked offset reached the reads. (tests/
// engine Zip64Fields tries every field with more values.)
TEST(Zip64, OffsetsNear2To63AreDamageNotACrash) {
    const std::string memory = tz::memory_folder();
    TempDir dir = memory.empty() ? TempDir() : TempDir(memory);
    Archive a;
    a.add("wide.txt", "wide").made_by_host = 3;
    a.zip64_end = true;
    const tz::Built built = a.build();
    const auto with_value_at = [&](size_t at, uint64_t value) {
        tz::Bytes b = built.bytes;
        for (int i = 0; i < 8; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
        return b;
    };
    // The locator's offset of the Zip64 end record: the record is found right
    // before the locator instead. The record's directory offset: no directory.
    tz::write_file(dir / "locator.zip", with_value_at(built.end_offset - 12, INT64_MAX - 40));
    tz::write_file(dir / "offset.zip", with_value_at(built.end_offset - 20 - 8, INT64_MAX - 40));
    for (const char* program : {"unzip", "zipinfo"}) {
        for (const char* option : {"-l", "-t", "-v"}) {
            if (std::string(program) == "zipinfo" && std::string(option) != "-v") continue;
            SCOPED_TRACE(std::string(program) + " " + option);
            const auto sound = run_unzip({option, "locator.zip"}, dir.path(), "", program);
            EXPECT_EQ(0, sound.code) << sound.err;
            EXPECT_EQ("", sound.err);
            const auto damaged = run_unzip({option, "offset.zip"}, dir.path(), "", program);
            EXPECT_EQ(3, damaged.code);
            EXPECT_NE(std::string::npos, damaged.err.find("error [offset.zip]:  start of central directory not found;\n"))
                << damaged.err;
        }
    }
}

TEST(Zip64, MembersThatCannotBeReadAreRefusedByTheirMethodOrEncryption) {
    TempDir dir;
    Archive a;
    struct Case {
        const char* name;
        uint16_t method;
        uint8_t version;
        uint16_t flags;
    };
    const Case cases[] = {{"xz.bin", 95, 63, 0},        {"jpeg.bin", 96, 63, 0},
                          {"wavpack.bin", 97, 63, 0},   {"ppmd.bin", 98, 63, 0},
                          {"aes.bin", 99, 51, 1},       {"strong.bin", 8, 62, 0x41},
                          {"future.bin", 0, 51, 0},     {"zip64.bin", 0, 45, 0}};
    for (const Case& c : cases) {
        tz::Member& m = a.add(c.name, "data", c.method);
        m.made_by_host = 3;
        if (c.method != 0 && c.method != 8) m.packed = tz::bytes_of("data");
        m.needed_version = c.version;
        m.flags = c.flags;
    }
    a.write(dir / "a.zip");
    const auto r = run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("   skipping: xz.bin                  compression method 95 (XZ)\n"
              "   skipping: jpeg.bin                compression method 96 (JPEG)\n"
              "   skipping: wavpack.bin             compression method 97 (WavPack)\n"
              "   skipping: ppmd.bin                compression method 98 (PPMd)\n"
              "   skipping: aes.bin                 AES extra field missing or damaged\n"
              "   skipping: strong.bin              encrypted (not supported)\n"
              "   skipping: future.bin              need PK compat. v5.1 (can do v4.5)\n"
              "\n1 archive had warnings but no fatal errors.\n",
              r.err);
    EXPECT_NE(std::string::npos, r.out.find("    testing: zip64.bin                OK\n"));
    EXPECT_NE(std::string::npos, r.out.find("7 files skipped because of unsupported compression or encoding.\n"));
}

// Names from FAT hosts (host 0) are lower-cased only in archives of capitals
// alone; -U keeps every name.
TEST(NameCase, LowerCaseOnlyForArchivesOfCapitals) {
    TempDir dir;
    auto fat_archive = [](const std::vector<std::string>& names) {
        Archive a;
        for (const std::string& n : names) a.add(n, n).made_by_host = 0;
        return a;
    };
    fat_archive({"README.TXT", "SUB/PROG.EXE"}).write(dir / "dos.zip");
    fat_archive({"META-INF/MANIFEST.MF", "Lib/Tool.class"}).write(dir / "jar.zip");
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"-qql", "dos.zip"}, "     10  02-03-01  12:34  ^readme.txt\n     12  02-03-01  12:34  ^sub/prog.exe\n"},
        {{"-qqlU", "dos.zip"}, "     10  02-03-01  12:34   README.TXT\n     12  02-03-01  12:34   SUB/PROG.EXE\n"},
        {{"-qql", "jar.zip"},
         "     20  02-03-01  12:34   META-INF/MANIFEST.MF\n     14  02-03-01  12:34   Lib/Tool.class\n"},
        {{"-qql", "dos.zip", "*.txt"}, "     10  02-03-01  12:34  ^readme.txt\n"},
        {{"-qqlU", "dos.zip", "*.txt"}, ""},
    };
    for (const Case& c : cases) {
        const auto r = run_unzip(c.args, dir.path());
        EXPECT_EQ(c.out, r.out) << c.args[0] << " " << c.args[1];
    }
    const auto r = run_unzip({"-qq", "dos.zip", "-d", "dos"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("README.TXT", read_text(dir / "dos/readme.txt"));
}

// Once lower-cased, META-INF/LICENSE (a file) and META-INF/license/ (a folder)
// collided and members were lost; every member now lands under its own name.
TEST(NameCase, CollidingNamesOfAJarAllLand) {
    if (tz::under_wine()) GTEST_SKIP() << "Windows names ignore case: LICENSE and license/ collide there";
    TempDir dir;
    Archive a;
    const std::vector<std::string> names = {"META-INF/LICENSE", "META-INF/license/LICENSE.txt",
                                            "META-INF/MANIFEST.MF", "RuntimeConfig.class"};
    for (const std::string& n : names) a.add(n, "content of " + n).made_by_host = 0;
    a.write(dir / "a.jar");
    const auto r = run_unzip({"-qq", "a.jar", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.err);
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, files_below(dir / "out"));
    for (const std::string& n : names) EXPECT_EQ("content of " + n, read_text(dir / ("out/" + n))) << n;
}

// Names flagged as UTF-8 and code page 437 names from FAT hosts land as the
// characters they spell (on Windows through the wide-character calls).
TEST(NameCharacters, Utf8AndCodePage437NamesLandReadable) {
    TempDir dir;
    Archive a;
    tz::Member& utf8 = a.add("caf\xC3\xA9/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "utf-8");
    utf8.flags = 0x0800;
    utf8.made_by_host = 3;
    a.add("Gr\x81\xE1" "e \x9B.txt", "cp437").made_by_host = 0;  // umlaut u, sharp s, cent
    a.write(dir / "n.zip");
    const auto r = run_unzip({"-qq", "n.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("utf-8", read_text(dir / "out/caf\xC3\xA9/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"));
    EXPECT_EQ("cp437", read_text(dir / "out/Gr\xC3\xBC\xC3\x9F" "e \xC2\xA2.txt"));
    EXPECT_EQ(2u, files_below(dir / "out").size());
}

// The whole upper half of code page 437, listed, against Python's codec.
TEST(NameCharacters, CodePage437AsPythonDecodesIt) {
    TempDir dir;
    python("import sys\n"
           "open('expected', 'wb').write(bytes(range(128, 256)).decode('cp437').encode('utf-8'))\n",
           dir.path());
    Archive a;
    std::string name = "x";  // a lower-case letter: no case conversion
    for (int c = 128; c < 256; ++c) name += static_cast<char>(c);
    a.add(name, "x").made_by_host = 0;
    a.write(dir / "n.zip");
    const auto r = run_unzip({"-qql", "n.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("      1  02-03-01  12:34   x" + read_text(dir / "expected") + "\n", r.out);
}

// On Windows no member may open a device or carry a character Windows forbids.
// The Windows build always makes such names; the native one only when asked to.
TEST(NameCharacters, DeviceNamesAndForbiddenCharactersOnWindows) {
    TempDir dir;
    Archive a;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"nul.txt", "_nul.txt"},          {"aux", "_aux"},
        {"COM1.log", "_COM1.log"},        {"sub/con/x.txt", "sub/_con/x.txt"},
        {"Lpt9.a.b", "_Lpt9.a.b"},        {"a<b>c|d?e*f\".txt", "a_b_c_d_e_f_.txt"},
        {"trailing..", "trailing"},
        {"com0.txt", "com0.txt"},         {"console.txt", "console.txt"},
    };
    for (const auto& c : cases) a.add(c.first, c.first).made_by_host = 3;
    a.write(dir / "w.zip");
    std::vector<std::string> cmd = tz::unzip_command();
    cmd.insert(cmd.end(), {"-qq", "w.zip", "-d", "out"});
    const auto r = tz::run_process(cmd, dir.path(), "", {"TEV_TEST_WINDOWS_NAMES=1"});
    EXPECT_EQ(1, r.code);
    std::string warnings;
    for (const auto& c : cases) {
        EXPECT_EQ(c.first, read_text(dir / ("out/" + c.second))) << c.first;
        if (c.first != c.second)
            warnings += "warning:  " + c.first + ":  not a name Windows allows; extracted as out/" +
                        c.second + "\n";
    }
    EXPECT_EQ(warnings + "\n1 archive had warnings but no fatal errors.\n", r.err);
    EXPECT_EQ(cases.size(), files_below(dir / "out").size());
}

}  // namespace
