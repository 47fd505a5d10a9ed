// Path joining, copying with the old-to-new name mapping, tree copies, the
// conversion and clean-up of older installations, and member directories.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "migration/file_helpers.h"
#include "support/engine_run.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

void make_dir(const std::string& path) { ::mkdir(path.c_str(), 0777); }

TEST(JoinPath, OneBackslashAndTheLengthLimit) {
    std::string out;
    EXPECT_TRUE(join_path(out, "C:\\NEW", "LOG"));
    EXPECT_EQ(out, "C:\\NEW\\LOG");
    EXPECT_TRUE(join_path(out, "C:\\", "LOG"));
    EXPECT_EQ(out, "C:\\LOG");
    EXPECT_TRUE(join_path(out, "", "LOG"));
    EXPECT_EQ(out, "\\LOG");
    const std::string dir = "C:\\" + std::string(250, 'd');
    EXPECT_TRUE(join_path(out, dir, "12345"));  // 259 characters
    EXPECT_EQ(out.size(), 259u);
    EXPECT_FALSE(join_path(out, dir, "123456"));  // refused, not cut
    EXPECT_EQ(out, "");
}

TEST(PathTests, AbsoluteAndInsideADirectory) {
    EXPECT_TRUE(is_absolute_path("C:\\X"));
    EXPECT_TRUE(is_absolute_path("\\X"));
    EXPECT_FALSE(is_absolute_path("C:X"));
    EXPECT_FALSE(is_absolute_path("LOG"));
    for (const char* path : {"\\\\srv\\share", "//srv/share", "\\/srv"}) {
        EXPECT_TRUE(is_network_path(path)) << path;
        EXPECT_TRUE(is_absolute_path(path)) << path;
    }
    for (const char* path : {"\\srv", "/srv", "C:\\\\srv", ""}) EXPECT_FALSE(is_network_path(path)) << path;
    EXPECT_TRUE(path_in_directory("c:\\new\\log", "C:\\NEW"));
    EXPECT_TRUE(path_in_directory("C:\\NEW", "C:\\NEW"));
    EXPECT_TRUE(path_in_directory("C:\\LOG", "C:\\"));
    EXPECT_FALSE(path_in_directory("C:\\NEWER\\X", "C:\\NEW"));
    EXPECT_FALSE(path_in_directory("C:\\NE", "C:\\NEW"));
    EXPECT_FALSE(path_in_directory("\\LOG", ""));
}

TEST(CopyFile, OldOptionNamesAreMappedToNewOnes) {
    SetupEnv env;
    make_dir(env.c_drive / "OLD");
    make_dir(env.c_drive / "NEW");
    make_dir(env.c_drive / "NEW/options");
    make_dir(env.c_drive / "NEW/OPT");
    tz::write_text(env.c_drive / "OLD/tevpath.dat", "paths");

    std::string target = "C:\\NEW\\options\\tevpath.dat";
    EXPECT_TRUE(copy_file("C:\\OLD\\tevpath.dat", target, true));
    EXPECT_EQ(target, "C:\\NEW\\options\\standard.tpa");
    EXPECT_EQ(tz::read_text(env.c_drive / "NEW/options/standard.tpa"), "paths");

    target = "C:\\NEW\\OPT\\tevpath.dat";  // the folder is not called options
    EXPECT_TRUE(copy_file("C:\\OLD\\tevpath.dat", target, true));
    EXPECT_EQ(target, "C:\\NEW\\OPT\\tevpath.dat");

    target = "C:\\NEW\\options\\tevpath.dat";
    EXPECT_TRUE(copy_file("C:\\OLD\\tevpath.dat", target, false));
    EXPECT_EQ(target, "C:\\NEW\\options\\tevpath.dat");
    EXPECT_FALSE(copy_file("C:\\OLD\\missing", target, false));
}

TEST(CopyFile, MappingMatchesWholeComponentsAndKeepsTheFolderSpelling) {
    std::string target = "C:\\NEW\\myoptions\\tevpath.dat";
    EXPECT_FALSE(map_old_name(target));
    target = "C:\\NEW\\OPTIONS\\TEV.KEY";
    EXPECT_TRUE(map_old_name(target));
    EXPECT_EQ(target, "C:\\NEW\\OPTIONS\\standard.tky");
    target = "C:\\NEW\\options\\standard";
    EXPECT_TRUE(map_old_name(target));
    EXPECT_EQ(target, "C:\\NEW\\options\\standard.tev");
    target = "C:\\NEW\\options\\standard.tev";
    EXPECT_FALSE(map_old_name(target));
    target = "C:\\NEW\\SCRIPT\\TEVEVENT.CMD";
    EXPECT_TRUE(map_old_name(target));
    EXPECT_EQ(target, "C:\\NEW\\SCRIPT\\tevevent.trx");
    target = "options\\tevtool.bar";
    EXPECT_TRUE(map_old_name(target));
    EXPECT_EQ(target, "options\\standard.ttb");
}

TEST(CopyTree, NestedFoldersFirstDotFoldersSkippedNamesMapped) {
    SetupEnv env;
    make_dir(env.c_drive / "OLD");
    make_dir(env.c_drive / "OLD/OPTIONS");
    make_dir(env.c_drive / "OLD/OPTIONS/SUB");
    make_dir(env.c_drive / "OLD/OPTIONS/SUB/DEEP");
    make_dir(env.c_drive / "OLD/OPTIONS/.hidden");
    tz::write_text(env.c_drive / "OLD/OPTIONS/tevphone.fee", "fees");
    tz::write_text(env.c_drive / "OLD/OPTIONS/SUB/DEEP/a.txt", "deep");
    tz::write_text(env.c_drive / "OLD/OPTIONS/.hidden/h.txt", "hidden");
    make_dir(env.c_drive / "NEW");

    EXPECT_TRUE(copy_tree("C:\\OLD\\OPTIONS", "C:\\NEW\\OPTIONS", true));
    EXPECT_EQ(tz::read_text(env.c_drive / "NEW/OPTIONS/standard.fee"), "fees");
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/OPTIONS/tevphone.fee"));
    EXPECT_EQ(tz::read_text(env.c_drive / "NEW/OPTIONS/SUB/DEEP/a.txt"), "deep");
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/OPTIONS/.hidden"));

    EXPECT_TRUE(copy_tree("C:\\OLD\\OPTIONS", "C:\\NEW\\PLAIN", false));
    EXPECT_EQ(tz::read_text(env.c_drive / "NEW/PLAIN/tevphone.fee"), "fees");
}

TEST(CopyTree, RefusesEmptyAndSameDirectoriesAndDoesNotCopyIntoItself) {
    SetupEnv env;
    make_dir(env.c_drive / "OLD");
    tz::write_text(env.c_drive / "OLD/a.txt", "a");
    EXPECT_FALSE(copy_tree("C:\\OLD", "c:\\old", false));
    EXPECT_FALSE(copy_tree("", "C:\\NEW", false));
    EXPECT_FALSE(copy_tree("C:\\OLD", "", false));
    EXPECT_FALSE(copy_tree("C:\\OLD", "C:\\NO\\SUCH\\DIR", false));  // one level only

    EXPECT_TRUE(copy_tree("C:\\OLD", "C:\\OLD\\COPY", false));
    EXPECT_EQ(tz::read_text(env.c_drive / "OLD/COPY/a.txt"), "a");
    EXPECT_FALSE(tz::file_exists(env.c_drive / "OLD/COPY/COPY"));
}

TEST(ConvertOrClean, ModeZeroCopiesOldOptionFilesToNewNames) {
    SetupEnv env;
    make_dir(env.c_drive / "NEW");
    make_dir(env.c_drive / "NEW/OPTIONS");
    tz::write_text(env.c_drive / "NEW/OPTIONS/TEVPATH.DAT", "old paths");
    tz::write_text(env.c_drive / "NEW/OPTIONS/STANDARD", "old options");
    convert_or_clean("C:\\NEW", 0);
    EXPECT_EQ(tz::read_text(env.c_drive / "NEW/OPTIONS/standard.tpa"), "old paths");
    EXPECT_EQ(tz::read_text(env.c_drive / "NEW/OPTIONS/standard.tev"), "old options");
    EXPECT_TRUE(tz::file_exists(env.c_drive / "NEW/OPTIONS/TEVPATH.DAT"));  // copied, not moved
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/OPTIONS/standard.fee"));
}

TEST(ConvertOrClean, ModeOneRemovesObsoleteFilesAndEmptiedFolders) {
    SetupEnv env;
    make_dir(env.c_drive / "NEW");
    make_dir(env.c_drive / "NEW/OPTIONS");
    make_dir(env.c_drive / "NEW/SCRIPT");
    make_dir(env.c_drive / "NEW/SCRIPT/SAMPLES");
    make_dir(env.c_drive / "NEW/LOG");
    for (const char* name : {"OPTIONS/TEVPATH.DAT", "OPTIONS/STANDARD.TPA", "TEV16.EXE", "tev.hlp",
                             "SCRIPT/TEVEVENT.CMD", "SCRIPT/TEVEVENT.TRX", "LOG/DUMMY.TMP", "KEEP.TXT"})
        tz::write_text(env.c_drive / ("NEW/" + std::string(name)), "x");
    for (const char* name : {"login.cmd", "logout.cmd", "dialup.cmd", "getmail.cmd", "sndmail.cmd",
                             "upload.cmd", "dnload.cmd"})
        tz::write_text(env.c_drive / ("NEW/SCRIPT/SAMPLES/" + std::string(name)), "x");

    convert_or_clean("C:\\NEW", 1);
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/OPTIONS/TEVPATH.DAT"));
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/TEV16.EXE"));
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/tev.hlp"));
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/SCRIPT/TEVEVENT.CMD"));
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/LOG/DUMMY.TMP"));
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/SCRIPT/SAMPLES"));
    EXPECT_TRUE(tz::file_exists(env.c_drive / "NEW/OPTIONS/STANDARD.TPA"));
    EXPECT_TRUE(tz::file_exists(env.c_drive / "NEW/KEEP.TXT"));
    EXPECT_TRUE(tz::file_exists(env.c_drive / "NEW/LOG"));

    // A sample folder holding a file of the user's stays.
    make_dir(env.c_drive / "NEW/SCRIPT/SAMPLES");
    tz::write_text(env.c_drive / "NEW/SCRIPT/SAMPLES/mine.cmd", "x");
    tz::write_text(env.c_drive / "NEW/SCRIPT/SAMPLES/login.cmd", "x");
    convert_or_clean("C:\\NEW", 1);
    EXPECT_TRUE(tz::file_exists(env.c_drive / "NEW/SCRIPT/SAMPLES/mine.cmd"));
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/SCRIPT/SAMPLES/login.cmd"));
}

// An old option-file name is deleted only when its new-named copy holds the
// same bytes; otherwise it stays and the trace says why.
TEST(ConvertOrClean, AnOldNameGoesOnlyWhenItsCopyIsTheSame) {
    const std::string fees(70000, 'f');  // more than one block of the comparison
    std::string changed = fees;
    changed[69999] = 'g';
    const struct {
        const char* title;
        const char* copy;  // content of standard.fee; null: none, "/": a folder in its way
        const char* trace;  // behind "kept old file C:\NEW\options\tevphone.fee: "
    } cases[] = {
        {"the same copy", "=", nullptr},
        {"no copy (it could not be made)", nullptr, "its copy C:\\NEW\\options\\standard.fee is missing"},
        {"a folder where the copy would be", "/", "C:\\NEW\\options\\standard.fee differs from it"},
        {"a copy cut short", "fff", "C:\\NEW\\options\\standard.fee differs from it"},
        {"the same size, another content", "changed", "C:\\NEW\\options\\standard.fee differs from it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        SetupEnv env;
        make_dir(env.c_drive / "NEW");
        make_dir(env.c_drive / "NEW/OPTIONS");
        tz::write_text(env.c_drive / "NEW/OPTIONS/TEVPHONE.FEE", fees);
        const std::string copy = env.c_drive / "NEW/OPTIONS/STANDARD.FEE";
        const std::string how = c.copy ? c.copy : "";
        if (how == "/") make_dir(copy);
        if (how == "/" || how == "=") convert_or_clean("C:\\NEW", 0);  // with a folder in its way, the copy fails
        else if (!how.empty()) tz::write_text(copy, how == "changed" ? changed : how);
        const tz::EngineRun run = tz::capture_streams([] {
            convert_or_clean("C:\\NEW", 1);
            return 0;
        });
        const bool kept = tz::file_exists(env.c_drive / "NEW/OPTIONS/TEVPHONE.FEE");
        EXPECT_EQ(kept, c.trace != nullptr);
        EXPECT_EQ(run.err, c.trace ? "kept old file C:\\NEW\\options\\tevphone.fee: " + std::string(c.trace) + "\n" : "");
        if (kept) {
            EXPECT_EQ(tz::read_text(env.c_drive / "NEW/OPTIONS/TEVPHONE.FEE"), fees);
        }
    }
}

TEST(MemberSubdir, BaseAndTheMembersSubdirectories) {
    std::string out;
    EXPECT_TRUE(member_subdir(out, "OPTIONS/sub/file.x", "C:\\NEW\\OPT"));
    EXPECT_EQ(out, "C:\\NEW\\OPT\\sub");
    EXPECT_TRUE(member_subdir(out, "OPTIONS/file.x", "C:\\NEW\\OPT"));
    EXPECT_EQ(out, "C:\\NEW\\OPT");
    EXPECT_TRUE(member_subdir(out, "SCRIPT/RXSAMPLE/MISC/1_FIRST.TRX", "C:\\TEV\\SCRIPT"));
    EXPECT_EQ(out, "C:\\TEV\\SCRIPT\\RXSAMPLE/MISC");
    EXPECT_TRUE(member_subdir(out, "LOG/file.x", "C:\\"));
    EXPECT_EQ(out, "C:\\");
    EXPECT_FALSE(member_subdir(out, "README.DOC", "C:\\NEW"));
    EXPECT_FALSE(member_subdir(out, "LOG/" + std::string(300, 'n'), "C:\\NEW"));
}

}  // namespace
