// Windows paths on Linux: drive mapping, letter case, the Windows spelling of
// host paths, and the runtime calls over them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/crt.h"
#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "platform/posix/posix_util.h"
#include "support/engine_run.h"
#include "support/run.h"

namespace {

class DriveMap : public ::testing::Test {
protected:
    tz::TempDir c;
    tz::TempDir d;
    void SetUp() override {
        host_map_drive('C', c.path().c_str());
        host_map_drive('D', d.path().c_str());
    }
    void TearDown() override {
        host_map_drive('C', nullptr);
        host_map_drive('D', nullptr);
        host_map_drive('Z', nullptr);
    }
};

TEST_F(DriveMap, MappedNamesIgnoreLetterCaseWhereTheyExist) {
    ::mkdir((c / "OPTIONS").c_str(), 0777);
    tz::write_text(c / "OPTIONS/STANDARD.TPA", "x");
    EXPECT_EQ(host_native_path("C:\\options\\standard.tpa"), c / "OPTIONS/STANDARD.TPA");
    // A name that does not exist keeps its spelling below the part that does.
    EXPECT_EQ(host_native_path("c:\\options\\new\\File.Txt"), c / "OPTIONS/new/File.Txt");
    EXPECT_EQ(host_native_path("D:"), d.path() + "/");
    // Paths without a drive are used as they stand (the command-line tool).
    EXPECT_EQ(host_native_path("some\\Relative/name"), "some/Relative/name");
    EXPECT_EQ(host_native_path("E:\\unmapped"), "E:/unmapped");
}

TEST_F(DriveMap, NoPathLeavesItsDriveAndDriveLessPathsStayOnTheCurrentOne) {
    ::mkdir((c / "TEV").c_str(), 0777);
    const struct {
        const char* windows;
        std::string host;
    } cases[] = {
        {"C:\\..\\..\\x6", c / "x6"},                 // never above the drive's root
        {"C:\\TEV\\..\\..\\..\\outside\\DL", c / "outside/DL"},
        {"C:\\OLD\\..\\tev\\.\\OPTIONS", c / "TEV/OPTIONS"},
        {"D:..\\up", d / "up"},
        {"C:\\TEV\\", c / "TEV/"},
    };
    for (const auto& k : cases) EXPECT_EQ(host_native_path(k.windows), k.host) << k.windows;

    // "\x" has no drive: it lies on the drive of the current directory, or on
    // C: when the current directory is on no mapped drive; never on the host's
    // root. So does a network path (no share is reached from here), and a
    // relative path climbs from the current directory no higher than its drive.
    {
        tz::ScopedCwd in_d(d.path());
        EXPECT_EQ(host_native_path("\\x9"), d / "x9");
        EXPECT_EQ(host_native_path("\\\\srv\\share\\unc"), d / "srv/share/unc");
    }
    {
        tz::ScopedCwd in_tev(c / "TEV");
        EXPECT_EQ(host_native_path("..\\..\\..\\x8"), c / "x8");
        EXPECT_EQ(host_native_path("sub/../y8"), c / "TEV/y8");
        EXPECT_EQ(host_native_path("plain\\name"), "plain/name");  // relative, as it stands
    }
    tz::TempDir elsewhere;
    tz::ScopedCwd outside(elsewhere.path());
    EXPECT_EQ(host_native_path("\\"), c.path() + "/");
    EXPECT_EQ(host_native_path("\\..\\Users\\x9"), c / "Users/x9");
    EXPECT_EQ(host_native_path("\\\\srv\\share\\..\\..\\..\\x7"), c / "x7");
    EXPECT_EQ(host_native_path("\\\\?\\UNC\\srv\\x6"), c / "?/UNC/srv/x6");
    EXPECT_EQ(host_native_path("//srv/share/x5"), c / "srv/share/x5");  // as the engine spells it
    EXPECT_EQ(host_native_path("/tmp/native"), "/tmp/native");  // a host path stays one
}

TEST_F(DriveMap, WindowsSpellingOfHostPaths) {
    ::mkdir((c / "TEV").c_str(), 0777);
    EXPECT_EQ(posix_to_windows_path(c / "TEV"), "C:\\TEV");
    EXPECT_EQ(posix_to_windows_path(c.path()), "C:\\");
    // Outside every mapped drive the file system is drive Z, as under Wine.
    tz::TempDir elsewhere;
    const std::string z = posix_to_windows_path(elsewhere.path());
    ASSERT_EQ(z.substr(0, 3), "Z:\\");
    struct stat mapped;
    struct stat original;
    ASSERT_EQ(::stat(host_native_path(z.c_str()).c_str(), &mapped), 0);
    ASSERT_EQ(::stat(elsewhere.path().c_str(), &original), 0);
    EXPECT_EQ(mapped.st_ino, original.st_ino);
}

TEST_F(DriveMap, CurrentDirectoryWithItsDrive) {
    ::mkdir((c / "SETUP").c_str(), 0777);
    tz::ScopedCwd cwd(c / "SETUP");
    char buffer[OS_PATH_SIZE];
    ASSERT_EQ(os_QueryCWD(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "C:\\SETUP");
    char small[4];
    EXPECT_NE(os_QueryCWD(small, sizeof small), 0);
    EXPECT_STREQ(small, "");
}

TEST_F(DriveMap, RuntimeCallsReachTheMappedDirectories) {
    EXPECT_EQ(_mkdir("C:\\NEW"), 0);
    EXPECT_EQ(_access("c:\\new", 0), 0);
    FILE* f = crt_fopen("C:\\NEW\\A.TXT", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("hello", f);
    std::fclose(f);
    EXPECT_EQ(tz::read_text(c / "NEW/A.TXT"), "hello");
    EXPECT_EQ(crt_remove("C:\\new\\a.txt"), 0);
    EXPECT_EQ(_rmdir("C:\\NEW"), 0);
    EXPECT_NE(_access("C:\\NEW", 0), 0);
    {
        tz::ScopedCwd cwd(d.path());
        EXPECT_EQ(_chdir("C:\\"), 0);
        char buffer[OS_PATH_SIZE];
        ASSERT_EQ(os_QueryCWD(buffer, sizeof buffer), 0);
        EXPECT_STREQ(buffer, "C:\\");
    }
}

// Kept listings answer as a fresh read of the folder would: after this layer's
// own changes, and after changes made beside it (another process), at once.
TEST_F(DriveMap, KeptFolderListingsAnswerAsAFreshRead) {
    tz::write_text(c / "Data.Txt", "d");
    tz::write_text(c / "data.txt", "d");  // two spellings: the first the folder lists is found
    const std::string first = host_native_path("C:\\DATA.TXT");
    host_keep_folder_listings(true);
    EXPECT_EQ(host_native_path("C:\\DATA.TXT"), first);
    EXPECT_EQ(host_native_path("C:\\NEW.TMP"), c / "NEW.TMP");
    FILE* f = host_create_new("C:\\NEW.TMP");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(host_native_path("C:\\new.tmp"), c / "NEW.TMP");
    ASSERT_EQ(host_replace("C:\\NEW.TMP", "C:\\Final.Dat"), 0);
    EXPECT_EQ(host_native_path("C:\\FINAL.DAT"), c / "Final.Dat");
    EXPECT_EQ(host_native_path("C:\\new.tmp"), c / "new.tmp") << "renamed away";
    ASSERT_EQ(host_replace("C:\\data.txt", "C:\\Other.Txt"), 0);  // one of two spellings
    EXPECT_EQ(host_native_path("C:\\DATA.TXT"), c / "Data.Txt");

    // Made, renamed and removed beside the layer, in a folder whose listing is kept.
    ::mkdir((c / "TEV").c_str(), 0777);
    EXPECT_EQ(host_native_path("C:\\TEV\\PHONEBK"), c / "TEV/PHONEBK");
    tz::write_text(c / "TEV/phonebk", "made meanwhile");
    EXPECT_EQ(host_native_path("C:\\TEV\\PHONEBK"), c / "TEV/phonebk");
    ASSERT_EQ(::rename((c / "TEV/phonebk").c_str(), (c / "TEV/Phonebk.Old").c_str()), 0);
    EXPECT_EQ(host_native_path("C:\\TEV\\PHONEBK"), c / "TEV/PHONEBK");
    EXPECT_EQ(host_native_path("C:\\TEV\\PHONEBK.OLD"), c / "TEV/Phonebk.Old");
    ASSERT_EQ(::unlink((c / "TEV/Phonebk.Old").c_str()), 0);
    EXPECT_EQ(host_native_path("C:\\TEV\\PHONEBK.OLD"), c / "TEV/PHONEBK.OLD");
    // The kept folder moved away, or its parent, and another made at its path.
    for (const char* moved : {"UP/TEV", "UP"}) {
        for (const char* dir : {"UP", "UP/TEV"}) ::mkdir((c / dir).c_str(), 0777);
        EXPECT_EQ(host_native_path("C:\\UP\\TEV\\PHONEBK"), c / "UP/TEV/PHONEBK");
        ASSERT_EQ(::rename((c / moved).c_str(), (c / "MOVED").c_str()), 0);
        for (const char* dir : {"UP", "UP/TEV"}) ::mkdir((c / dir).c_str(), 0777);
        tz::write_text(c / "UP/TEV/Phonebk", "in the new folder");
        EXPECT_EQ(host_native_path("C:\\UP\\TEV\\PHONEBK"), c / "UP/TEV/Phonebk") << moved;
        tz::remove_tree(c / "UP");
        tz::remove_tree(c / "MOVED");
    }
    host_keep_folder_listings(false);
    tz::write_text(c / "Later.Txt", "l");
    EXPECT_EQ(host_native_path("C:\\LATER.TXT"), c / "Later.Txt");
}

TEST(SplitPath, DriveDirectoryNameAndExtension) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath("C:\\DIST\\SUB.D\\SETUP.EXE", drive, dir, fname, ext);
    EXPECT_STREQ(drive, "C:");
    EXPECT_STREQ(dir, "\\DIST\\SUB.D\\");
    EXPECT_STREQ(fname, "SETUP");
    EXPECT_STREQ(ext, ".EXE");
    _splitpath("SETUP", drive, dir, fname, ext);
    EXPECT_STREQ(drive, "");
    EXPECT_STREQ(dir, "");
    EXPECT_STREQ(fname, "SETUP");
    EXPECT_STREQ(ext, "");
    // Parts longer than their buffers are cut, never written past the buffer.
    const std::string long_dir = "C:\\" + std::string(400, 'x') + "\\A.B";
    _splitpath(long_dir.c_str(), drive, dir, nullptr, nullptr);
    EXPECT_EQ(std::strlen(dir), static_cast<size_t>(_MAX_DIR - 1));
}

}  // namespace
