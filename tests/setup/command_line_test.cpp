// The setup's command line: how it is split and read, and what start-up does
// with options it cannot take (nothing is written then).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/posix/os_values.h"
#include "setup/command_line.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "support/setup_env.h"

namespace {

TEST(CommandLine, SplitLikeWindowsWithQuotesAnywhere) {
    const struct {
        const char* line;
        std::vector<std::string> arguments;
    } cases[] = {
        {"", {}},
        {"  /S\t/dir=C:\\TEV  ", {"/S", "/dir=C:\\TEV"}},
        {"/DIR=\"C:\\Program Files\\TEV\" /S", {"/DIR=C:\\Program Files\\TEV", "/S"}},
        {"\"/LOG=C:\\my logs\\setup.log\"", {"/LOG=C:\\my logs\\setup.log"}},
        {"/DIR=\"C:\\TEV\\\"", {"/DIR=C:\\TEV\\"}},  // a backslash before the closing quote stays
        {"\"\" /S", {"", "/S"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split_command_line(c.line), c.arguments) << c.line;
}

TEST(CommandLine, OptionsInAnyCaseWithSlashOrDash) {
    const SetupOptions o = parse_setup_options({"-s", "/Force", "/allusers", "-DIR=D:\\A=B", "/log=x.log", "/HELP"});
    EXPECT_TRUE(o.silent && o.force && o.all_users && o.help && !o.uninstall);
    EXPECT_EQ(o.destination, "D:\\A=B");
    EXPECT_EQ(o.log_path, "x.log");
    EXPECT_EQ(o.rejected, "");
    EXPECT_EQ(o.text, "-s /Force /allusers -DIR=D:\\A=B /log=x.log /HELP");
    EXPECT_TRUE(parse_setup_options({"/SILENT", "/?", "/UNINSTALL"}).uninstall);
    for (const char* bad : {"/X", "/DIR", "/DIR=", "/LOG=", "/S=1", "-", "TEV", "/SILENTLY"})
        EXPECT_EQ(parse_setup_options({"/S", bad, "/Y"}).rejected, bad) << bad;
}

// setup_main with the arguments of setup.exe, in a distribution on drive C:.
class StartupOptions : public ::testing::Test {
protected:
    tz::SetupEnv env;
    void SetUp() override {
        ::mkdir((env.c_drive / "DIST").c_str(), 0777);
        tz::write_text(env.c_drive / "DIST/INSTALLD.FIL", "PK");
        set_dialog_runner([] { S.exit_code = SETUP_EXIT_DONE; });
    }
    void TearDown() override { set_dialog_runner(nullptr); }
};

TEST_F(StartupOptions, UsageRightsAndLogRefusalsChangeNothing) {
    const std::string usage = message_text(msg_usage, LANGUAGE_GERMAN);
    const struct {
        std::vector<std::string> arguments;
        bool rights;
        int code;
        tz::BoxKind kind;
        std::string text;  // with the usage's code page 850 converted
    } cases[] = {
        {{"/HELP"}, true, SETUP_EXIT_DONE, tz::BoxKind::info, "<usage>"},
        {{"/TYPO"}, true, SETUP_EXIT_BAD_COMMAND_LINE, tz::BoxKind::error, "\"/TYPO\"\r\r<usage>"},
        {{"/S", "/TYPO"}, true, SETUP_EXIT_BAD_COMMAND_LINE, tz::BoxKind::error, ""},  // unattended: no box
        {{"/LOG=C:\\NO\\SUCH\\FOLDER\\setup.log"}, true, SETUP_EXIT_BAD_COMMAND_LINE, tz::BoxKind::error,
         "\"/LOG=C:\\NO\\SUCH\\FOLDER\\setup.log\"\r\r<usage>"},
        {{"/ALLUSERS", "/DIR=C:\\TEV"}, false, SETUP_EXIT_NOT_ALLOWED, tz::BoxKind::error,
         "TEV f\xFCr alle Benutzer (/ALLUSERS) kann nur mit Administratorrechten installiert oder entfernt werden - "
         "es wurde nichts ver\xE4ndert!"},
        {{"/ALLUSERS"}, true, SETUP_EXIT_DONE, tz::BoxKind::info, ""},
    };
    const std::vector<std::string> before = tz::files_below(env.c_drive.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        reset_setup_state();
        env.install_recording_ui();
        env.clear_records();
        posix_set_machine_rights(c.rights);
        const int code = tz::capture_streams([&] {
                             tz::ScopedCwd elsewhere(env.d_drive.path());
                             return setup_main("C:\\DIST\\SETUP.EXE", parse_setup_options(c.arguments));
                         }).code;
        EXPECT_EQ(code, c.code);
        const auto boxes = env.boxes();
        EXPECT_EQ(tz::files_below(env.c_drive.path()), before);
        if (c.text.empty()) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, c.kind);
        std::string text = c.text;
        if (const size_t at = text.find("<usage>"); at != std::string::npos) text.replace(at, 7, message(msg_usage));
        EXPECT_EQ(boxes[0].text, text);
    }
    EXPECT_NE(usage.find("R\x81" "ckgabewerte: 0 installiert, 1 abgebrochen"), std::string::npos);
}

}  // namespace
