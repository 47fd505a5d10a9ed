// The setup's Win32 calls on Linux: file copy, search path, environment
// expansion, code pages, registry, file search and shell links.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "platform/win32_shell.h"
#include "support/run.h"
#include "support/setup_env.h"

namespace {

class ShellCalls : public ::testing::Test {
protected:
    tz::TempDir c;
    void SetUp() override { host_map_drive('C', c.path().c_str()); }
    void TearDown() override {
        host_map_drive('C', nullptr);
        host_map_drive('Z', nullptr);
    }
};

TEST_F(ShellCalls, CopyReplacesTargetKeepsTimeAndRefusesUnsafeCopies) {
    tz::write_text(c / "A.TXT", "new content");
    tz::write_text(c / "B.TXT", "old");
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (c / "A.TXT").c_str(), times, 0), 0);

    EXPECT_TRUE(CopyFileA("C:\\A.TXT", "C:\\B.TXT", FALSE));
    EXPECT_EQ(tz::read_text(c / "B.TXT"), "new content");
    struct stat s;
    ASSERT_EQ(::stat((c / "B.TXT").c_str(), &s), 0);
    EXPECT_EQ(s.st_mtime, 1000000000);

    tz::write_text(c / "B.TXT", "kept");
    EXPECT_FALSE(CopyFileA("C:\\A.TXT", "C:\\B.TXT", TRUE));
    EXPECT_EQ(tz::read_text(c / "B.TXT"), "kept");

    // A file copied onto itself (here through another letter case) must not be emptied.
    EXPECT_FALSE(CopyFileA("C:\\A.TXT", "C:\\a.txt", FALSE));
    EXPECT_EQ(tz::read_text(c / "A.TXT"), "new content");

    EXPECT_FALSE(CopyFileA("C:\\MISSING.TXT", "C:\\C.TXT", FALSE));
    EXPECT_FALSE(tz::file_exists(c / "C.TXT"));

    // A target that cannot be written stays as it was, and no temporary file is left.
    ::chmod((c / "B.TXT").c_str(), 0444);
    EXPECT_FALSE(CopyFileA("C:\\A.TXT", "C:\\B.TXT", FALSE));
    ::chmod((c / "B.TXT").c_str(), 0644);
    EXPECT_EQ(tz::read_text(c / "B.TXT"), "kept");
    ::mkdir((c / "DIR").c_str(), 0777);
    EXPECT_FALSE(CopyFileA("C:\\A.TXT", "C:\\DIR", FALSE));
    EXPECT_FALSE(CopyFileA("C:\\A.TXT", "C:\\NODIR\\X.TXT", FALSE));
    OS_FILEFIND entry;
    std::strcpy(entry.name, "C:\\*.*");
    std::set<std::string> names;
    for (int r = os_FileFindMgr(OS_FIND_FIRST, &entry); r == 0; r = os_FileFindMgr(OS_FIND_NEXT, &entry))
        names.insert(entry.name);
    os_FileFindMgr(OS_FIND_END, &entry);
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "A.TXT", "B.TXT", "DIR"}));
}

TEST_F(ShellCalls, FileSearchMarksDirectoriesAndEnds) {
    ::mkdir((c / "SUB").c_str(), 0777);
    tz::write_text(c / "FILE.X", "");
    OS_FILEFIND entry;
    std::strcpy(entry.name, "C:\\*.*");
    int directories = 0, files = 0;
    for (int r = os_FileFindMgr(OS_FIND_FIRST, &entry); r == 0; r = os_FileFindMgr(OS_FIND_NEXT, &entry)) {
        if (std::strcmp(entry.name, "SUB") == 0) {
            EXPECT_EQ(entry.attributes, OS_FILE_DIRECTORY);
        }
        if (std::strcmp(entry.name, "FILE.X") == 0) {
            EXPECT_EQ(entry.attributes, 0u);
        }
        (entry.attributes & OS_FILE_DIRECTORY ? directories : files)++;
    }
    EXPECT_EQ(os_FileFindMgr(OS_FIND_END, &entry), 0);
    EXPECT_EQ(directories, 3);  // ".", ".." and SUB
    EXPECT_EQ(files, 1);
    std::strcpy(entry.name, "C:\\NOWHERE\\*.*");
    EXPECT_NE(os_FileFindMgr(OS_FIND_FIRST, &entry), 0);
    EXPECT_NE(os_FileFindMgr(OS_FIND_NEXT, &entry), 0);
}

TEST_F(ShellCalls, SearchPathFindsProgramsAlongPath) {
    ::mkdir((c / "WINNT").c_str(), 0777);
    tz::write_text(c / "WINNT/NOTEPAD.EXE", "");
    const char* old_path = std::getenv("PATH");
    const std::string saved = old_path ? old_path : "";
    setenv("PATH", ("/nonexistent:" + c / "WINNT").c_str(), 1);
    char buffer[OS_PATH_SIZE];
    LPSTR file_part = nullptr;
    const DWORD n = SearchPathA(nullptr, "NOTEPAD.EXE", "", sizeof buffer, buffer, &file_part);
    EXPECT_EQ(n, std::strlen("C:\\WINNT\\NOTEPAD.EXE"));
    EXPECT_STREQ(buffer, "C:\\WINNT\\NOTEPAD.EXE");
    ASSERT_NE(file_part, nullptr);
    EXPECT_STREQ(file_part, "NOTEPAD.EXE");
    char tiny[5];
    EXPECT_EQ(SearchPathA(nullptr, "NOTEPAD.EXE", "", sizeof tiny, tiny, nullptr), n + 1);
    EXPECT_EQ(SearchPathA(nullptr, "WORDPAD.EXE", "", sizeof buffer, buffer, nullptr), 0u);
    setenv("PATH", saved.c_str(), 1);
}

TEST(ShellText, EnvironmentExpansion) {
    setenv("TEV_TEST_HOME", "C:\\Users\\Ann", 1);
    unsetenv("TEV_TEST_UNSET");
    char out[64];
    EXPECT_EQ(ExpandEnvironmentStringsA("%TEV_TEST_HOME%\\Start Menu", out, sizeof out),
              std::strlen("C:\\Users\\Ann\\Start Menu") + 1);
    EXPECT_STREQ(out, "C:\\Users\\Ann\\Start Menu");
    ExpandEnvironmentStringsA("%TEV_TEST_UNSET%\\x %TEV_TEST_HOME%", out, sizeof out);
    EXPECT_STREQ(out, "%TEV_TEST_UNSET%\\x C:\\Users\\Ann");
    ExpandEnvironmentStringsA("100% %TEV_TEST_HOME%", out, sizeof out);
    EXPECT_STREQ(out, "100% C:\\Users\\Ann");
    char small[8] = "garbage";
    EXPECT_GT(ExpandEnvironmentStringsA("%TEV_TEST_HOME%", small, sizeof small), sizeof small);
    EXPECT_STREQ(small, "");
}

TEST(ShellText, CodePages) {
    // Code page 850 u umlaut, e acute and a box-drawing character in the ANSI code page.
    char text[] = "f\x81r \x82t\x82 \xC4";
    OemToCharA(text, text);
    EXPECT_STREQ(text, "f\xFCr \xE9t\xE9 ?");
    WCHAR wide[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xFC\x80" "a", -1, wide, 8), 4);
    EXPECT_EQ(wide[0], 0x00FC);
    EXPECT_EQ(wide[1], 0x20AC);  // euro sign
    EXPECT_EQ(wide[2], u'a');
    EXPECT_EQ(wide[3], 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 2), 0);
    char back[8];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 8, nullptr, nullptr), 4);
    EXPECT_STREQ(back, "\xFC\x80" "a");
}

TEST(ShellRegistry, SeededValuesAreReadAndCut) {
    posix_registry_clear();
    posix_registry_set(HKEY_CURRENT_USER, "Software\\Test", "Programs", "C:\\Programs");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "SOFTWARE\\test", &key), static_cast<LONG>(ERROR_SUCCESS));
    BYTE data[32];
    DWORD size = sizeof data;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "programs", nullptr, &type, data, &size), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 12u);
    EXPECT_STREQ(reinterpret_cast<char*>(data), "C:\\Programs");
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Programs", nullptr, &type, data, &size), static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, data, &size), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_NE(RegQueryValueExA(key, "Programs", nullptr, &type, data, &size), static_cast<LONG>(ERROR_SUCCESS));
    // A key created where none was seeded exists, empty.
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\New", &key), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(RegQueryValueExA(key, "Programs", nullptr, &type, data, &size), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    RegCloseKey(key);
    posix_registry_clear();
}

TEST_F(ShellCalls, ShellLinkIsWrittenAsLinkFileAndReadsBack) {
    ::mkdir((c / "MENU").c_str(), 0777);
    ShellLink link;
    link.path = "C:\\TEV\\TEV.EXE";
    link.arguments = "/ORDER:0";
    link.working_directory = "C:\\TEV";
    link.description = "Order from Vendora";
    link.icon_path = "C:\\DIST\\inst_ger.ico";
    const std::string name = "C:\\MENU\\TEV f\xFCr Windows.LNK";
    std::vector<WCHAR> wide(name.size() + 1);
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide.data(), static_cast<int>(wide.size())), 0);
    ASSERT_EQ(host_save_shell_link(link, wide.data()), LINK_SAVED);

    const tz::LinkFile back = tz::read_link_file(c / "MENU/TEV f\xFCr Windows.LNK");
    ASSERT_TRUE(back.valid);
    EXPECT_EQ(back.path, link.path);
    EXPECT_EQ(back.arguments, link.arguments);
    EXPECT_EQ(back.working_directory, link.working_directory);
    EXPECT_EQ(back.description, link.description);
    EXPECT_EQ(back.icon_path, link.icon_path);

    // Without arguments and icon the link carries neither.
    link.arguments.clear();
    link.icon_path.clear();
    ASSERT_EQ(host_save_shell_link(link, wide.data()), LINK_SAVED);
    const tz::LinkFile plain = tz::read_link_file(c / "MENU/TEV f\xFCr Windows.LNK");
    ASSERT_TRUE(plain.valid);
    EXPECT_EQ(plain.flags & 0x60, 0u);

    const std::u16string nowhere = u"C:\\NOFOLDER\\X.LNK";
    EXPECT_EQ(host_save_shell_link(link, reinterpret_cast<const WCHAR*>(nowhere.c_str())), LINK_NOT_SAVED);
}

}  // namespace
