// The setup's host calls on Linux: file copy, search path, file search, and
// the shell's Programs folder and shortcut records.
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
#include "platform/shell.h"
#include "platform/win32_shell.h"
#include "support/run.h"

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

TEST_F(ShellCalls, ShortcutsAreTextRecordsInTheProgramsFolder) {
    std::string programs;
    ASSERT_TRUE(shell_programs_folder(programs));
    EXPECT_EQ(programs, "C:\\Users\\Demo\\Start Menu\\Programs");
    ASSERT_TRUE(tz::file_exists(c / "Users/Demo/Start Menu/Programs"));  // made, as Windows always has it
    const std::string folder = programs + "\\TEV f\xFCr Windows NT";
    EXPECT_TRUE(shell_create_folder(folder));
    EXPECT_TRUE(shell_create_folder(folder));  // already there
    EXPECT_FALSE(shell_create_folder("C:\\NOWHERE\\X"));

    Shortcut link;
    link.link_path = folder + "\\Order from Vendora.LNK";
    link.target = "C:\\TEV\\TEV.EXE";
    link.arguments = "/ORDER:0";
    link.working_directory = "C:\\TEV";
    link.icon_path = "C:\\DIST\\inst_ger.ico";
    link.description = "Order from Vendora";
    ASSERT_EQ(shell_create_shortcut(link), SHORTCUT_SAVED);
    const std::string file = c / "Users/Demo/Start Menu/Programs/TEV f\xFCr Windows NT/Order from Vendora.LNK";
    EXPECT_EQ(tz::read_text(file), "target=C:\\TEV\\TEV.EXE\n"
                                   "arguments=/ORDER:0\n"
                                   "working directory=C:\\TEV\n"
                                   "icon=C:\\DIST\\inst_ger.ico\n"
                                   "icon index=0\n"
                                   "description=Order from Vendora\n");
    Shortcut back;
    ASSERT_TRUE(read_shortcut_record(tz::read_text(file), back));
    EXPECT_EQ(shortcut_record(back), shortcut_record(link));

    // A shortcut that cannot be saved leaves nothing behind.
    link.link_path = "C:\\NOFOLDER\\X.LNK";
    EXPECT_EQ(shell_create_shortcut(link), SHORTCUT_NOT_SAVED);
    EXPECT_FALSE(tz::file_exists(c / "NOFOLDER"));

    // Records that are not whole are refused.
    const std::string record = shortcut_record(link);
    for (const std::string& bad : {record.substr(0, record.size() - 1), "x" + record, record + "more\n",
                                   std::string("target=\n")}) {
        EXPECT_FALSE(read_shortcut_record(bad, back)) << bad;
    }
    std::string bad_index = record;
    bad_index.replace(bad_index.find("index=0"), 7, "index=x");
    EXPECT_FALSE(read_shortcut_record(bad_index, back));
}

}  // namespace
