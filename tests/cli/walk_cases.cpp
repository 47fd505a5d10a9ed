// Command-line cases for member selection, testing and streaming. The same
// cases run against the native program and against the Windows program under Wine.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"
#include "support/zip_writer.h"
#include "support/expect_text.h"

namespace {

using tz::padded;

using tz::Archive;
using tz::run_unzip;
using tz::TempDir;

TEST(Walk, TestModeReportsEachMemberAndTheSummary) {
    TempDir dir;
    Archive a;
    a.add("one.txt", "first member\n");
    a.add("two.txt", "second member, a little longer\n");
    a.add("empty", "");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: one.txt                  OK\n"
              "    testing: two.txt                  OK\n"
              "    testing: empty                    OK\n"
              "No errors detected in compressed data of a.zip.\n",
              r.out);
    EXPECT_EQ("", r.err);

    const auto quiet = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(0, quiet.code);
    EXPECT_EQ("No errors detected in compressed data of a.zip.\n", quiet.out);
    const auto quieter = run_unzip({"-tqq", "a.zip"}, dir.path());
    EXPECT_EQ(0, quieter.code);
    EXPECT_EQ("", quieter.out);
}

TEST(Walk, ManyMembersAreWalkedInBatchesEachOnceInOrder) {
    TempDir dir;
    Archive a;
    std::string expected = "Archive:  big.zip\n";
    for (int i = 0; i < 130; ++i) {
        const std::string name = "m" + std::to_string(1000 + i) + ".dat";
        a.add(name, std::string(static_cast<size_t>(i), static_cast<char>('a' + i % 26)));
        expected += "    testing: " + padded(name) + "   OK\n";
    }
    expected += "No errors detected in compressed data of big.zip.\n";
    a.write(dir / "big.zip");

    const auto r = run_unzip({"-t", "big.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(expected, r.out);

    // Selecting members from the second and third batch only.
    const auto some = run_unzip({"-tq", "big.zip", "m1064.dat", "m1129.dat"}, dir.path());
    EXPECT_EQ(0, some.code);
    EXPECT_EQ("No errors detected in big.zip for the 2 files tested.\n", some.out);
}

TEST(Walk, IncludeAndExcludePatternsWithUnmatchedCautions) {
    TempDir dir;
    Archive a;
    a.add("docs/a.txt", "a");
    a.add("docs/b.txt", "b");
    a.add("bin/c.exe", "c");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-t", "a.zip", "docs/*", "nothing*", "-x", "*b.txt", "zz"}, dir.path());
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: docs/a.txt               OK\n"
              "No errors detected in a.zip for the 1 file tested.\n",
              r.out);
    EXPECT_EQ("caution: filename not matched:  nothing*\n"
              "caution: excluded filename not matched:  zz\n",
              r.err);

    // No pattern matched at all: testing and extraction end with 1, so that a
    // script sees that nothing was found.
    const auto none = run_unzip({"-t", "a.zip", "nomatch"}, dir.path());
    EXPECT_EQ(1, none.code);
    EXPECT_EQ("Archive:  a.zip\nCaution:  zero files tested in a.zip.\n", none.out);
    const std::string warned = "\n1 archive had warnings but no fatal errors.\n";
    EXPECT_EQ("caution: filename not matched:  nomatch\n" + warned, none.err);
    const auto nothing = run_unzip({"-o", "a.zip", "nomatch", "no*2", "-d", "out"}, dir.path());
    EXPECT_EQ(1, nothing.code);
    EXPECT_EQ("Archive:  a.zip\n", nothing.out);
    EXPECT_EQ("caution: filename not matched:  nomatch\ncaution: filename not matched:  no*2\n" + warned,
              nothing.err);

    // An exclude list alone keeps every other member.
    const auto ex = run_unzip({"-tq", "a.zip", "-x", "bin/*"}, dir.path());
    EXPECT_EQ("No errors detected in a.zip for the 2 files tested.\n", ex.out);
}

TEST(Walk, NamesFromFatHostsMatchWithoutRegardToCaseUnlessKeptAsTheyAre) {
    TempDir dir;
    Archive a;
    // A DOS archive: names in capitals alone, lower-cased and matched without
    // regard to case.
    a.add("README.TXT", "hello").made_by_host = 0;
    a.add("OTHER.BIN", "x").made_by_host = 3;
    a.write(dir / "a.zip");

    const auto folded = run_unzip({"-tq", "a.zip", "*.txt"}, dir.path());
    EXPECT_EQ(0, folded.code);
    EXPECT_EQ("No errors detected in a.zip for the 1 file tested.\n", folded.out);

    const auto kept = run_unzip({"-tqU", "a.zip", "*.txt"}, dir.path());
    EXPECT_EQ("Caution:  zero files tested in a.zip.\n", kept.out);
    EXPECT_EQ(1, kept.code);
    EXPECT_EQ("caution: filename not matched:  *.txt\n\n1 archive had warnings but no fatal errors.\n",
              kept.err);
}

TEST(Walk, UnsupportedMembersAreSkippedWithAWarning) {
    TempDir dir;
    Archive a;
    a.add("fine.txt", "fine");
    tz::Member& m7 = a.add("token.bin", "xxxx", 7);
    m7.packed = tz::bytes_of("xxxx");
    tz::Member& m95 = a.add("xz.bin", "yyyy", 95);
    m95.packed = tz::bytes_of("yyyy");
    a.add("secret.txt", "hidden").flags = 1;
    a.add("newer.txt", "n").needed_version = 51;
    tz::Member& vms = a.add("vms.txt", "v");
    vms.needed_host = 2;
    vms.needed_version = 50;
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: fine.txt                 OK\n"
              "At least one warning-error was detected in a.zip.\n"
              "4 files skipped because of unsupported compression or encoding.\n",
              r.out);
    // The encrypted member is read, and skipped then for want of a password.
    EXPECT_EQ("   skipping: token.bin               compression method 7 (tokenized)\n"
              "   skipping: xz.bin                  compression method 95 (XZ)\n"
              "   skipping: newer.txt               need PK compat. v5.1 (can do v4.5)\n"
              "   skipping: vms.txt                 need VMS compat. v5.0 (can do v4.2)\n"
              "   skipping: secret.txt              encrypted: no password (give it with -P password)\n"
              "\n1 archive had warnings but no fatal errors.\n",
              r.err);
}

TEST(Walk, VmsMembersAskBeforeExtractionButNotWhenTesting) {
    TempDir dir;
    Archive a;
    tz::Member& vms = a.add("vms.txt", "from a VMS disk\n");
    vms.needed_host = 2;
    vms.needed_version = 20;
    a.write(dir / "a.zip");

    const auto tested = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(0, tested.code);
    EXPECT_EQ("", tested.err);

    const auto declined = run_unzip({"-p", "a.zip"}, dir.path(), "n\n");
    EXPECT_EQ(1, declined.code);
    EXPECT_EQ("", declined.out);
    EXPECT_EQ("\nvms.txt:  stored in VMS format.  Extract anyway? (y/n) "
              "\n1 archive had warnings but no fatal errors.\n",
              declined.err);

    const auto accepted = run_unzip({"-p", "a.zip"}, dir.path(), "Y\n");
    EXPECT_EQ(0, accepted.code);
    EXPECT_EQ("from a VMS disk\n", accepted.out);
}

TEST(Walk, CrcMismatchInTestMode) {
    TempDir dir;
    Archive a;
    a.add("bad.txt", "123456789").crc = 0x12345678;
    a.add("good.txt", "fine");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: bad.txt                 "
              "    testing: good.txt                 OK\n"
              "At least one error was detected in a.zip.\n",
              r.out);
    EXPECT_EQ(" bad CRC cbf43926  (should be 12345678)\n\n1 archive had fatal errors.\n", r.err);

    const auto quiet = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(2, quiet.code);
    EXPECT_EQ("bad.txt                 bad CRC cbf43926  (should be 12345678)\n"
              "\n1 archive had fatal errors.\n",
              quiet.err);
    EXPECT_EQ("At least one error was detected in a.zip.\n", quiet.out);
}

TEST(Walk, PipeWritesTheMemberBytesOnly) {
    TempDir dir;
    Archive a;
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7 + i / 256) & 0xFF);
    a.add("data.bin", binary);
    a.add("text.txt", "line one\r\nline two\n");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-p", "a.zip", "data.bin"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(binary, r.out);
    EXPECT_EQ("", r.err);

    const auto both = run_unzip({"-p", "a.zip"}, dir.path());
    EXPECT_EQ(binary + "line one\r\nline two\n", both.out);
}

TEST(Walk, StdoutExtractionShowsProgressLines) {
    TempDir dir;
    Archive a;
    a.add("one.txt", "abc");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-c", "a.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("Archive:  a.zip\n"
              " extracting: one.txt                 \n"
              "abc\n",
              r.out);
}

TEST(Walk, TextConversionOnStdout) {
    TempDir dir;
    Archive a;
    tz::Member& text = a.add("t.txt", std::string("a\rb\nc\r\nd"));
    text.internal_attributes = 1;
    a.add("b.bin", std::string("x\ny"));
    a.write(dir / "a.zip");

    // Line ends become the local ones.
    const std::string eol = tz::local_line_end();
    const auto one = run_unzip({"-ca", "a.zip"}, dir.path());
    EXPECT_EQ(0, one.code) << one.err;
    EXPECT_EQ("Archive:  a.zip\n"
              " extracting: t.txt                   [text]  \n"
              "a" + eol + "b" + eol + "c" + eol + "d\n"
              " extracting: b.bin                   [binary]\n"
              "x\ny\n",
              one.out);

    const auto all = run_unzip({"-caa", "a.zip"}, dir.path());
    EXPECT_EQ("Archive:  a.zip\n"
              " extracting: t.txt                   \n"
              "a" + eol + "b" + eol + "c" + eol + "d\n"
              " extracting: b.bin                   \n"
              "x" + eol + "y\n",
              all.out);
}

TEST(Walk, MembersWithDataDescriptorsTakeSizesFromTheDirectory) {
    TempDir dir;
    Archive a;
    a.add("desc.txt", "described afterwards").descriptor = true;
    a.add("after.txt", "next member");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    const auto p = run_unzip({"-p", "a.zip"}, dir.path());
    EXPECT_EQ("described afterwardsnext member", p.out);
}

TEST(Walk, ABadLocalOffsetSkipsOnlyThatMember) {
    TempDir dir;
    Archive a;
    a.add("first.txt", "1");
    a.add("lost.txt", "2").local_offset = 0x00FFFFF0;
    a.add("third.txt", "3");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(3, r.code);
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: first.txt                OK\n"
              "    testing: third.txt                OK\n"
              "At least one error was detected in a.zip.\n",
              r.out);
    EXPECT_EQ("file #1:  bad zipfile offset (lseek):  16775168\n\n1 archive had fatal errors.\n", r.err);
}

TEST(Walk, FirstMemberRecompensatesForAbsoluteOffsets) {
    TempDir dir;
    Archive a;
    a.prefix.assign(500, 'S');
    const std::string one(3000, '1'), two(100, '2');
    a.add("first.txt", one);
    a.add("second.txt", two);
    tz::Built plain = a.build();
    // The directory offset ignores the prefix while the member offsets count it.
    a.prefix_counted = true;
    a.central_offset = static_cast<uint32_t>(plain.central_offset - 500);
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(2, r.code) << r.err;
    EXPECT_EQ("warning [a.zip]:  extra 500 bytes at beginning or within zipfile\n"
              "  (attempting to process anyway)\n"
              "file #0:  bad zipfile offset (local header sig):  1000\n"
              "  (attempting to re-compensate)\n"
              "\n1 archive had fatal errors.\n",
              r.err);
    const auto p = run_unzip({"-p", "a.zip"}, dir.path());
    EXPECT_EQ(one + two, p.out);
}

TEST(Walk, ADamagedDirectoryStillProcessesTheMembersReadBefore) {
    TempDir dir;
    Archive a;
    a.add("a.txt", "A");
    a.add("b.txt", "B");
    a.entries_total = 3;
    a.entries_this_disk = 3;
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(3, r.code);
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: a.txt                    OK\n"
              "    testing: b.txt                    OK\n"
              "At least one error was detected in a.zip.\n",
              r.out);
    EXPECT_NE(std::string::npos,
              r.err.find("error:  expected central file header signature not found (file #2).\n"));
}

}  // namespace
