// The POSIX versions of the volume and name calls, and the volume test overrides.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>

#include "platform/hostfile.h"
#include "platform/test_hooks.h"
#include "platform/win32_api.h"
#include "support/engine_run.h"
#include "support/run.h"

namespace {

class VolumeCalls : public ::testing::Test {
protected:
    void SetUp() override {
        host_test_fat_names(0);
        host_test_removable_drives(0);
    }
    void TearDown() override {
        host_test_fat_names(-1);
        host_test_removable_drives(-1);
        host_map_drive('C', nullptr);
    }
    tz::TempDir tmp_;
};

TEST_F(VolumeCalls, FullPathAgainstTheCurrentDirectory) {
    tz::ScopedCwd cwd(tmp_.path());
    std::array<char, MAX_PATH> buf{};
    char* file_part = nullptr;
    const std::string base = tmp_.path();

    DWORD n = GetFullPathNameA("a/./b/../c.txt", MAX_PATH, buf.data(), &file_part);
    EXPECT_EQ(std::string(buf.data()), base + "/a/c.txt");
    EXPECT_EQ(n, base.size() + 8);
    ASSERT_NE(file_part, nullptr);
    EXPECT_STREQ(file_part, "c.txt");

    n = GetFullPathNameA(".", MAX_PATH, buf.data(), &file_part);
    EXPECT_EQ(std::string(buf.data()), base);
    n = GetFullPathNameA("sub\\dir\\", MAX_PATH, buf.data(), &file_part);
    EXPECT_EQ(std::string(buf.data()), base + "/sub/dir/");
    EXPECT_EQ(file_part, nullptr);
    n = GetFullPathNameA("/x/../../y", MAX_PATH, buf.data(), nullptr);
    EXPECT_EQ(std::string(buf.data()), "/y");

    host_map_drive('C', base.c_str());
    n = GetFullPathNameA("C:\\dos\\name", MAX_PATH, buf.data(), nullptr);
    EXPECT_EQ(std::string(buf.data()), base + "/dos/name");

    EXPECT_EQ(GetFullPathNameA("", MAX_PATH, buf.data(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST_F(VolumeCalls, FullPathTooLongForTheBuffer) {
    std::array<char, 8> small{};
    small.fill('#');
    const DWORD n = GetFullPathNameA("/abcdefghij", static_cast<DWORD>(small.size()), small.data(), nullptr);
    EXPECT_EQ(n, 12u);  // the size needed, with the terminator
    EXPECT_EQ(small[0], '#');
    std::array<char, 12> exact{};
    EXPECT_EQ(GetFullPathNameA("/abcdefghij", 12, exact.data(), nullptr), 11u);
}

TEST_F(VolumeCalls, NameProbeOpensForReadingOnly) {
    tz::ScopedCwd cwd(tmp_.path());
    OFSTRUCT info;
    tz::write_text("here.txt", "x");
    const HFILE f = OpenFile("here.txt", &info, OF_READ | OF_SHARE_DENY_NONE);
    ASSERT_NE(f, HFILE_ERROR);
    EXPECT_EQ(_lclose(f), 0);

    EXPECT_EQ(OpenFile("absent.txt", &info, OF_READ | OF_SHARE_DENY_NONE), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(info.nErrCode, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(tz::file_exists("absent.txt"));

    EXPECT_EQ(OpenFile(std::string(256, 'n').c_str(), &info, OF_READ | OF_SHARE_DENY_NONE), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);

    // Anything but reading is refused, and never creates the file.
    EXPECT_EQ(OpenFile("new.txt", &info, 0x1000 /* create */), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(tz::file_exists("new.txt"));

    // A FIFO does not make the probe wait for a writer.
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    const HFILE p = OpenFile("pipe", &info, OF_READ | OF_SHARE_DENY_NONE);
    ASSERT_NE(p, HFILE_ERROR);
    _lclose(p);
}

TEST_F(VolumeCalls, FatNamesOverride) {
    tz::ScopedCwd cwd(tmp_.path());
    host_test_fat_names(1);
    OFSTRUCT info;
    for (const char* bad : {"Verylongname", "name.text", "a.b.c", ".profile", "sp[1]", "x;1", "a+b"}) {
        EXPECT_EQ(OpenFile((std::string("dir/") + bad).c_str(), &info, OF_READ | OF_SHARE_DENY_NONE),
                  HFILE_ERROR)
            << bad;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << bad;
    }
    for (const char* good : {"Verylong.tex", "A", "abc.", "..", "x_1.t"}) {
        const std::string path = std::string("Verylongdirectory\\") + good;
        EXPECT_EQ(OpenFile(path.c_str(), &info, OF_READ | OF_SHARE_DENY_NONE), HFILE_ERROR) << good;
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << good;  // legal, just absent
    }
    std::array<char, 16> fs{};
    ASSERT_TRUE(GetVolumeInformationA("/", nullptr, 0, nullptr, nullptr, nullptr, fs.data(), 16));
    EXPECT_STREQ(fs.data(), "FAT");

    // Set from the environment while no test override is in force.
    host_test_fat_names(-1);
    ::setenv("TEV_TEST_FAT_NAMES", "1", 1);
    EXPECT_EQ(OpenFile("Verylongname", &info, OF_READ), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    ::unsetenv("TEV_TEST_FAT_NAMES");
    EXPECT_EQ(OpenFile("Verylongname", &info, OF_READ), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(VolumeCalls, VolumeInformationOfAnyPathOnTheVolume) {
    std::array<char, 32> fs{};
    DWORD max_component = 0;
    ASSERT_TRUE(GetVolumeInformationA(tmp_.path().c_str(), nullptr, 0, nullptr, &max_component, nullptr,
                                      fs.data(), static_cast<DWORD>(fs.size())));
    EXPECT_NE(fs[0], '\0');
    EXPECT_GT(max_component, 12u);
    // A path below the volume that does not exist yet is answered by its parent.
    std::array<char, 32> fs2{};
    ASSERT_TRUE(GetVolumeInformationA((tmp_.path() + "/no/such/dir").c_str(), nullptr, 0, nullptr, nullptr,
                                      nullptr, fs2.data(), static_cast<DWORD>(fs2.size())));
    EXPECT_STREQ(fs2.data(), fs.data());
    // Too small a buffer for the name.
    std::array<char, 1> tiny{};
    EXPECT_FALSE(GetVolumeInformationA("/", nullptr, 0, nullptr, nullptr, nullptr, tiny.data(), 1));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(VolumeCalls, DriveTypesAndLabels) {
    host_map_drive('C', tmp_.path().c_str());
    EXPECT_EQ(GetDriveTypeA("C:/"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA((tmp_.path() + "/none").c_str()), DRIVE_NO_ROOT_DIR);
    host_test_removable_drives(1);
    EXPECT_EQ(GetDriveTypeA("C:/"), DRIVE_REMOVABLE);
    host_test_removable_drives(0);
    EXPECT_FALSE(SetVolumeLabelA("c:\\", "LABEL"));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

}  // namespace
