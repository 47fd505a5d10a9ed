// The Start-menu folder and the plans of the twelve shortcuts.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/posix/os_script.h"
#include "platform/win32_shell.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/shortcuts.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

class Shortcuts : public ::testing::Test {
protected:
    SetupEnv env;
    std::string saved_path;
    void SetUp() override {
        saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", "/nonexistent", 1);
        for (const char* dir : {"DIST", "NEW", "WINNT", "Users", "Users/Ann", "Users/Ann/Programs"})
            ::mkdir((env.c_drive / dir).c_str(), 0777);
        S.destination_path = "C:\\NEW";
    }
    void TearDown() override { setenv("PATH", saved_path.c_str(), 1); }
    void with_notepad() {
        tz::write_text(env.c_drive / "WINNT/NOTEPAD.EXE", "");
        setenv("PATH", (env.c_drive / "WINNT").c_str(), 1);
    }
    void seed_programs(const char* value) {
        posix_registry_set(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, PROGRAMS_VALUE, value);
    }
};

TEST_F(Shortcuts, FolderNameByLanguageAndPlatform) {
    EXPECT_EQ(start_menu_folder_name(), "TEV for Windows NT");
    S.language_index = LANGUAGE_GERMAN;
    EXPECT_EQ(start_menu_folder_name(), "TEV f\xFCr Windows NT");  // u umlaut in the ANSI code page
    os_script_set_sys_value(OS_SV_PLATFORM, 1);
    EXPECT_EQ(start_menu_folder_name(), "TEV f\xFCr Windows'95");
    S.language_index = LANGUAGE_FRENCH;
    EXPECT_EQ(start_menu_folder_name(), "TEV sous Windows'95");
}

TEST_F(Shortcuts, ProgramsFolderFromTheRegistry) {
    char buffer[OS_PATH_SIZE] = "unset garbage";
    EXPECT_FALSE(find_programs_folder(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    HKEY key = nullptr;  // the lookup opened the key read-only: it was not created
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_READ, &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));

    setenv("TEV_TEST_PROFILE", "C:\\Users\\Ann", 1);
    seed_programs("%TEV_TEST_PROFILE%\\Programs\\");
    EXPECT_TRUE(find_programs_folder(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "C:\\Users\\Ann\\Programs");

    char small[8] = "garbage";
    EXPECT_TRUE(find_programs_folder(small, sizeof small));
    EXPECT_STREQ(small, "");  // does not fit: nothing usable, but nothing unset

    seed_programs(("C:\\" + std::string(300, 'p')).c_str());
    EXPECT_FALSE(find_programs_folder(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
}

TEST_F(Shortcuts, TwelvePlansWithoutTheViewer) {
    tz::ScopedCwd cwd(env.c_drive / "DIST");
    const std::string folder = "C:\\Users\\Ann\\Programs\\TEV for Windows NT";
    const struct {
        const char* name;
        const char* path;
        const char* arguments;
        const char* icon;
    } expected[] = {
        {"TEV", "C:\\NEW\\TEV.EXE", "", ""},
        {"Readme.doc", "C:\\NEW\\README.DOC", "", "C:\\DIST\\inst_doc.ico"},
        {"Features.doc", "C:\\NEW\\FEATURES.DOC", "", "C:\\DIST\\inst_doc.ico"},
        {"Problems.doc", "C:\\NEW\\PROBLEMS.DOC", "", "C:\\DIST\\inst_doc.ico"},
        {"Register.doc", "C:\\NEW\\REGISTER.DOC", "", "C:\\DIST\\inst_doc.ico"},
        {"Isdn.doc", "C:\\NEW\\ISDN.DOC", "", "C:\\DIST\\inst_doc.ico"},
        {"Develop.doc", "C:\\NEW\\DEVELOP.DOC", "", "C:\\DIST\\inst_doc.ico"},
        {"Versions.doc", "C:\\NEW\\VERSIONS.DOC", "", "C:\\DIST\\inst_doc.ico"},
        {"Order from Vendora", "C:\\NEW\\TEV.EXE", "/ORDER:0", "C:\\DIST\\inst_ger.ico"},
        {"Order from Ostrelle", "C:\\NEW\\TEV.EXE", "/ORDER:1", "C:\\DIST\\inst_usa.ico"},
        {"Order from Palamid", "C:\\NEW\\TEV.EXE", "/ORDER:2", "C:\\DIST\\inst_aus.ico"},
        {"Order from Quorvin", "C:\\NEW\\TEV.EXE", "/ORDER:3", "C:\\DIST\\inst_dk.ico"},
    };
    for (size_t i = 0; i < shortcut_table.size(); ++i) {
        const ShortcutPlan plan = plan_shortcut(shortcut_table[i], folder);
        EXPECT_EQ(plan.link.description, expected[i].name) << i;
        EXPECT_EQ(plan.link.path, expected[i].path) << i;
        EXPECT_EQ(plan.link.arguments, expected[i].arguments) << i;
        EXPECT_EQ(plan.link.icon_path, expected[i].icon) << i;
        EXPECT_EQ(plan.link.working_directory, "C:\\NEW") << i;
        EXPECT_EQ(plan.link_file, folder + "\\" + expected[i].name + ".LNK") << i;
    }
}

TEST_F(Shortcuts, ViewerOnTheSearchPathAndOtherLanguages) {
    with_notepad();
    tz::ScopedCwd cwd(env.c_drive / "DIST");
    ShortcutPlan plan = plan_shortcut(shortcut_table[1], "C:\\M");
    EXPECT_EQ(plan.link.path, "C:\\WINNT\\NOTEPAD.EXE");
    EXPECT_EQ(plan.link.arguments, "README.DOC");
    EXPECT_EQ(plan.link.working_directory, "C:\\NEW");

    S.language_index = LANGUAGE_FRENCH;
    plan = plan_shortcut(shortcut_table[8], "C:\\M");
    EXPECT_EQ(plan.link.description, "Commande de la part de Vendora");
    EXPECT_EQ(plan.link_file, "C:\\M\\Commande de la part de Vendora.LNK");
    S.language_index = LANGUAGE_GERMAN;
    EXPECT_EQ(plan_shortcut(shortcut_table[11], "C:\\M").link.description, "Bestellen bei Quorvin");

    // A link name that would be too long is not planned.
    EXPECT_EQ(plan_shortcut(shortcut_table[0], "C:\\" + std::string(252, 'f')).link_file, "");
}

TEST_F(Shortcuts, FolderAndLinksAreCreated) {
    with_notepad();
    tz::ScopedCwd cwd(env.c_drive / "DIST");
    seed_programs("C:\\Users\\Ann\\Programs");
    S.language_index = LANGUAGE_GERMAN;
    create_start_menu_entries();
    const std::string folder = env.c_drive / "Users/Ann/Programs/TEV f\xFCr Windows NT";
    const tz::LinkFile tev = tz::read_link_file(folder + "/TEV.LNK");
    ASSERT_TRUE(tev.valid);
    EXPECT_EQ(tev.path, "C:\\NEW\\TEV.EXE");
    EXPECT_EQ(tev.arguments, "");
    EXPECT_EQ(tev.icon_path, "");
    const tz::LinkFile readme = tz::read_link_file(folder + "/Readme.doc.LNK");
    ASSERT_TRUE(readme.valid);
    EXPECT_EQ(readme.path, "C:\\WINNT\\NOTEPAD.EXE");
    EXPECT_EQ(readme.arguments, "README.DOC");
    EXPECT_EQ(readme.working_directory, "C:\\NEW");
    EXPECT_EQ(readme.icon_path, "C:\\DIST\\inst_doc.ico");
    const tz::LinkFile order = tz::read_link_file(folder + "/Bestellen bei Palamid.LNK");
    ASSERT_TRUE(order.valid);
    EXPECT_EQ(order.arguments, "/ORDER:2");
    int links = 0;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (e->d_type == DT_REG && tz::read_link_file(folder + "/" + e->d_name).valid) ++links;
        ::closedir(dir);
    }
    EXPECT_EQ(links, 12);
    EXPECT_EQ(tz::read_link_file(folder + "/Versions.doc.LNK").description, "Versions.doc");
}

}  // namespace
