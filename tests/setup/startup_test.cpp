// Start-up: the program's directory, payload and language, the refusals and
// the earlier-installation flag.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/os_layer.h"
#include "platform/posix/os_values.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

int dialog_runs = 0;
std::string language_seen;

class Startup : public ::testing::Test {
protected:
    SetupEnv env;
    void SetUp() override {
        ::mkdir((env.c_drive / "DIST").c_str(), 0777);
        dialog_runs = 0;
        set_dialog_runner([] {
            ++dialog_runs;
            language_seen = message(msg_caption_error);
            S.exit_code = SETUP_EXIT_DONE;  // as after an installation
        });
    }
    void TearDown() override { set_dialog_runner(nullptr); }
    void payload(const char* name) { tz::write_text(env.c_drive / ("DIST/" + std::string(name)), "PK"); }
    int start() {
        // Started from elsewhere, as through a shortcut with another working directory.
        tz::ScopedCwd cwd(env.d_drive.path());
        const int r = setup_main("C:\\DIST\\SETUP.EXE");
        char where[OS_PATH_SIZE];
        os_QueryCWD(where, sizeof where);
        cwd_after = where;
        return r;
    }
    std::string cwd_after;
};

TEST_F(Startup, PayloadDecidesTheLanguageInTheOrderLookedFor) {
    payload("INSTALLD.FIL");
    payload("INSTALL.FIL");
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(cwd_after, "C:\\DIST");
    EXPECT_EQ(S.payload_name, "INSTALL.FIL");
    EXPECT_EQ(S.language_index, LANGUAGE_ENGLISH);
    EXPECT_EQ(dialog_runs, 1);
    EXPECT_TRUE(env.boxes().empty());
}

TEST_F(Startup, EachPayloadAlone) {
    const struct {
        const char* name;
        int language;
        const char* caption;
    } cases[] = {{"INSTALLD.FIL", LANGUAGE_GERMAN, "Fehler"}, {"INSTALLF.FIL", LANGUAGE_FRENCH, "Erreur"}};
    for (const auto& c : cases) {
        reset_setup_state();
        tz::remove_tree(env.c_drive / "DIST");
        ::mkdir((env.c_drive / "DIST").c_str(), 0777);
        payload(c.name);
        EXPECT_EQ(start(), 0);
        EXPECT_EQ(S.payload_name, c.name);
        EXPECT_EQ(S.language_index, c.language);
        EXPECT_EQ(language_seen, c.caption);
    }
    EXPECT_EQ(dialog_runs, 2);
}

TEST_F(Startup, NoPayloadIsRefusedInEnglish) {
    EXPECT_EQ(start(), SETUP_EXIT_REFUSED);
    EXPECT_EQ(dialog_runs, 0);
    ASSERT_EQ(env.boxes().size(), 1u);
    EXPECT_EQ(env.boxes()[0].kind, tz::BoxKind::error);
    EXPECT_EQ(env.boxes()[0].text, "Sorry, no files to install!");
}

TEST_F(Startup, OldWindowsNtIsRefusedInThePayloadsLanguage) {
    payload("INSTALLD.FIL");
    posix_set_sys_value(OS_SV_VERSION, 351);
    EXPECT_EQ(start(), SETUP_EXIT_REFUSED);
    EXPECT_EQ(dialog_runs, 0);
    ASSERT_EQ(env.boxes().size(), 1u);
    EXPECT_EQ(env.boxes()[0].kind, tz::BoxKind::error);
    // In code page 1252 (o umlaut 0xF6), as message boxes show it.
    EXPECT_EQ(env.boxes()[0].text, "Dieses Programm ben\xF6tigt mindestens Windows NT 4.00 - Installation wird abgebrochen!");

    // Another platform kind is not checked.
    posix_set_sys_value(OS_SV_PLATFORM, 2);
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(dialog_runs, 1);
    EXPECT_EQ(env.boxes().size(), 1u);
}

TEST_F(Startup, StoredWindowPositionMeansAlreadyInstalled) {
    payload("INSTALL.FIL");
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(S.already_installed, 0);
    posix_set_profile_value("Tevanet", "WindowPos", "1 2 3 4");  // without the trailing blank: another application
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(S.already_installed, 0);
    posix_set_profile_value("Tevanet ", "WindowPos", "10 20 300 400 and more than 28 characters of it");
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(S.already_installed, 1);
}

}  // namespace
