// Command-line cases for where extracted files land: the destination directory,
// member names that try to leave it, names the volume does not accept, and the
// files' times and attributes. Native and under Wine, except where noted.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>
#include <vector>

#include "support/run.h"
#include "support/zip_writer.h"
#include "support/expect_text.h"

namespace {

using tz::padded;

using tz::Archive;
using tz::file_exists;
using tz::read_text;
using tz::run_unzip;
using tz::TempDir;

// Members made on Unix keep the case of their names.
tz::Member& add(Archive& a, const std::string& name, const std::string& data) {
    tz::Member& m = a.add(name, data);
    m.made_by_host = 3;
    return m;
}

std::string unsafe_warning(const std::string& name) {
    return "warning:  " + name + ":  removed unsafe path components\n";
}

TEST(ExtractPaths, DestinationCreatedOneLevelWithTheMembersDirectories) {
    TempDir dir;
    Archive a;
    add(a, "docs/", "");
    add(a, "docs/a.txt", "alpha");
    add(a, "b/c/d.txt", "delta");
    add(a, "./e/f.txt", "foxtrot");
    add(a, "g//h.txt", "hotel");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.err);
    EXPECT_NE(std::string::npos, r.out.find("   creating: out/docs/"));
    EXPECT_EQ("alpha", read_text(dir / "out/docs/a.txt"));
    EXPECT_EQ("delta", read_text(dir / "out/b/c/d.txt"));
    EXPECT_EQ("foxtrot", read_text(dir / "out/e/f.txt"));
    EXPECT_EQ("hotel", read_text(dir / "out/g/h.txt"));

    // Again: the directory entry exists now and is not reported.
    const auto again = run_unzip({"-o", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, again.code) << again.err;
    EXPECT_EQ(std::string::npos, again.out.find("creating:"));
}

TEST(ExtractPaths, DestinationBehindAFile) {
    TempDir dir;
    Archive a;
    add(a, "x.txt", "x");
    a.write(dir / "a.zip");
    tz::write_text(dir / "missing", "a file");
    const auto r = run_unzip({"a.zip", "-d", "missing/new"}, dir.path());
    EXPECT_EQ(3, r.code);
    EXPECT_EQ("Archive:  a.zip\n", r.out);
    EXPECT_EQ("checkdir:  can't create extraction directory: missing/new: Not a directory\n"
              "\n1 archive had fatal errors.\n",
              r.err);
    EXPECT_FALSE(file_exists(dir / "x.txt"));
}

TEST(ExtractPaths, FreshenIntoAMissingDestinationTouchesNothingElse) {
    TempDir dir;
    Archive a;
    tz::Member& m = add(a, "f.txt", "from the archive");
    m.date = tz::dos_date(2030, 1, 1);  // newer than any file here
    a.write(dir / "a.zip");
    tz::write_text(dir / "f.txt", "current directory file");

    const auto r = run_unzip({"-fo", "a.zip", "-d", "absent"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("current directory file", read_text(dir / "f.txt"));
    EXPECT_FALSE(file_exists(dir / "absent"));
}

TEST(ExtractPaths, UnsafeNamesStayBelowTheDestination) {
    TempDir dir;
    ASSERT_EQ(0, ::mkdir((dir / "work").c_str(), 0777));
    Archive a;
    add(a, "../up.txt", "1");
    add(a, "a/../../up2.txt", "2");
    add(a, "/abs.txt", "3");
    add(a, "..\\back.txt", "4");
    add(a, "safe.txt", "5");
    a.write(dir / "work/a.zip");

    const auto r = run_unzip({"-qq", "a.zip", "-d", "out"}, dir / "work");
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(unsafe_warning("../up.txt") + unsafe_warning("a/../../up2.txt") +
                  unsafe_warning("/abs.txt") + unsafe_warning("..\\back.txt") +
                  "\n1 archive had warnings but no fatal errors.\n",
              r.err);
    EXPECT_EQ("1", read_text(dir / "work/out/up.txt"));
    EXPECT_EQ("2", read_text(dir / "work/out/a/up2.txt"));
    EXPECT_EQ("3", read_text(dir / "work/out/abs.txt"));
    EXPECT_EQ("4", read_text(dir / "work/out/back.txt"));
    EXPECT_EQ("5", read_text(dir / "work/out/safe.txt"));
    EXPECT_FALSE(file_exists(dir / "up.txt"));
    EXPECT_FALSE(file_exists(dir / "work/up.txt"));
    EXPECT_FALSE(file_exists(dir / "up2.txt"));
    EXPECT_FALSE(file_exists(dir / "back.txt"));

    // -j drops the directory parts anyway: nothing to warn about.
    const auto junked = run_unzip({"-qq", "-j", "-o", "a.zip", "a/../../up2.txt", "-d", "flat"}, dir / "work");
    EXPECT_EQ(0, junked.code);
    EXPECT_EQ("", junked.err);
    EXPECT_EQ("2", read_text(dir / "work/flat/up2.txt"));
}

// A link to a folder that the user made inside the destination is used as
// that folder (the archive cannot make one): users may rely on it.
TEST(ExtractPaths, AFolderLinkTheUserMadeIsFollowed) {
    TempDir dir;
    Archive a;
    add(a, "data/sub/x.txt", "x");
    add(a, "top.txt", "t");
    a.write(dir / "a.zip");
    ::mkdir((dir / "out").c_str(), 0777);
    ::mkdir((dir / "elsewhere").c_str(), 0777);
    ASSERT_EQ(0, ::symlink("../elsewhere", (dir / "out/data").c_str()));
    const auto r = run_unzip({"-qq", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("x", read_text(dir / "elsewhere/sub/x.txt"));
    EXPECT_EQ("t", read_text(dir / "out/top.txt"));
}

TEST(ExtractPaths, MemberNamedOnlyParentIsAnError) {
    TempDir dir;
    Archive a;
    add(a, "a/..", "x");
    add(a, "b.txt", "b");
    a.write(dir / "a.zip");
    const auto r = run_unzip({"-qq", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(2, r.code);
    EXPECT_EQ(unsafe_warning("a/..") + "mapname:  conversion of a/.. failed\n"
              "\n1 archive had fatal errors.\n", r.err);
    EXPECT_EQ("b", read_text(dir / "out/b.txt"));
}

TEST(ExtractPaths, DirectoryPathTooLongSkipsOnlyThatMember) {
    TempDir dir;
    Archive a;
    // A stored name of 260 characters, whose directories exceed 258 below "out/".
    const std::string dirs = std::string(200, 'a') + "/" + std::string(57, 'b');
    add(a, dirs + "/f", "f");
    add(a, "ok.txt", "ok");
    a.write(dir / "a.zip");
    const auto r = run_unzip({"-qq", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("checkdir error:  path too long: out/" + dirs + "\n"
              "\n1 archive had fatal errors.\n", r.err);
    EXPECT_EQ("ok", read_text(dir / "out/ok.txt"));
}

TEST(ExtractPaths, FilesGetTheMembersTimeAndReadOnlyBit) {
    TempDir dir;
    Archive a;
    tz::Member& ro = add(a, "ro.txt", "read only");
    ro.external_attributes = 0x01;
    ro.date = tz::dos_date(2001, 2, 3);
    ro.time = tz::dos_time(12, 34, 56);
    tz::Member& rw = add(a, "rw.txt", "writable");
    rw.date = tz::dos_date(1999, 12, 31);
    rw.time = tz::dos_time(23, 59, 58);
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-qq", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.out + r.err);
    struct stat st;
    ASSERT_EQ(0, ::stat((dir / "out/ro.txt").c_str(), &st));
    EXPECT_EQ(tz::local_time(2001, 2, 3, 12, 34, 56), st.st_mtime);
    EXPECT_EQ(0u, st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH));
    EXPECT_EQ("read only", read_text(dir / "out/ro.txt"));
    ASSERT_EQ(0, ::stat((dir / "out/rw.txt").c_str(), &st));
    EXPECT_EQ(tz::local_time(1999, 12, 31, 23, 59, 58), st.st_mtime);
    EXPECT_NE(0u, st.st_mode & S_IWUSR);
}

TEST(ExtractPaths, VolumeLabelIsSkippedWithoutTheOption) {
    TempDir dir;
    Archive a;
    tz::Member& label = a.add("MYDISK", "");
    label.made_by_host = 0;
    label.external_attributes = 0x08;
    add(a, "f.txt", "f");
    a.write(dir / "a.zip");
    const auto r = run_unzip({"-qq", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("   skipping: " + padded("MYDISK") + "  volume label\n", r.err);
    EXPECT_FALSE(file_exists(dir / "out/MYDISK"));
    EXPECT_EQ("f", read_text(dir / "out/f.txt"));
}

// The volume overrides of the POSIX layer are reached through the environment;
// the Windows program asks the real system.
tz::RunResult run_with_env(const std::vector<std::string>& args, const std::string& cwd,
                           const std::vector<std::string>& env) {
    std::vector<std::string> command = tz::unzip_command();
    command.insert(command.end(), args.begin(), args.end());
    return tz::run_process(command, cwd, "", env);
}

TEST(ExtractPaths, FatVolumeGetsShortNamesAndNoSpaces) {
    if (tz::under_wine()) GTEST_SKIP() << "the FAT override is a feature of the Linux layer";
    TempDir dir;
    Archive a;
    add(a, "Verylongname.text", "long");
    add(a, "Verylongdir/My Notes.txt", "notes");
    add(a, "short.txt", "short");
    a.write(dir / "a.zip");

    const auto r = run_with_env({"a.zip", "-d", "out"}, dir.path(), {"TEV_TEST_FAT_NAMES=1"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("long", read_text(dir / "out/Verylong.tex"));
    EXPECT_EQ("notes", read_text(dir / "out/Verylong/My_Notes.txt"));
    EXPECT_EQ("short", read_text(dir / "out/short.txt"));
    EXPECT_FALSE(file_exists(dir / "out/Verylongname.text"));
    EXPECT_NE(std::string::npos, r.out.find("extracting: out/Verylong.tex"));
}

TEST(ExtractPaths, LabelOnARemovableDriveCannotBeSetHere) {
    if (tz::under_wine()) GTEST_SKIP() << "the drive override is a feature of the Linux layer";
    TempDir dir;
    Archive a;
    tz::Member& label = a.add("MYDISK", "");
    label.made_by_host = 0;
    label.external_attributes = 0x08;
    a.write(dir / "a.zip");
    const auto r = run_with_env({"-$", "a.zip", "-d", "c:"}, dir.path(), {"TEV_TEST_REMOVABLE_DRIVES=1"});
    EXPECT_EQ(2, r.code);
    EXPECT_NE(std::string::npos, r.out.find("labelling c: " + padded("MYDISK") + "\n")) << r.out;
    EXPECT_EQ("mapname:  error setting volume label\n\n1 archive had fatal errors.\n", r.err);

    const auto fixed = run_unzip({"-$", "a.zip", "-d", "c:"}, dir.path());
    EXPECT_EQ(0, fixed.code);
    EXPECT_EQ("   skipping: " + padded("MYDISK") + "  hard disk volume label\n", fixed.err);
}

}  // namespace
