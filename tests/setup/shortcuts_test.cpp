// The Start-menu folder and the plans of the twelve shortcuts: their icons in
// the destination, where the installation copies them.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/posix/os_values.h"
#include "platform/shell.h"
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
        for (const char* dir : {"DIST", "NEW", "WINNT"})
            ::mkdir((env.c_drive / dir).c_str(), 0777);
        S.destination_path = "C:\\NEW";
    }
    void TearDown() override { setenv("PATH", saved_path.c_str(), 1); }
    void with_notepad() {
        tz::write_text(env.c_drive / "WINNT/NOTEPAD.EXE", "");
        setenv("PATH", (env.c_drive / "WINNT").c_str(), 1);
    }
};

TEST_F(Shortcuts, FolderNameByLanguageAndPlatform) {
    EXPECT_EQ(start_menu_folder_name(), "TEV for Windows NT");
    S.language_index = LANGUAGE_GERMAN;
    EXPECT_EQ(start_menu_folder_name(), "TEV f\xFCr Windows NT");  // u umlaut in the ANSI code page
    posix_set_sys_value(OS_SV_PLATFORM, 1);
    EXPECT_EQ(start_menu_folder_name(), "TEV f\xFCr Windows'95");
    S.language_index = LANGUAGE_FRENCH;
    EXPECT_EQ(start_menu_folder_name(), "TEV sous Windows'95");
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
        {"Readme.doc", "C:\\NEW\\README.DOC", "", "C:\\NEW\\inst_doc.ico"},
        {"Features.doc", "C:\\NEW\\FEATURES.DOC", "", "C:\\NEW\\inst_doc.ico"},
        {"Problems.doc", "C:\\NEW\\PROBLEMS.DOC", "", "C:\\NEW\\inst_doc.ico"},
        {"Register.doc", "C:\\NEW\\REGISTER.DOC", "", "C:\\NEW\\inst_doc.ico"},
        {"Isdn.doc", "C:\\NEW\\ISDN.DOC", "", "C:\\NEW\\inst_doc.ico"},
        {"Develop.doc", "C:\\NEW\\DEVELOP.DOC", "", "C:\\NEW\\inst_doc.ico"},
        {"Versions.doc", "C:\\NEW\\VERSIONS.DOC", "", "C:\\NEW\\inst_doc.ico"},
        {"Order from Vendora", "C:\\NEW\\TEV.EXE", "/ORDER:0", "C:\\NEW\\inst_ger.ico"},
        {"Order from Ostrelle", "C:\\NEW\\TEV.EXE", "/ORDER:1", "C:\\NEW\\inst_usa.ico"},
        {"Order from Palamid", "C:\\NEW\\TEV.EXE", "/ORDER:2", "C:\\NEW\\inst_aus.ico"},
        {"Order from Quorvin", "C:\\NEW\\TEV.EXE", "/ORDER:3", "C:\\NEW\\inst_dk.ico"},
    };
    for (size_t i = 0; i < shortcut_table.size(); ++i) {
        const Shortcut link = plan_shortcut(shortcut_table[i], folder);
        EXPECT_EQ(link.description, expected[i].name) << i;
        EXPECT_EQ(link.target, expected[i].path) << i;
        EXPECT_EQ(link.arguments, expected[i].arguments) << i;
        EXPECT_EQ(link.icon_path, expected[i].icon) << i;
        EXPECT_EQ(link.working_directory, "C:\\NEW") << i;
        EXPECT_EQ(link.link_path, folder + "\\" + expected[i].name + ".LNK") << i;
    }
}

TEST_F(Shortcuts, ViewerOnTheSearchPathAndOtherLanguages) {
    with_notepad();
    tz::ScopedCwd cwd(env.c_drive / "DIST");
    Shortcut link = plan_shortcut(shortcut_table[1], "C:\\M");
    EXPECT_EQ(link.target, "C:\\WINNT\\NOTEPAD.EXE");
    EXPECT_EQ(link.arguments, "README.DOC");
    EXPECT_EQ(link.working_directory, "C:\\NEW");

    S.language_index = LANGUAGE_FRENCH;
    link = plan_shortcut(shortcut_table[8], "C:\\M");
    EXPECT_EQ(link.description, "Commande de la part de Vendora");
    EXPECT_EQ(link.link_path, "C:\\M\\Commande de la part de Vendora.LNK");
    S.language_index = LANGUAGE_GERMAN;
    EXPECT_EQ(plan_shortcut(shortcut_table[11], "C:\\M").description, "Bestellen bei Quorvin");

    // A link name that would be too long is not planned.
    EXPECT_EQ(plan_shortcut(shortcut_table[0], "C:\\" + std::string(252, 'f')).link_path, "");
}

TEST_F(Shortcuts, FolderAndLinksAreCreated) {
    with_notepad();
    tz::ScopedCwd cwd(env.c_drive / "DIST");
    S.language_index = LANGUAGE_GERMAN;
    create_start_menu_entries();
    const std::string folder = tz::programs_folder_native() + "/TEV f\xFCr Windows NT";
    const tz::ShortcutFile tev = tz::read_shortcut(folder + "/TEV.LNK");
    ASSERT_TRUE(tev.valid);
    EXPECT_EQ(shortcut_record(tev.shortcut), "target=C:\\NEW\\TEV.EXE\narguments=\nworking directory=C:\\NEW\n"
                                             "icon=\nicon index=0\ndescription=TEV\n");
    const tz::ShortcutFile readme = tz::read_shortcut(folder + "/Readme.doc.LNK");
    ASSERT_TRUE(readme.valid);
    EXPECT_EQ(shortcut_record(readme.shortcut),
              "target=C:\\WINNT\\NOTEPAD.EXE\narguments=README.DOC\nworking directory=C:\\NEW\n"
              "icon=C:\\NEW\\inst_doc.ico\nicon index=0\ndescription=Readme.doc\n");
    EXPECT_EQ(tz::read_shortcut(folder + "/Bestellen bei Palamid.LNK").shortcut.arguments, "/ORDER:2");
    int links = 0;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (e->d_type == DT_REG && tz::read_shortcut(folder + "/" + e->d_name).valid) ++links;
        ::closedir(dir);
    }
    EXPECT_EQ(links, 12);
}

}  // namespace
