// The command-line program, run as a separate process: the native build, or the
// Windows build under Wine when TEV_UNZIP / TEV_RUNNER say so. Both builds must
// print exactly these bytes and return these exit codes.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run.h"
#include "support/zip_writer.h"

namespace {

namespace fs = std::filesystem;

const std::string banner = "Unpack 1.0 of 8 December 2026, the archive engine of the TEV setup.\n";
const std::string no_end_record =
    "  End-of-central-directory signature not found.  Either this file is not\n"
    "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
    "  latter case the central directory and zipfile comment will be found on\n"
    "  the last disk(s) of this archive.\n\n";

// Members with fixed dates, sizes and CRCs; the listing never reads member data,
// so the "deflated" member's packed bytes are placeholders of the wanted size.
tz::Archive sample() {
    tz::Archive a;
    tz::Member& m1 = a.add("README.TXT", "123456789");
    m1.made_by_host = 0;  // a FAT name, kept as it stands: the archive holds lower-case names
    tz::Member& m2 = a.add("data/Big.bin", std::string(1000, 'q'), 8);
    m2.made_by_host = 3;
    m2.packed = tz::Bytes(333, 0x55);
    m2.crc = 0x0A0B0C0D;
    m2.flags = 0x0002;
    m2.date = tz::dos_date(1980, 1, 1);
    m2.time = tz::dos_time(0, 0, 0);
    tz::Member& m3 = a.add("tab\tname", std::string(100, 'g'), 12);
    m3.made_by_host = 11;
    m3.packed = tz::Bytes(150, 1);
    m3.crc = 0xFFFFFFFF;
    m3.date = tz::dos_date(2099, 12, 31);
    m3.time = tz::dos_time(23, 59, 58);
    m3.comment = "member\x1b comment";
    a.comment = "TEV payload\r\n\x1b[1mversion 3\x1b[0m";
    return a;
}

const std::string sample_verbose =
    "Archive:  s.zip\n"
    "TEV payload\n^[[1mversion 3^[[0m\n"
    " Length  Method   Size  Ratio   Date    Time   CRC-32     Name (\"^\" ==> case\n"
    " ------  ------   ----  -----   ----    ----   ------     ----   conversion)\n"
    "      9  Stored       9   0%  02-03-01  12:34  cbf43926   README.TXT\n"
    "   1000  Defl:X     333  67%  01-01-80  00:00  0a0b0c0d   data/Big.bin\n"
    "    100  BZip2      150 -50%  12-31-99  23:59  ffffffff   tab^Iname\n"
    "member^[ comment\n"
    " ------          ------  ---                              -------\n"
    "   1109             492  56%                              3      \n";

const std::string sample_short =
    "Archive:  s.zip\n"
    "TEV payload\n^[[1mversion 3^[[0m\n"
    " Length    Date    Time    Name (\"^\" ==> case\n"
    " ------    ----    ----    ----   conversion)\n"
    "      9  02-03-01  12:34   README.TXT\n"
    "   1000  01-01-80  00:00   data/Big.bin\n"
    "    100  12-31-99  23:59   tab^Iname\n"
    "member^[ comment\n"
    " ------                    -------\n"
    "   1109                    3      \n";

const std::string sample_quieter =
    "      9  02-03-01  12:34   README.TXT\n"
    "   1000  01-01-80  00:00   data/Big.bin\n"
    "    100  12-31-99  23:59   tab^Iname\n";

class Cli : public ::testing::Test {
protected:
    tz::RunResult run(const std::vector<std::string>& args) { return tz::run_unzip(args, dir_.path()); }
    std::string at(const std::string& name) const { return dir_ / name; }
    tz::TempDir dir_;
};

void expect_run(const tz::RunResult& r, int code, const std::string& out, const std::string& err) {
    EXPECT_EQ(code, r.code);
    EXPECT_EQ(out, r.out);
    EXPECT_EQ(err, r.err);
}

TEST_F(Cli, UsageWhenOnlyTheProgramNameIsGiven) {
    const auto r = run({});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, r.out.find(banner));
    EXPECT_NE(std::string::npos,
              r.out.find("Usage: unzip [-Z] [-opts[modifiers]] file[.zip] [list] [-x xlist] [-d exdir]\n"));
    EXPECT_EQ(std::string::npos, r.out.find('\r'));
    const std::string last =
        "  unzip -fo foo ReadMe => quietly replace existing ReadMe if archive file newer\n";
    EXPECT_EQ(r.out.size() - last.size(), r.out.rfind(last));
}

TEST_F(Cli, BadOptionsShowUsageOnStandardError) {
    sample().write(at("s.zip"));
    auto r = run({"-k", "s.zip"});
    EXPECT_EQ(10, r.code);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(0u, r.err.find("unknown option: -k\n" + banner));

    const std::string invalid =
        "error:  -fn or any combination of -c, -l, -p, -t, -u and -v options invalid\n";
    for (const char* word : {"-fn", "-ct", "-tv"}) {
        r = run({word, "s.zip"});
        EXPECT_EQ(10, r.code) << word;
        EXPECT_EQ("", r.out) << word;
        EXPECT_EQ(0u, r.err.find(invalid + banner)) << word;
    }
}

TEST_F(Cli, VerboseListing) {
    sample().write(at("s.zip"));
    expect_run(run({"-v", "s.zip"}), 0, sample_verbose, "");
}

TEST_F(Cli, ShortListing) {
    sample().write(at("s.zip"));
    expect_run(run({"-l", "s.zip"}), 0, sample_short, "");
}

TEST_F(Cli, QuieterListingHasMemberLinesOnly) {
    sample().write(at("s.zip"));
    expect_run(run({"-qql", "s.zip"}), 0, sample_quieter, "");
    const auto r = run({"-qqv", "s.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(0u, r.out.find("      9  Stored       9   0%  02-03-01  12:34  cbf43926   README.TXT\n"));
    EXPECT_EQ(3, std::count(r.out.begin(), r.out.end(), '\n'));
}

TEST_F(Cli, KeepCaseListing) {
    sample().write(at("s.zip"));
    const auto r = run({"-qqlU", "s.zip"});
    EXPECT_EQ(0u, r.out.find("      9  02-03-01  12:34   README.TXT\n"));
}

TEST_F(Cli, SelectedMembers) {
    sample().write(at("s.zip"));
    expect_run(run({"-qql", "s.zip", "README.*", "data\\*"}), 0,
               "      9  02-03-01  12:34   README.TXT\n"
               "   1000  01-01-80  00:00   data/Big.bin\n",
               "");
    expect_run(run({"-qql", "s.zip", "-x", "*.bin"}), 0,
               "      9  02-03-01  12:34   README.TXT\n"
               "    100  12-31-99  23:59   tab^Iname\n",
               "");
}

TEST_F(Cli, CommentOnly) {
    sample().write(at("s.zip"));
    expect_run(run({"-z", "s.zip"}), 0, "Archive:  s.zip\nTEV payload\n^[[1mversion 3^[[0m\n", "");
    expect_run(run({"--z", "-qql", "s.zip", "README.TXT"}), 0,
               "      9  02-03-01  12:34   README.TXT\n", "");
}

TEST_F(Cli, ArchiveWithPrefixedData) {
    tz::Archive a = sample();
    a.prefix.assign(1000, 'Z');
    a.write(at("p.zip"));
    expect_run(run({"-qql", "p.zip"}), 1, sample_quieter,
               "warning [p.zip]:  extra 1000 bytes at beginning or within zipfile\n"
               "  (attempting to process anyway)\n"
               "\n1 archive had warnings but no fatal errors.\n");
}

TEST_F(Cli, EmptyArchive) {
    tz::Archive().write(at("e.zip"));
    expect_run(run({"-l", "e.zip"}), 1, "Archive:  e.zip\n",
               "warning [e.zip]:  zipfile is empty\n\n1 archive had warnings but no fatal errors.\n");
}

TEST_F(Cli, MultiDiskArchive) {
    tz::Archive a = sample();
    a.disk_number = 2;
    a.central_start_disk = 2;
    a.write(at("m.zip"));
    expect_run(run({"-v", "m.zip"}), 11, "Archive:  m.zip\nTEV payload\n^[[1mversion 3^[[0m\n",
               "\nerror [m.zip]:  zipfile is part of multi-disk archive\n"
               "  (sorry, not yet supported).\n"
               "\n1 archive had fatal errors.\n");
}

TEST_F(Cli, DamagedCentralDirectory) {
    tz::Archive a = sample();
    tz::Built b = a.build();
    b.bytes[b.central_offset + 1] = 'Q';
    tz::write_file(at("c.zip"), b.bytes);
    expect_run(run({"-qql", "c.zip"}), 3, "",
               "error [c.zip]:  start of central directory not found;\n  zipfile corrupt.\n"
               "  (please check that you have transferred or created the zipfile in the\n"
               "  appropriate BINARY mode and that you have compiled unzip properly)\n"
               "\n1 archive had fatal errors.\n");
}

TEST_F(Cli, OverlongMemberName) {
    tz::Archive a;
    a.add(std::string(300, 'n'), "x").made_by_host = 3;
    a.write(at("n.zip"));
    expect_run(run({"-qql", "n.zip"}), 1, "      1  02-03-01  12:34   " + std::string(260, 'n') + "\n",
               "warning:  filename too long--truncating.\n[ " + std::string(260, 'n') +
                   " ]\n\n1 archive had warnings but no fatal errors.\n");
}

TEST_F(Cli, NotAnArchive) {
    tz::write_text(at("notes"), std::string(3000, 'n'));
    expect_run(run({"-l", "notes"}), 9, "Archive:  notes\n",
               no_end_record +
                   "unzip:  can't find zipfile directory in notes,\n"
                   "        and can't find notes.zip, period.\n"
                   "\nNo zipfiles found.\n");
    expect_run(run({"-qql", "notes"}), 9, "",
               "[notes]\n" + no_end_record +
                   "unzip:  can't find zipfile directory in notes,\n"
                   "        and can't find notes.zip, period.\n"
                   "\nNo zipfiles found.\n");
}

TEST_F(Cli, MissingArchive) {
    expect_run(run({"-l", "nothere"}), 9, "",
               "unzip:  can't find either nothere or nothere.zip, so there.\n\nNo zipfiles found.\n");
}

TEST_F(Cli, ZipIsAppendedWhenTheNameIsMissing) {
    sample().write(at("s.zip"));
    expect_run(run({"-qql", "s"}), 0, sample_quieter, "");
}

TEST_F(Cli, DirectoryWithZipBesideIt) {
    fs::create_directory(at("s"));
    sample().write(at("s.zip"));
    expect_run(run({"-qql", "s"}), 0, sample_quieter, "");
}

TEST_F(Cli, WildcardArchiveNames) {
    fs::create_directory(at("SUB"));
    sample().write(at("SUB/one.zip"));
    tz::write_text(at("SUB/other.txt"), "x");
    expect_run(run({"-qql", "SUB/*.zip"}), 0, sample_quieter, "");
    expect_run(run({"-qql", "SUB\\*.ZIP"}), 0, sample_quieter, "");
    auto r = run({"-l", "SUB/o*"});
    EXPECT_EQ(9, r.code);
    EXPECT_NE(std::string::npos, r.out.find("Archive:  SUB/one.zip\n"));
    EXPECT_NE(std::string::npos, r.out.find("Archive:  SUB/other.txt\n"));
    const std::string summary = "\n1 archive was successfully processed.\n1 file had no zipfile directory.\n";
    EXPECT_EQ(summary, r.err.substr(r.err.size() - std::min(r.err.size(), summary.size())));

    sample().write(at("TWO.ZIP"));
    r = run({"-l", "*.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, r.out.find("Archive:  TWO.ZIP\n"));

    expect_run(run({"-l", "*.arc"}), 9, "",
               "unzip:  can't find either *.arc or *.arc.zip, so there.\n\nNo zipfiles found.\n");
}

TEST_F(Cli, SeveralArchives) {
    sample().write(at("a.zip"));
    sample().write(at("b.zip"));
    const auto r = run({"-qql", "?.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(sample_quieter + sample_quieter, r.out);
    EXPECT_EQ("\n2 archives were successfully processed.\n", r.err);
}

// Both builds on the same archives print the same bytes (only when the program
// under test is the Windows build, run under Wine).
TEST_F(Cli, WindowsBuildMatchesNativeBuild) {
    if (!tz::under_wine()) GTEST_SKIP() << "runs with the Windows build only";
    sample().write(at("s.zip"));
    tz::Archive damaged = sample();
    damaged.prefix.assign(77, 'p');
    damaged.central_size = 5000;
    damaged.write(at("d.zip"));
    tz::write_text(at("junk"), std::string(2100, 'j'));
    const std::vector<std::vector<std::string>> cases = {
        {"-v", "s.zip"}, {"-l", "s.zip"}, {"-qql", "s.zip"}, {"-v", "d.zip"},
        {"-l", "junk"},  {"-z", "s.zip"}, {"-fn", "s.zip"},  {}};
    for (const auto& args : cases) {
        std::vector<std::string> cmd{tz::native_unzip()};
        cmd.insert(cmd.end(), args.begin(), args.end());
        const tz::RunResult native = tz::run_process(cmd, dir_.path());
        const tz::RunResult windows = run(args);
        const std::string label = args.empty() ? "(no arguments)" : args[0] + " " + args.back();
        EXPECT_EQ(native.code, windows.code) << label;
        EXPECT_EQ(native.out, windows.out) << label;
        EXPECT_EQ(native.err, windows.err) << label;
    }
}

}  // namespace
