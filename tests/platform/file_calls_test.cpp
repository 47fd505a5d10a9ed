// The POSIX versions of the file handle, time and attribute calls.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/hostfile.h"
#include "platform/win32_api.h"
#include "support/run.h"

namespace {

constexpr int64_t EPOCH_1601 = 116444736000000000LL;

FILETIME filetime_of(int64_t unix_seconds, int64_t hundred_ns = 0) {
    const uint64_t v = static_cast<uint64_t>(unix_seconds * 10000000LL + EPOCH_1601 + hundred_ns);
    return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFFu), static_cast<DWORD>(v >> 32)};
}

struct stat status(const std::string& path) {
    struct stat st = {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

TEST(FileCalls, LastWriteTimeThroughAHandle) {
    tz::TempDir tmp;
    const std::string path = tmp / "f.txt";
    tz::write_text(path, "data");
    const timespec start[2] = {{1100000000, 0}, {1200000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), start, 0), 0);

    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const FILETIME t = filetime_of(1300000000, 5000000);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    const struct stat st = status(path);
    EXPECT_EQ(st.st_mtim.tv_sec, 1300000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500000000);
    EXPECT_EQ(st.st_atim.tv_sec, 1100000000);  // kept
    EXPECT_EQ(tz::read_text(path), "data");   // opened without truncation
}

TEST(FileCalls, HandlesAreReusedAndChecked) {
    tz::TempDir tmp;
    tz::write_text(tmp / "a", "a");
    HANDLE first = CreateFileA((tmp / "a").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE second = CreateFileA((tmp / "a").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_NE(first, second);
    EXPECT_TRUE(CloseHandle(first));
    const FILETIME t = filetime_of(0);
    EXPECT_FALSE(SetFileTime(first, nullptr, nullptr, &t));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(1))));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_TRUE(CloseHandle(second));
}

TEST(FileCalls, OpenFailures) {
    tz::TempDir tmp;
    EXPECT_EQ(CreateFileA((tmp / "none").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(tz::file_exists(tmp / "none"));
    EXPECT_EQ(CreateFileA(tmp.path().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    // A read-only file refuses writing, for every user.
    tz::write_text(tmp / "ro", "x");
    ASSERT_EQ(::chmod((tmp / "ro").c_str(), 0444), 0);
    EXPECT_EQ(CreateFileA((tmp / "ro").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE r = CreateFileA((tmp / "ro").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    CloseHandle(r);
}

TEST(FileCalls, ReadOnlyAttributeIsTheWritePermission) {
    tz::TempDir tmp;
    const std::string path = tmp / "f";
    tz::write_text(path, "x");
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_ARCHIVE);

    EXPECT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(status(path).st_mode & 0777, 0444u);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);

    EXPECT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(status(path).st_mode & 0777, 0644u);  // owner write only comes back

    EXPECT_EQ(GetFileAttributesA(tmp.path().c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(SetFileAttributesA((tmp / "none").c_str(), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA((tmp / "none").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

// A new file is never made through a link: a dangling symbolic link at the
// name is a name taken (EEXIST), and its target is not created.
TEST(FileCalls, CreateNewNeverFollowsALink) {
    tz::TempDir tmp;
    ASSERT_EQ(::symlink((tmp / "target").c_str(), (tmp / "link").c_str()), 0);
    errno = 0;
    EXPECT_EQ(host_create_new((tmp / "link").c_str()), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_FALSE(tz::file_exists(tmp / "target"));
}
