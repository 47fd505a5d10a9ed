// Command lines as users type them: -d before or after the archive name, a
// missing or deep extraction folder, help, version and unknown options. Each
// case compares the whole of standard output and standard error and the exit
// code, natively and under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run.h"
#include "support/zip_writer.h"

namespace {

const std::string no_dest =
    "error:  must specify directory to which to extract with -d option\n";

struct Case {
    std::vector<std::string> args;
    int code;
    std::string out;  // "USAGE" stands for the usage text
    std::string err;  // "USAGE" stands for the usage text
    std::string made; // the file the run extracts ("" for none)
};

TEST(Options, CommandLines) {
    const std::vector<Case> cases = {
        {{"a.zip", "-d"}, 10, "", no_dest, ""},
        {{"-d"}, 10, "", no_dest, ""},
        {{"-qq", "-d", "out", "a.zip"}, 0, "", "", "out/x.txt"},
        {{"-d", "out", "-qq", "a.zip"}, 0, "", "", "out/x.txt"},
        {{"-qqd", "out", "a.zip"}, 0, "", "", "out/x.txt"},
        {{"-qq", "-dout", "a.zip"}, 0, "", "", "out/x.txt"},
        {{"-qq", "a.zip", "-d", "a/b/c"}, 0, "", "", "a/b/c/x.txt"},
        {{"-qq", "a.zip", "-d", "plain/sub"}, 3, "",
         "checkdir:  can't create extraction directory: plain/sub: Not a directory\n"
         "\n1 archive had fatal errors.\n",
         ""},
        {{"missing.zip", "-d", "t2"}, 9, "",
         "unzip:  can't find either missing.zip or missing.zip.zip, so there.\n\nNo zipfiles found.\n",
         ""},
        {{"-l", "-d", "out", "a.zip"}, 0,
         "Archive:  a.zip\n"
         " Length    Date    Time    Name (\"^\" ==> case\n"
         " ------    ----    ----    ----   conversion)\n"
         "      1  02-03-01  12:34   x.txt\n"
         " ------                    -------\n"
         "      1                    1      \n",
         "caution:  not extracting; -d ignored\n", ""},
        {{"--help"}, 0, "USAGE", "", ""},
        {{"-h"}, 0, "USAGE", "", ""},
        {{"-qh", "a.zip"}, 0, "USAGE", "", ""},
        {{"--version"}, 0, "unzip (TEV setup), Unpack 1.0 of 8 December 2026\n", "", ""},
        {{"-y", "a.zip"}, 10, "", "unknown option: -y\nUSAGE", ""},
        {{"-qk", "a.zip"}, 10, "", "unknown option: -k\nUSAGE", ""},
    };
    tz::TempDir usage_dir;
    const std::string usage = tz::run_unzip({}, usage_dir.path()).out;
    const auto expand = [&](const std::string& text) {
        const size_t at = text.find("USAGE");
        return at == std::string::npos ? text : text.substr(0, at) + usage;
    };
    for (const Case& c : cases) {
        tz::TempDir dir;
        tz::Archive a;
        a.add("x.txt", "x");
        a.write(dir / "a.zip");
        tz::write_text(dir / "plain", "a file in the way");
        const tz::RunResult r = tz::run_unzip(c.args, dir.path());
        std::string label;
        for (const std::string& w : c.args) label += w + " ";
        EXPECT_EQ(c.code, r.code) << label;
        EXPECT_EQ(expand(c.out), r.out) << label;
        EXPECT_EQ(expand(c.err), r.err) << label;
        std::vector<std::string> files = tz::files_below(dir.path());
        std::erase(files, "a.zip");
        std::erase(files, "plain");
        EXPECT_EQ(c.made.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.made}, files)
            << label;
        EXPECT_FALSE(tz::file_exists(dir / "t2")) << label;
    }
}

}  // namespace

namespace {

// Both streams in one log: every message after the lines given before it.
TEST(Logs, MessagesStayInOrder) {
    tz::TempDir dir;
    tz::Archive a;
    a.prefix.assign(100, 'p');
    a.add("bad.txt", "bad").crc = 0x12345678;
    a.add("z.zst", "z", 93).packed = tz::Bytes(1, 0);
    a.add("good.txt", "good");
    a.write(dir / "a.zip");
    std::string command;
    for (const std::string& w : tz::unzip_command()) command += "'" + w + "' ";
    const tz::RunResult r = tz::run_process({"/bin/sh", "-c", command + "-o a.zip >log 2>&1"}, dir.path());
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("Archive:  a.zip\n"
              "warning [a.zip]:  extra 100 bytes at beginning or within zipfile\n"
              "  (attempting to process anyway)\n"
              "   skipping: z.zst                   compression method 93 (Zstd)\n"
              " extracting: bad.txt                  bad CRC 822b39fb  (should be 12345678)\n"
              " extracting: good.txt                \n"
              "\n1 archive had fatal errors.\n",
              tz::read_text(dir / "log"));
}

}  // namespace
