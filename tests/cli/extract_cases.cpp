// Command-line cases for extraction to files: host paths below the root, the
// rules for existing files, the overwrite question, file times and attributes,
// and a full disk. The same cases run natively and under Wine.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run.h"
#include "support/zip_writer.h"
#include "support/expect_text.h"

namespace {

using tz::padded;

using tz::Archive;
using tz::run_unzip;
using tz::TempDir;

struct stat stat_of(const std::string& path) {
    struct stat s = {};
    EXPECT_EQ(0, ::stat(path.c_str(), &s)) << path;
    return s;
}

TEST(Extract, MembersLandBelowTheRootWithTheirDirectories) {
    TempDir dir;
    Archive a;
    a.add("top.txt", "top level\n");
    a.add("sub/deeper/file.bin", std::string(40000, 'z'), 8);
    a.add("sub/empty.dat", "");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("Archive:  a.zip\n"
              " extracting: " + padded("out/top.txt") + "  \n"
              "  inflating: " + padded("out/sub/deeper/file.bin") + "  \n"
              " extracting: " + padded("out/sub/empty.dat") + "  \n",
              r.out);
    EXPECT_EQ("top level\n", tz::read_text(dir / "out/top.txt"));
    EXPECT_EQ(std::string(40000, 'z'), tz::read_text(dir / "out/sub/deeper/file.bin"));
    EXPECT_EQ("", tz::read_text(dir / "out/sub/empty.dat"));
}

TEST(Extract, JunkPathsPutsEveryFileDirectlyBelowTheRoot) {
    TempDir dir;
    Archive a;
    a.add("a/b/c.txt", "c");
    a.add("d.txt", "d");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-qq", "-j", "a.zip", "-d", "flat"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_EQ("c", tz::read_text(dir / "flat/c.txt"));
    EXPECT_EQ("d", tz::read_text(dir / "flat/d.txt"));
    EXPECT_FALSE(tz::file_exists(dir / "flat/a"));
}

TEST(Extract, FileTimesAreTheMembersLocalTimes) {
    TempDir dir;
    Archive a;
    tz::Member& winter = a.add("winter.txt", "w");
    winter.date = tz::dos_date(1999, 12, 31);
    winter.time = tz::dos_time(23, 59, 58);
    tz::Member& summer = a.add("summer.txt", "s");
    summer.date = tz::dos_date(2024, 7, 15);
    summer.time = tz::dos_time(8, 30, 0);
    a.write(dir / "a.zip");

    ASSERT_EQ(0, run_unzip({"-qq", "a.zip"}, dir.path()).code);
    EXPECT_EQ(tz::local_time(1999, 12, 31, 23, 59, 58), stat_of(dir / "winter.txt").st_mtime);
    EXPECT_EQ(tz::local_time(2024, 7, 15, 8, 30, 0), stat_of(dir / "summer.txt").st_mtime);
}

// The exact-time fields give the time to the second (extended timestamp) or to
// 100 ns (NTFS, which wins over the other); folders get theirs after their contents.
TEST(Extract, ExactTimesOfFilesAndFolders) {
    TempDir dir;
    Archive a;
    const int32_t t = 1721032207;  // 2024-07-15 08:30:07 UTC, an odd second
    const uint64_t ntfs = 116444736000000000ull + (t + 100) * 10000000ull + 1234500;
    const auto with = [&](const std::string& name, const tz::Bytes& local, const tz::Bytes& central) {
        tz::Member& m = a.add(name, name.back() == '/' ? "" : "data");
        m.local_extra = local;
        m.central_extra = central;
        m.made_by_host = 3;
        m.external_attributes = (name.back() == '/' ? 040755u : 0100644u) << 16;
    };
    tz::Bytes both = tz::extended_time_block(1, {t});
    const tz::Bytes ntfs_block = tz::ntfs_time_block(ntfs, 0, 0);
    both.insert(both.end(), ntfs_block.begin(), ntfs_block.end());
    with("dir/", tz::extended_time_block(3, {t - 3600, 0}), tz::extended_time_block(3, {t - 3600}));
    with("dir/seconds.txt", tz::extended_time_block(1, {t}), tz::extended_time_block(1, {t}));
    with("dir/sub/", tz::extended_time_block(1, {t - 7200}), {});
    with("dir/sub/ntfs.txt", both, both);
    with("dos.txt", {}, {});
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-qq", "a.zip"}, dir.path());
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(t, stat_of(dir / "dir/seconds.txt").st_mtime);
    const struct stat n = stat_of(dir / "dir/sub/ntfs.txt");
    EXPECT_EQ(t + 100, n.st_mtime);
    EXPECT_EQ(123450000, n.st_mtim.tv_nsec);
    EXPECT_EQ(t - 3600, stat_of(dir / "dir").st_mtime);
    EXPECT_EQ(t - 7200, stat_of(dir / "dir/sub").st_mtime);
    EXPECT_EQ(tz::local_time(2001, 2, 3, 12, 34, 56), stat_of(dir / "dos.txt").st_mtime);
}

TEST(Extract, ReadOnlyMembersEndReadOnlyWithTheirTime) {
    TempDir dir;
    Archive a;
    tz::Member& ro = a.add("locked.txt", "keep me");
    ro.external_attributes = 0x01;
    ro.date = tz::dos_date(2010, 5, 6);
    ro.time = tz::dos_time(7, 8, 10);
    a.write(dir / "a.zip");

    ASSERT_EQ(0, run_unzip({"-qq", "a.zip"}, dir.path()).code);
    const struct stat s = stat_of(dir / "locked.txt");
    EXPECT_EQ(0u, s.st_mode & 0222);
    EXPECT_EQ(tz::local_time(2010, 5, 6, 7, 8, 10), s.st_mtime);

    // Extracting again over the read-only file replaces it.
    const auto again = run_unzip({"-qq", "-o", "a.zip"}, dir.path());
    EXPECT_EQ(0, again.code) << again.err;
    EXPECT_EQ("keep me", tz::read_text(dir / "locked.txt"));
}

TEST(Extract, ReplacedAndNewFilesGetTheMembersContentTimeAndMode) {
    TempDir dir;
    Archive a;
    struct Case {
        const char* name;
        uint32_t attributes;  // external attributes
        int day;              // of May 2011, the member's date
        bool exists;          // a file of that name is there before (read-only for read-only members)
    };
    const Case cases[] = {
        {"locked.txt", 0x01, 1, true},        {"plain.txt", 0x20, 2, true},
        {"sub/one.txt", 0x00, 3, false},      {"other/two.txt", 0x01, 4, false},
        {"sub/three.txt", 0x00, 5, true},     {"sub/a-long-name.text", 0x00, 6, false},
        {"unix/tool.sh", 0100750u << 16, 7, false},
    };
    for (const Case& c : cases) {
        tz::Member& m = a.add(c.name, std::string("member ") + c.name, 8);
        m.external_attributes = c.attributes;
        if (c.attributes >> 16) m.made_by_host = 3;
        m.date = tz::dos_date(2011, 5, c.day);
        m.time = tz::dos_time(10, 20, 30);
        if (!c.exists) continue;
        std::filesystem::create_directories(std::filesystem::path(dir / ("out/" + std::string(c.name))).parent_path());
        tz::write_text(dir / ("out/" + std::string(c.name)), "older file");
        if (c.attributes & 1) ::chmod((dir / ("out/" + std::string(c.name))).c_str(), 0444);
    }
    a.write(dir / "a.zip");

    // Twice: into the files placed above, then over its own read-only results.
    for (int pass = 0; pass < 2; ++pass) {
        const auto r = run_unzip({"-qo", "a.zip", "-d", "out"}, dir.path());
        EXPECT_EQ(0, r.code) << r.err;
        EXPECT_EQ("", r.out + r.err);
        for (const Case& c : cases) {
            const std::string path = dir / ("out/" + std::string(c.name));
            EXPECT_EQ(std::string("member ") + c.name, tz::read_text(path));
            const struct stat s = stat_of(path);
            EXPECT_EQ(tz::local_time(2011, 5, c.day, 10, 20, 30), s.st_mtime) << c.name;
            if (c.attributes >> 16) {
                if (!tz::under_wine()) {
                    EXPECT_EQ(0750u, s.st_mode & 0777) << c.name;
                }
            } else {
                EXPECT_EQ((c.attributes & 1) != 0, (s.st_mode & 0222) == 0) << c.name;
            }
        }
    }
    // Nothing but the members is left: no temporary file.
    const std::vector<std::string> expected = {"locked.txt",    "other/two.txt",        "plain.txt",
                                               "sub/a-long-name.text", "sub/one.txt", "sub/three.txt",
                                               "unix/tool.sh"};
    EXPECT_EQ(expected, tz::files_below(dir / "out"));
}

class ExistingFiles : public ::testing::Test {
protected:
    void SetUp() override {
        Archive a;
        tz::Member& m = a.add("f.txt", "from the archive");
        m.date = tz::dos_date(2005, 6, 7);
        m.time = tz::dos_time(8, 9, 10);
        a.write(dir / "a.zip");
    }
    // Places f.txt with the given modification time (relative to the member's).
    void place(long offset_seconds) {
        tz::write_text(dir / "f.txt", "already here");
        const time_t t = tz::local_time(2005, 6, 7, 8, 9, 10) + offset_seconds;
        struct timespec times[2] = {{t, 0}, {t, 0}};
        ASSERT_EQ(0, utimensat(AT_FDCWD, (dir / "f.txt").c_str(), times, 0));
    }
    std::string content() { return tz::read_text(dir / "f.txt"); }
    TempDir dir;
};

TEST_F(ExistingFiles, TheQuestionDecides) {
    const std::string ask = "f.txt exists.  Overwrite? [y]es, [n]o, [A]ll, [N]one: ";
    place(-3600);
    auto r = run_unzip({"-q", "a.zip"}, dir.path(), "n\n");
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(ask, r.err);
    EXPECT_EQ("already here", content());

    r = run_unzip({"-q", "a.zip"}, dir.path(), "");
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(ask + "\ncaution:  1 existing file not replaced (no answer); use -o to replace\n", r.err);
    EXPECT_EQ("already here", content());

    r = run_unzip({"-q", "a.zip"}, dir.path(), "yes please\n");
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("from the archive", content());
}

// Several existing files: A and N answer every later question, the end of
// input keeps the rest and is reported once.
TEST(ExistingFilesAnswers, AllNoneAndEndOfInput) {
    struct Case {
        std::string input;
        int code;
        std::string err;       // the questions and cautions
        std::string replaced;  // one letter per file: r replaced, k kept
    };
    const auto ask = [](const char* name) {
        return std::string(name) + " exists.  Overwrite? [y]es, [n]o, [A]ll, [N]one: ";
    };
    const std::vector<Case> cases = {
        {"n\nA\n", 0, ask("1.txt") + ask("2.txt"), "krr"},
        {"y\nN\nn\n", 0, ask("1.txt") + ask("2.txt"), "rkk"},
        {"y\n", 1,
         ask("1.txt") + ask("2.txt") + "\ncaution:  2 existing files not replaced (no answer); use -o to replace\n",
         "rkk"},
        {"", 1, ask("1.txt") + "\ncaution:  3 existing files not replaced (no answer); use -o to replace\n",
         "kkk"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        Archive a;
        for (const char* name : {"1.txt", "2.txt", "3.txt"}) a.add(name, "new");
        a.write(dir / "a.zip");
        for (const char* name : {"1.txt", "2.txt", "3.txt"}) tz::write_text(dir / name, "old");
        const auto r = run_unzip({"-q", "a.zip"}, dir.path(), c.input);
        EXPECT_EQ(c.code, r.code) << c.input;
        EXPECT_EQ(c.err, r.err) << c.input;
        std::string replaced;
        for (const char* name : {"1.txt", "2.txt", "3.txt"})
            replaced += tz::read_text(dir / name) == "new" ? 'r' : 'k';
        EXPECT_EQ(c.replaced, replaced) << c.input;
    }
}

TEST_F(ExistingFiles, NeverAndAlwaysDecideWithoutAsking) {
    place(-3600);
    auto r = run_unzip({"-qn", "a.zip"}, dir.path(), "y\n");
    EXPECT_EQ("", r.err);
    EXPECT_EQ("already here", content());

    r = run_unzip({"-qo", "a.zip"}, dir.path());
    EXPECT_EQ("", r.err);
    EXPECT_EQ("from the archive", content());

    // -n wins over -o, with a caution.
    place(-3600);
    r = run_unzip({"-qno", "a.zip"}, dir.path());
    EXPECT_EQ("caution:  both -n and -o specified; ignoring -o\n", r.err);
    EXPECT_EQ("already here", content());
}

TEST_F(ExistingFiles, UpdateReplacesOnlyOlderFiles) {
    place(0);  // as new as the member
    auto r = run_unzip({"-quo", "a.zip"}, dir.path());
    EXPECT_EQ("already here", content());
    place(1);  // an odd second is rounded up: still as new
    r = run_unzip({"-quo", "a.zip"}, dir.path());
    EXPECT_EQ("already here", content());
    place(-2);  // older
    r = run_unzip({"-quo", "a.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("from the archive", content());
    // Missing files are created by -u.
    tz::remove_tree(dir / "f.txt");
    run_unzip({"-qu", "a.zip"}, dir.path());
    EXPECT_EQ("from the archive", content());
}

TEST_F(ExistingFiles, AgesAreComparedAsLocalTimesFarFromUtc) {
    if (tz::under_wine()) GTEST_SKIP() << "the time zone of a Wine process is Wine's";
    // Nine hours east of UTC, no daylight time: the member's 08:09:10 is 23:09:10 UTC
    // the day before. A file of exactly that instant is as new as the member.
    const char* old_tz = std::getenv("TZ");
    const std::string saved = old_tz ? old_tz : "";
    setenv("TZ", "XST-9", 1);
    tzset();
    place(0);
    auto update = [&] {
        std::vector<std::string> cmd = tz::unzip_command();
        cmd.insert(cmd.end(), {"-quo", "a.zip"});
        return tz::run_process(cmd, dir.path(), "", {"TZ=XST-9"});
    };
    auto r = update();
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("already here", content());
    place(-2);
    r = update();
    EXPECT_EQ("from the archive", content());
    if (old_tz) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

TEST_F(ExistingFiles, FreshenCreatesNothing) {
    auto r = run_unzip({"-fo", "a.zip"}, dir.path());
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("Archive:  a.zip\n", r.out);
    EXPECT_FALSE(tz::file_exists(dir / "f.txt"));
    place(-7200);
    r = run_unzip({"-fqo", "a.zip"}, dir.path());
    EXPECT_EQ("from the archive", content());
}

// Damaged data never replaces a good file, even with -o: a bad CRC alone (the
// method itself finds nothing wrong) keeps the old file and its temporary
// file is gone.
TEST(Extract, ADamagedMemberDoesNotReplaceAGoodFile) {
    TempDir dir;
    Archive a;
    for (const uint16_t method : {0, 8}) {
        tz::Member& m = a.add(method ? "deflated.txt" : "stored.txt", "the new content", method);
        m.made_by_host = 3;
        m.crc = 0x12345678;
    }
    a.write(dir / "a.zip");
    ::mkdir((dir / "out").c_str(), 0777);
    for (const char* name : {"stored.txt", "deflated.txt"}) tz::write_text(dir / ("out/" + std::string(name)), "the good old content");
    const auto r = run_unzip({"-o", "-q", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(2, r.code);
    for (const char* name : {"stored.txt", "deflated.txt"}) {
        EXPECT_EQ("the good old content", tz::read_text(dir / ("out/" + std::string(name)))) << name;
        EXPECT_NE(std::string::npos, r.err.find("out/" + std::string(name) + ":  not replaced (the member is damaged)\n"))
            << r.err;
    }
    EXPECT_EQ((std::vector<std::string>{"deflated.txt", "stored.txt"}), tz::files_below(dir / "out"));
}

TEST(Extract, AFullDiskAsksWhetherToGoOn) {
    if (tz::under_wine()) GTEST_SKIP() << "the file-size limit is a Linux process limit";
    TempDir dir;
    Archive a;
    std::string big(300000, 'b');
    a.add("big.bin", big);
    a.add("small.txt", "small");
    a.write(dir / "a.zip");

    // A file-size limit of 100 KiB makes the write fail like a full disk.
    auto limited = [&](const std::string& answer) {
        std::vector<std::string> cmd = {"bash", "-c", "trap '' XFSZ; ulimit -f 200; exec \"$@\"", "limit"};
        for (const std::string& w : tz::unzip_command()) cmd.push_back(w);
        cmd.push_back("-qo");
        cmd.push_back("a.zip");
        return tz::run_process(cmd, dir.path(), answer);
    };
    auto r = limited("n\n");
    EXPECT_EQ(50, r.code);
    EXPECT_NE(std::string::npos,
              r.err.find("\nbig.bin:  write error (disk full?).  Continue? (y/n/^C) "));
    EXPECT_FALSE(tz::file_exists(dir / "small.txt"));
    EXPECT_FALSE(tz::file_exists(dir / "big.bin"));  // an incomplete file is never kept

    r = limited("y\n");
    EXPECT_EQ(2, r.code) << r.err;  // going on with a member missing is an error
    EXPECT_EQ("small", tz::read_text(dir / "small.txt"));
    EXPECT_FALSE(tz::file_exists(dir / "big.bin"));
}

}  // namespace

namespace {

// Symbolic links: made on Linux when their targets stay inside the extraction
// folder (or with -K); never written through; files with a warning otherwise.
TEST(Links, MadeKeptInsideAndNeverWrittenThrough) {
    const auto link = [](tz::Archive& a, const std::string& name, const std::string& target) {
        tz::Member& m = a.add(name, target);
        m.made_by_host = 3;
        m.external_attributes = 0120777u << 16;
    };
    Archive a;
    a.add("t.txt", "text");
    link(a, "ln", "t.txt");
    link(a, "sub/up", "../t.txt");
    link(a, "abs", "/etc/passwd");
    link(a, "sub/out", "../../x");
    link(a, "odd", "sub/../../x");
    link(a, "dirlink", "sub");
    a.add("dirlink/evil.txt", "not through the link");
    TempDir dir;
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-qq", "a.zip"}, dir.path());
    const auto read_link = [&](const std::string& name) {
        char buf[256] = {};
        const ssize_t n = ::readlink((dir / name).c_str(), buf, sizeof buf - 1);
        return n < 0 ? std::string("(file: ") + tz::read_text(dir / name) + ")" : std::string(buf, n);
    };
    const std::string outside = " written as a file (the target is outside the extraction folder; -K makes the link)\n";
    if (tz::under_wine()) {  // links are files holding their targets there
        EXPECT_EQ("(file: t.txt)", read_link("ln"));
        EXPECT_EQ("(file: /etc/passwd)", read_link("abs"));
        EXPECT_EQ(0u, r.err.find("warning:  ln -> t.txt written as a file (links are files on this system)\n"));
        return;
    }
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("warning:  abs -> /etc/passwd" + outside + "warning:  sub/out -> ../../x" + outside +
                  "warning:  odd -> sub/../../x" + outside +
                  "checkdir error:  dirlink is a symbolic link made by this run\n"
                  "                 unable to process dirlink/evil.txt.\n"
                  "\n1 archive had fatal errors.\n",
              r.err);
    EXPECT_EQ("t.txt", read_link("ln"));
    EXPECT_EQ("text", tz::read_text(dir / "ln"));
    EXPECT_EQ("../t.txt", read_link("sub/up"));
    EXPECT_EQ("(file: /etc/passwd)", read_link("abs"));
    EXPECT_EQ("(file: ../../x)", read_link("sub/out"));
    EXPECT_EQ("sub", read_link("dirlink"));
    EXPECT_FALSE(tz::file_exists(dir / "sub/evil.txt"));

    // -K makes every link; -d puts them below the folder, counted from there.
    const auto k = run_unzip({"-qqK", "a.zip", "-x", "dirlink/*", "-d", "k"}, dir.path());
    EXPECT_EQ(0, k.code) << k.err;
    EXPECT_EQ("/etc/passwd", read_link("k/abs"));
    EXPECT_EQ("../../x", read_link("k/sub/out"));
    EXPECT_EQ("../t.txt", read_link("k/sub/up"));
}

}  // namespace
