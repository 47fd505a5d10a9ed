// Command-line cases for the information mode (zipinfo, unzip -Z): the format
// choice rules, the header line, the one-line entries of every host family, the
// verbose report, end records of multi-part archives and empty archives. The
// same cases run against the native program and the Windows program under Wine.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "support/run.h"
#include "support/zip_writer.h"

namespace {

using tz::Archive;
using tz::Bytes;
using tz::Member;

std::string fmt(const char* format, ...) {
    char buf[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

const std::string usage_text =
    "Info 1.0 of 8 December 2026, the information mode of the archive engine of the TEV setup.\n"
    "Written for the TEV terminal and communications product.\n\n"
    "List name, date/time, attribute, size, compression method, etc., about files\n"
    "in list (excluding those in xlist) contained in the specified .zip archive(s).\n"
    "\"file[.zip]\" may be a wildcard name containing *, ?, [] (e.g., \"[a-j]*.zip\").\n\n"
    "   usage:  zipinfo [-12smlvhtz] file[.zip] [list...] [-x xlist...]\n"
    "      or:  unzip -Z [-12smlvhtz] file[.zip] [list...] [-x xlist...]\n"
    "\nmain listing-format options:             -s  short Unix \"ls -l\" format (def.)\n"
    "  -1  filenames ONLY, one per line       -m  medium Unix \"ls -l\" format\n"
    "  -2  just filenames but allow -h/-t/-z  -l  long Unix \"ls -l\" format\n"
    "                                         -v  verbose, multi-page format\n"
    "miscellaneous options:\n"
    "  -h  print header line      -t  print totals for files listed or for all files\n"
    "  -z  print zipfile comment  -x  exclude filenames that follow from listing\n";

const std::string fatal_summary = "\n1 archive had fatal errors.\n";
const std::string warning_summary = "\n1 archive had warnings but no fatal errors.\n";

// The archive comment of several cases: a carriage return is dropped, an escape
// character shows as "^[".
const std::string payload_comment = "TEV payload\r\n\x1b[1mversion 3\x1b[0m";
const std::string payload_comment_shown = "TEV payload\n^[[1mversion 3^[[0m\n";

class Info : public ::testing::Test {
protected:
    // zipinfo by its program name, or unzip with -Z in front of the arguments.
    tz::RunResult zipinfo(const std::vector<std::string>& args) {
        return tz::run_unzip(args, dir_.path(), "", "zipinfo");
    }
    tz::RunResult unzip_z(std::vector<std::string> args) {
        args.insert(args.begin(), "-Z");
        return tz::run_unzip(args, dir_.path());
    }
    size_t write(const Archive& a, const std::string& name) {
        return a.write(dir_ / name).bytes.size();
    }
    tz::TempDir dir_;
};

void expect_run(const tz::RunResult& r, int code, const std::string& out, const std::string& err,
                const std::string& label = "") {
    EXPECT_EQ(code, r.code) << label;
    EXPECT_EQ(out, r.out) << label;
    EXPECT_EQ(err, r.err) << label;
}

// Two members and a comment, for the format choice rules.
Archive two() {
    Archive a;
    Member& m1 = a.add("a.txt", "alpha\n");
    m1.made_by_host = 3;
    m1.external_attributes = 0100644u << 16;
    m1.internal_attributes = 1;
    Member& m2 = a.add("b.bin", std::string(1000, 'q'), 8);
    m2.made_by_host = 3;
    m2.external_attributes = 0100755u << 16;
    m2.packed = Bytes(333, 0x55);
    m2.date = tz::dos_date(2026, 12, 8);
    m2.time = tz::dos_time(9, 5, 0);
    a.comment = payload_comment;
    return a;
}

const std::string two_a = "-rw-r--r--  2.0 unx       6 t- stor  3-Feb-01 12:34 a.txt\n";
const std::string two_b = "-rwxr-xr-x  2.0 unx    1000 b- defN  8-Dec-26 09:05 b.bin\n";
const std::string two_totals =
    "2 files, 1006 bytes uncompressed, 339 bytes compressed:  66.3%\n";

TEST_F(Info, FormatChoiceRules) {
    const size_t size = write(two(), "two.zip");
    const std::string header = fmt("Archive:  two.zip   %zu bytes   2 files\n", size);
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const std::vector<Case> cases = {
        // No options: short format with header and totals; the comment only with -z.
        {{"two.zip"}, header + two_a + two_b + two_totals},
        {{"-z", "two.zip"}, header + payload_comment_shown + two_a + two_b + two_totals},
        // Naming members turns header and totals off, unless asked for.
        {{"two.zip", "a.txt"}, two_a},
        {{"-h", "-t", "two.zip", "b*"},
         header + two_b + "1 file, 1000 bytes uncompressed, 333 bytes compressed:  66.7%\n"},
        // -h or -t alone: no member lines.
        {{"-h", "two.zip"}, header},
        {{"-t", "two.zip"}, two_totals},
        // -1: bare names, never a header, totals or comment.
        {{"-1hz", "two.zip"}, "a.txt\nb.bin\n"},
        // -2 allows them when asked for.
        {{"-2", "-t", "two.zip"}, "a.txt\nb.bin\n" + two_totals},
        {{"-2hz", "two.zip"}, header + payload_comment_shown + "a.txt\nb.bin\n"},
        // A negated format falls back to the short one; negated switches turn off.
        {{"--s", "two.zip"}, header + two_a + two_b + two_totals},
        {{"-1", "--l", "two.zip"}, header + two_a + two_b + two_totals},
        {{"-s", "--h", "--t", "two.zip"}, two_a + two_b},
        {{"-z", "--z", "two.zip"}, header + two_a + two_b + two_totals},
    };
    for (const Case& c : cases) {
        std::string label;
        for (const std::string& a : c.args) label += a + " ";
        expect_run(zipinfo(c.args), 0, c.out, "", label);
    }
    // unzip -Z is the same mode.
    expect_run(unzip_z({"-1", "two.zip"}), 0, "a.txt\nb.bin\n", "");
    expect_run(unzip_z({"two.zip"}), 0, header + two_a + two_b + two_totals, "");
}

TEST_F(Info, UsageAndBadOptions) {
    write(two(), "two.zip");
    expect_run(zipinfo({}), 0, usage_text, "");
    expect_run(unzip_z({}), 0, usage_text, "");
    expect_run(zipinfo({"-k", "two.zip"}), 10, "", usage_text);
    expect_run(unzip_z({"-1", "-q", "two.zip"}), 10, "", usage_text);
}

TEST_F(Info, UnmatchedPatternsAreCautioned) {
    write(two(), "two.zip");
    expect_run(zipinfo({"-1", "two.zip", "a.txt", "nothere", "-x", "zz", "a*"}), 0, "",
               "caution: filename not matched:  nothere\n"
               "caution: excluded filename not matched:  zz\n");
    // "-d" ends the exclude list; the words of the include and exclude lists
    // alone are reported.
    expect_run(zipinfo({"-1", "two.zip", "a*", "-x", "zz", "-d", "out"}), 0, "a.txt\n",
               "caution:  not extracting; -d ignored\n"
               "caution: excluded filename not matched:  zz\n");
    // Patterns compare with regard to case.
    // No pattern matched at all: a warning.
    expect_run(zipinfo({"-1", "two.zip", "A.TXT"}), 1, "",
               "caution: filename not matched:  A.TXT\n\n1 archive had warnings but no fatal errors.\n");
}

TEST_F(Info, HeaderLineInBothWidths) {
    Archive one;
    one.add("only", "x").made_by_host = 3;
    const std::string long_name = "this-archive-has-a-rather-long-name-1.zip";
    const size_t size = write(one, long_name);
    write(one, "one.zip");
    expect_run(zipinfo({"-h", long_name}), 0, fmt("Archive:  %s   %zu   1\n", long_name.c_str(), size),
               "");
    expect_run(zipinfo({"-h", "one.zip"}), 0, fmt("Archive:  one.zip   %zu bytes   1 file\n", size),
               "");
}

// Every host family with its attribute letters, in the short format.
TEST_F(Info, OneLineEntriesOfEveryHostFamily) {
    Archive a;
    const auto add = [&a](const std::string& name, uint8_t host, uint32_t attributes,
                          const std::string& data = "x") -> Member& {
        Member& m = a.add(name, data);
        m.made_by_host = host;
        m.external_attributes = attributes;
        return m;
    };
    add("RUN.EXE", 0, 0x21, "MZ");
    add("TEVDISK1.X", 0, 0x08, "");   // a volume label: the dot at the ninth place goes
    add("SYSDIR/", 6, 0x36, "");
    add("go.Bat", 11, 0x00).made_by_version = 63;
    add("vms.dat", 2, 0x1ECu << 16);
    add("vmsall.dat", 2, 0x1FFu << 16);
    add("amiga", 1, 0x84Fu << 16);
    add("setuid", 3, 0104755u << 16);
    add("setgid", 3, 0102744u << 16);
    add("sticky/", 3, 041777u << 16, "");
    add("stickyT/", 3, 041776u << 16, "");
    add("setuidS", 3, 0104644u << 16);
    add("link", 3, 0120777u << 16);
    add("mystery", 15, 0);
    const size_t size = write(a, "hosts.zip");
    expect_run(zipinfo({"hosts.zip"}), 0,
               fmt("Archive:  hosts.zip   %zu bytes   14 files\n", size) +
                   "-r-xa--     2.0 fat       2 b- stor  3-Feb-01 12:34 RUN.EXE\n"
                   "Vrw----     2.0 fat       0 b- stor  3-Feb-01 12:34 TEVDISK1X\n"
                   "drw-ahs     2.0 hpf       0 b- stor  3-Feb-01 12:34 SYSDIR/\n"
                   "-rwx---     6.3 ntf       1 b- stor  3-Feb-01 12:34 go.Bat\n"
                   "RWED,RE,R   2.0 vms       1 b- stor  3-Feb-01 12:34 vms.dat\n"
                   "RWED,RWED,RWED  vms       1 b- stor  3-Feb-01 12:34 vmsall.dat\n"
                   "d-s--rwed   2.0 ami       1 b- stor  3-Feb-01 12:34 amiga\n"
                   "-rwsr-xr-x  2.0 unx       1 b- stor  3-Feb-01 12:34 setuid\n"
                   "-rwxr-Sr--  2.0 unx       1 b- stor  3-Feb-01 12:34 setgid\n"
                   "drwxrwxrwt  2.0 unx       0 b- stor  3-Feb-01 12:34 sticky/\n"
                   "drwxrwxrwT  2.0 unx       0 b- stor  3-Feb-01 12:34 stickyT/\n"
                   "-rwSr--r--  2.0 unx       1 b- stor  3-Feb-01 12:34 setuidS\n"
                   "lrwxrwxrwx  2.0 unx       1 b- stor  3-Feb-01 12:34 link\n"
                   "?---------  2.0 ???       1 b- stor  3-Feb-01 12:34 mystery\n"
                   "14 files, 11 bytes uncompressed, 11 bytes compressed:  0.0%\n",
               "");
}

// Methods, flags, sizes and dates in the short, medium and long formats.
Archive flags_archive() {
    Archive a;
    const uint32_t rw = 0100644u << 16;
    const Bytes ext = {0x99, 0x99, 0x00, 0x00};
    Member& m1 = a.add("old.txt", "0123456789");
    m1.internal_attributes = 1;
    m1.date = tz::dos_date(1999, 12, 31);
    m1.time = tz::dos_time(23, 59, 58);
    m1.central_extra = ext;
    Member& m2 = a.add("new.bin", std::string(1000, 'q'), 8);
    m2.flags = 0x04;
    m2.packed = Bytes(333, 0x55);
    m2.date = tz::dos_date(2026, 12, 8);
    m2.time = tz::dos_time(9, 5, 0);
    m2.descriptor = true;
    m2.central_extra = ext;
    Member& m3 = a.add("grew", std::string(100, 'g'), 8);
    m3.packed = Bytes(150, 1);
    m3.date = tz::dos_date(2001, 1, 1);
    m3.time = tz::dos_time(0, 0, 0);
    m3.descriptor = true;
    Member& m4 = a.add("SECRET.DOC", std::string(40, 'e'));
    m4.flags = 0x01;
    m4.internal_attributes = 1;
    Member& m5 = a.add("imp8", "abc", 6);
    m5.flags = 0x06;
    m5.packed = Bytes(2, 0);
    Member& m6 = a.add("imp4", "abc", 6);
    m6.packed = Bytes(2, 0);
    Member& m7 = a.add("odd.dat", "abc", 12);
    m7.packed = Bytes(2, 0);
    m7.date = tz::dos_date(2026, 13, 5);
    Member& m8 = a.add("zero.dat", "");
    m8.date = tz::dos_date(2026, 0, 5);
    for (Member& m : a.members) {
        m.made_by_host = 3;
        m.external_attributes = rw;
    }
    a.members[2].external_attributes = 0100600u << 16;   // "grew"
    a.members[3].made_by_host = 0;                        // "SECRET.DOC"
    a.members[3].external_attributes = 0x20;
    return a;
}

TEST_F(Info, ShortMediumAndLongFormats) {
    const size_t size = write(flags_archive(), "f.zip");
    const std::string header = fmt("Archive:  f.zip   %zu bytes   8 files\n", size);
    const std::string totals = "8 files, 1159 bytes uncompressed, 527 bytes compressed:  54.5%\n";
    // Attribute field, host, size, type and extra letters; then the medium
    // ratio or the long compressed size; then method, date and name.
    struct Line {
        const char* head;
        const char* medium;
        const char* long_size;
        const char* tail;
    };
    const std::vector<Line> lines = {
        {"-rw-r--r--  2.0 unx      10 tx", "  0%", "     10", " stor 31-Dec-99 23:59 old.txt"},
        {"-rw-r--r--  2.0 unx    1000 bX", " 67%", "    333", " defF  8-Dec-26 09:05 new.bin"},
        {"-rw-------  2.0 unx     100 bl", "-49%", "    150", " defN  1-Jan-01 00:00 grew"},
        {"-rw-a--     2.0 fat      40 T-", " 30%", "     40", " stor  3-Feb-01 12:34 SECRET.DOC"},
        {"-rw-r--r--  2.0 unx       3 b-", " 33%", "      2", " i8:3  3-Feb-01 12:34 imp8"},
        {"-rw-r--r--  2.0 unx       3 b-", " 33%", "      2", " i4:2  3-Feb-01 12:34 imp4"},
        {"-rw-r--r--  2.0 unx       3 b-", " 33%", "      2", " bzp2  5-?\?\?-26 12:34 odd.dat"},
        {"-rw-r--r--  2.0 unx       0 b-", "  0%", "      0", " stor  5-?\?\?-26 12:34 zero.dat"},
    };
    std::string short_out = header, medium_out = header, long_out = header;
    for (const Line& l : lines) {
        short_out += std::string(l.head) + l.tail + "\n";
        medium_out += std::string(l.head) + l.medium + l.tail + "\n";
        long_out += std::string(l.head) + " " + l.long_size + l.tail + "\n";
    }
    expect_run(zipinfo({"-s", "f.zip"}), 0, short_out + totals, "", "-s");
    expect_run(zipinfo({"-m", "f.zip"}), 0, medium_out + totals, "", "-m");
    expect_run(unzip_z({"-l", "f.zip"}), 0, long_out + totals, "", "-l");
}

std::string end_record_report(const tz::Built& b, const std::string& disk_text) {
    const size_t central_size = b.end_offset - b.central_offset;
    return "\nEnd-of-central-directory record:\n"
           "-------------------------------\n\n" +
           fmt("  Actual offset of end-of-central-dir record:   %9zu (%.8zXh)\n"
               "  Expected offset of end-of-central-dir record: %9zu (%.8zXh)\n"
               "  (based on the length of the central directory and its expected offset)\n\n",
               b.end_offset, b.end_offset, b.end_offset, b.end_offset) +
           fmt(disk_text.c_str(), central_size, central_size, b.central_offset, b.central_offset);
}

const char* const single_disk_text =
    "  This zipfile constitutes the sole disk of a single-part archive; its\n"
    "  central directory contains 5 entries.  The central directory is %zu\n"
    "  (%.8zXh) bytes long, and its (expected) offset in bytes from the\n"
    "  beginning of the zipfile is %zu (%.8zXh).\n\n";

const char* const entry_head = "\f\nCentral directory entry #%d:\n---------------------------\n\n";

TEST_F(Info, VerboseReport) {
    Archive a;
    // An OS/2 EA extra field announcing 0x1234 bytes, a deflated member and a
    // file comment with a carriage return and an escape character.
    Member& ea = a.add("EA.CMD", "hello hello", 8);
    ea.made_by_host = 6;
    ea.made_by_version = 22;
    ea.flags = 0x02;
    ea.packed = Bytes(7, 0);
    ea.external_attributes = 0x20;
    ea.date = tz::dos_date(2026, 12, 8);
    ea.time = tz::dos_time(9, 5, 6);
    ea.central_extra = {0x09, 0x00, 0x06, 0x00, 0x34, 0x12, 0x00, 0x00, 0x00, 0x00};
    ea.comment = "line one\r\nline\x1b two";
    // An unknown extra field; imploded, encrypted, with a data descriptor; a
    // set-group-ID bit without group execute.
    Member& tool = a.add("unix/tool", "abc", 6);
    tool.made_by_host = 3;
    tool.made_by_version = 30;
    tool.flags = 0x07;
    tool.descriptor = true;
    tool.packed = Bytes(14, 0);
    tool.internal_attributes = 1;
    tool.external_attributes = 0102744u << 16;
    tool.date = tz::dos_date(1999, 12, 31);
    tool.time = tz::dos_time(23, 59, 58);
    tool.central_extra = {0x55, 0x77, 0x01, 0x00, 0x07};
    // VMS protection and every MS-DOS attribute; a month out of range.
    Member& vms = a.add("VMS.DAT;1", "x");
    vms.made_by_host = 2;
    vms.needed_host = 2;
    vms.needed_version = 10;
    vms.external_attributes = (0x1ECu << 16) | 0x3F;
    vms.date = tz::dos_date(2026, 13, 5);
    Member& amiga = a.add("amiga", "");
    amiga.made_by_host = 1;
    amiga.needed_host = 1;
    amiga.external_attributes = (0x84Fu << 16) | 0x01;
    // Host 15, method 12, and the all-zero date.
    Member& odd = a.add("mystery", "abc", 12);
    odd.made_by_host = 15;
    odd.needed_host = 15;
    odd.packed = Bytes(2, 0);
    odd.date = 0;
    odd.time = 0;
    a.comment = payload_comment;
    const tz::Built b = a.write(dir_ / "v.zip");

    const auto fixed = [](const std::string& made_by, const std::string& version,
                          const std::string& needed, const std::string& needed_version,
                          const std::string& method) {
        return "\n  host operating system (created on):               " + made_by +
               "\n  version of encoding software:                     " + version +
               "\n  minimum operating system compatibility required:  " + needed +
               "\n  minimum software version required to extract:     " + needed_version +
               "\n  compression method:                               " + method + "\n";
    };
    const auto offset_line = [&b](int i) {
        return fmt("  offset of local header from start of archive:     %zu (%.8zXh) bytes\n",
                   b.local_offsets[i], b.local_offsets[i]);
    };
    const std::string fat = "MS-DOS, OS/2 or NT FAT";
    const std::string no_comment = "  There is no file comment.\n";

    std::string out = fmt("Archive:  v.zip   %zu bytes   5 files\n", b.bytes.size()) +
                      end_record_report(b, single_disk_text) +
                      fmt("  The zipfile comment is %zu bytes long and contains the following "
                          "text:\n\n",
                          payload_comment.size()) +
                      "======================== zipfile comment begins ==========================\n" +
                      payload_comment_shown +
                      "========================= zipfile comment ends ===========================\n";

    out += fmt(entry_head, 0) + "  EA.CMD\n" +
           fixed("OS/2 or NT HPFS", "2.2", fat, "2.0", "deflated") +
           "  compression sub-type (deflation):                 maximum\n"
           "  file security status:                             not encrypted\n"
           "  extended local header:                            no\n"
           "  file last modified on:                            2026 Dec 8 09:05:06\n" +
           fmt("  32-bit CRC value (hex):                           %.8x\n",
               tz::crc32_of(tz::bytes_of("hello hello"))) +
           "  compressed size:                                  7 bytes\n"
           "  uncompressed size:                                11 bytes\n"
           "  length of filename:                               6 characters\n"
           "  length of extra field:                            10 bytes\n"
           "  length of file comment:                           19 characters\n"
           "  disk number on which file begins:                 disk 0\n"
           "  apparent file type:                               binary\n"
           "  non-MSDOS external file attributes:               000000 hex\n"
           "  MS-DOS file attributes (20 hex):                  arc\n" +
           offset_line(0) +
           "\n  This file has 4660 bytes of OS/2 EA's in the local extra field.\n"
           "  (May not match OS/2 \"dir\" amount due to storage method.)\n\n"
           "------------------------- file comment begins ----------------------------\n"
           "line one\nline^[ two\n"
           "-------------------------- file comment ends -----------------------------\n";

    out += fmt(entry_head, 1) + "  unix/tool\n" + fixed("Unix", "3.0", fat, "2.0", "imploded") +
           "  size of sliding dictionary (implosion):           8K\n"
           "  number of Shannon-Fano trees (implosion):         3\n"
           "  file security status:                             encrypted\n"
           "  extended local header:                            yes\n"
           "  file last modified on:                            1999 Dec 31 23:59:58\n"
           "  32-bit CRC value (hex):                           352441c2\n"
           "  compressed size:                                  14 bytes\n"
           "  uncompressed size:                                3 bytes\n"
           "  length of filename:                               9 characters\n"
           "  length of extra field:                            5 bytes\n"
           "  length of file comment:                           0 characters\n"
           "  disk number on which file begins:                 disk 0\n"
           "  apparent file type:                               text\n"
           "  Unix file attributes (102744 octal):              -rwxr-lr--\n"
           "  MS-DOS file attributes (00 hex):                  none\n" +
           offset_line(1) + "\n  There is an unknown extra field (skipping).\n" + no_comment;

    const auto plain = [](const std::string& date, const std::string& crc,
                          const std::string& size, const std::string& name_length) {
        return "  file security status:                             not encrypted\n"
               "  extended local header:                            no\n"
               "  file last modified on:                            " + date + "\n" +
               "  32-bit CRC value (hex):                           " + crc + "\n" +
               "  compressed size:                                  " + size + " bytes\n" +
               "  uncompressed size:                                " + size + " bytes\n" +
               "  length of filename:                               " + name_length +
               " characters\n"
               "  length of extra field:                            0 bytes\n"
               "  length of file comment:                           0 characters\n"
               "  disk number on which file begins:                 disk 0\n"
               "  apparent file type:                               binary\n";
    };
    out += fmt(entry_head, 2) + "  VMS.DAT;1\n" +
           fixed("VAX VMS", "2.0", "VAX VMS", "1.0", "none (stored)") +
           plain("2026 ??? 5 12:34:56", "8cdc1683", "1", "9") +
           "  VMS file attributes (000754 octal):               (RWED,RWED,RE,R)\n"
           "  MS-DOS file attributes (3F hex):                  rdo hid sys lab dir arc\n" +
           offset_line(2) + "\n" + no_comment;

    out += fmt(entry_head, 3) + "  amiga\n" +
           fixed("Amiga", "2.0", "Amiga", "2.0", "none (stored)") +
           plain("2001 Feb 3 12:34:56", "00000000", "0", "5") +
           "  Amiga file attributes (004117 octal):             d-s--rwed\n"
           "  MS-DOS file attributes (01 hex):                  read-only\n" +
           offset_line(3) + "\n" + no_comment;

    out += fmt(entry_head, 4) + "  mystery\n" +
           fixed("unknown", "2.0", "unknown", "2.0", "BZip2") +
           "  file security status:                             not encrypted\n"
           "  extended local header:                            no\n"
           "  file last modified on:                            1980 ??? 0 00:00:00\n"
           "  32-bit CRC value (hex):                           352441c2\n"
           "  compressed size:                                  2 bytes\n"
           "  uncompressed size:                                3 bytes\n"
           "  length of filename:                               7 characters\n"
           "  length of extra field:                            0 bytes\n"
           "  length of file comment:                           0 characters\n"
           "  disk number on which file begins:                 disk 0\n"
           "  apparent file type:                               binary\n"
           "  Unix file attributes (000000 octal):              ?---------\n"
           "  MS-DOS file attributes (00 hex):                  none\n" +
           offset_line(4) + "\n" + no_comment;

    // The verbose format ends with an empty line.
    expect_run(zipinfo({"-v", "v.zip"}), 0, out + "\n", "");
    // Totals are shown in the verbose format only when asked for.
    expect_run(unzip_z({"-vt", "v.zip"}), 0,
               out + "5 files, 18 bytes uncompressed, 12 bytes compressed:  33.3%\n\n", "");
}

TEST_F(Info, MultiPartEndRecords) {
    Archive a;
    a.add("part", "x").made_by_host = 3;
    a.disk_number = 1;
    a.central_start_disk = 1;
    a.entries_this_disk = 1;
    a.entries_total = 1;
    const tz::Built on_disk = a.write(dir_ / "d1.zip");
    const char* const this_disk =
        "  This zipfile constitutes disk %u of a multi-part archive.  The central\n"
        "  directory starts on disk %u; %u of its entries %s contained within\n"
        "  this zipfile, out of a total of 1 entry.  The entire central\n"
        "  directory is %%zu (%%.8zXh) bytes long, and its offset in bytes from\n"
        "  the beginning of the zipfile in which it begins is %%zu (%%.8zXh).\n\n";
    // The directory begins on this disk: the listing goes on.
    expect_run(zipinfo({"-v", "d1.zip", "nothing"}), 1,
               fmt("Archive:  d1.zip   %zu bytes   1 file\n", on_disk.bytes.size()) +
                   end_record_report(on_disk, fmt(this_disk, 1, 1, 1, "is")) +
                   "  There is no zipfile comment.\n\n",
               "caution: filename not matched:  nothing\n\n1 archive had warnings but no fatal errors.\n");
    expect_run(zipinfo({"d1.zip"}), 0,
               fmt("Archive:  d1.zip   %zu bytes   1 file\n", on_disk.bytes.size()) +
                   "?---------  2.0 unx       1 b- stor  3-Feb-01 12:34 part\n"
                   "1 file, 1 bytes uncompressed, 1 bytes compressed:  0.0%\n",
               "");

    // The directory begins on another disk: reported, and the run fails.
    a.disk_number = 2;
    a.central_start_disk = 0;
    a.entries_this_disk = 0;
    const tz::Built elsewhere = a.write(dir_ / "d2.zip");
    const std::string not_here =
        "\n     Zipfile is part of a multi-disk archive, and this is not the disk on\n"
        "     which the central zipfile directory begins.\n";
    expect_run(zipinfo({"-v", "d2.zip"}), 11,
               fmt("Archive:  d2.zip   %zu bytes   1 file\n", elsewhere.bytes.size()) +
                   end_record_report(elsewhere, fmt(this_disk, 2, 0, 0, "are")) +
                   "  There is no zipfile comment.\n" + not_here,
               fatal_summary);
    expect_run(zipinfo({"-1", "d2.zip"}), 11, not_here, fatal_summary);
}

TEST_F(Info, EmptyArchive) {
    const tz::Built b = Archive().write(dir_ / "e.zip");
    expect_run(zipinfo({"e.zip"}), 1, "Archive:  e.zip   22 bytes   0 files\nEmpty zipfile.\n",
               warning_summary);
    expect_run(zipinfo({"-v", "e.zip"}), 1,
               "Archive:  e.zip   22 bytes   0 files\n" +
                   end_record_report(
                       b, "  This zipfile constitutes the sole disk of a single-part archive; its\n"
                          "  central directory contains 0 entries.  The central directory is %zu\n"
                          "  (%.8zXh) bytes long, and its (expected) offset in bytes from the\n"
                          "  beginning of the zipfile is %zu (%.8zXh).\n\n") +
                   "  There is no zipfile comment.\n\n  Empty zipfile.\n",
               warning_summary);
}

TEST_F(Info, NotAnArchive) {
    tz::write_text(dir_ / "notes", std::string(3000, 'n'));
    const std::string no_end_record =
        "  End-of-central-directory signature not found.  Either this file is not\n"
        "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
        "  latter case the central directory and zipfile comment will be found on\n"
        "  the last disk(s) of this archive.\n\n";
    const std::string retry =
        "zipinfo:  can't find zipfile directory in notes,\n"
        "          and can't find notes.zip, period.\n\nNo zipfiles found.\n";
    // With the header line off, the archive's name comes first.
    expect_run(zipinfo({"-1", "notes"}), 9, "", "[notes]\n" + no_end_record + retry);
    expect_run(zipinfo({"notes"}), 9, "", no_end_record + retry);
}

}  // namespace

namespace {

// The exact-time fields in the verbose report, decoded.
TEST(InfoTimes, ExactTimeFieldsAreDecoded) {
    tz::TempDir dir;
    Archive a;
    Member& m = a.add("t.txt", "t");
    m.central_extra = tz::extended_time_block(7, {1721032207});
    const tz::Bytes ntfs = tz::ntfs_time_block(133655058071234567ull, 133655058070000000ull, 0);
    m.central_extra.insert(m.central_extra.end(), ntfs.begin(), ntfs.end());
    a.add("e.txt", "e").central_extra = tz::extended_time_block(0, {});
    Member& z = a.add("z.txt", "z");  // a Zip64 field does not hide the times
    z.zip64 = true;
    z.central_extra = tz::extended_time_block(1, {1721032207});
    a.write(dir / "t.zip");
    const auto r = tz::run_unzip({"-v", "t.zip"}, dir.path(), "", "zipinfo");
    EXPECT_EQ(0, r.code);
    const std::string times =
        "\n  The extended-timestamp field (0x5455) holds these times:\n"
        "    modified: 2024 Jul 15 08:30:07 UTC\n"
        "\n  The NTFS field (0x000a) holds these times:\n"
        "    modified: 2024 Jul 15 08:30:07.1234567 UTC\n"
        "    accessed: 2024 Jul 15 08:30:07.0000000 UTC\n"
        "    created:  1601 Jan 1 00:00:00.0000000 UTC\n"
        "\n  There is no file comment.\n";
    EXPECT_NE(std::string::npos, r.out.find(times)) << r.out;
    EXPECT_NE(std::string::npos,
              r.out.find("\n  The extended-timestamp field (0x5455) holds these times:\n    (none)\n\n"))
        << r.out;
    EXPECT_NE(std::string::npos,
              r.out.find("  and the disk above that do not fit in 32 bits are taken from it.\n"
                         "\n  The extended-timestamp field (0x5455) holds these times:\n"
                         "    modified: 2024 Jul 15 08:30:07 UTC\n"
                         "\n  There is no file comment.\n"))
        << r.out;
}

}  // namespace
