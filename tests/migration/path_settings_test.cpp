// Reading an earlier installation's path settings in both layouts, the version
// rules, and the path arithmetic that derives the new directories.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "migration/path_settings.h"
#include "setup/setup_state.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

class PathSettings : public ::testing::Test {
protected:
    SetupEnv env;
    void SetUp() override {
        ::mkdir((env.c_drive / "OLD").c_str(), 0777);
        ::mkdir((env.c_drive / "OLD/OPTIONS").c_str(), 0777);
        S.existing_path = "C:\\OLD";
    }
    void write_keyword_file(const std::string& text) { tz::write_text(env.c_drive / "OLD/OPTIONS/STANDARD.TPA", text); }
    void write_line_file(const std::string& text) { tz::write_text(env.c_drive / "OLD/OPTIONS/TEVPATH.DAT", text); }
    bool read() { return read_existing_paths("C:\\OLD\\OPTIONS\\STANDARD.TPA", "C:\\OLD\\OPTIONS\\TEVPATH.DAT"); }
};

TEST_F(PathSettings, KeywordLayoutTakesOnlyTheKeywordsPresent) {
    write_keyword_file("TEV2.51\n"
                       "CapturePath=\"C:\\LOGS\"\n"
                       "downloadpath=\"D:\\IN\"\n"
                       "Other=\"x\"\n"
                       "OptsPath=\"D:\\OPT\"\n");
    EXPECT_TRUE(read());
    EXPECT_TRUE(S.existing_found);
    EXPECT_EQ(S.existing_paths[DIR_LOG], "C:\\LOGS");
    EXPECT_EQ(S.existing_paths[DIR_DOWNLOAD], "D:\\IN");
    EXPECT_EQ(S.existing_paths[DIR_OPTIONS], "D:\\OPT");
    EXPECT_EQ(S.existing_paths[DIR_UPLOAD], "UPLOAD");
    EXPECT_EQ(S.existing_paths[DIR_SCRIPT], "SCRIPT");
    EXPECT_EQ(S.existing_version, "2.51");
    EXPECT_TRUE(S.existing_is_beta);  // 2.50 to 2.99 in this layout
    EXPECT_EQ(S.existing_options_dir, "D:\\OPT");
    EXPECT_EQ(S.existing_script_dir, "C:\\OLD\\SCRIPT");
}

TEST_F(PathSettings, LineEndsAndClosingQuotesAreRemovedOnlyWhenPresent) {
    std::string long_value = "C:\\" + std::string(240, 'L');
    write_keyword_file("TEV3.00\r\n"
                       "ScriptPath=\"C:\\SCR\"\r\n"
                       "UploadPath=\"C:\\UP\n"
                       "CapturePath=\"" + long_value + "\"\n"
                       "DownloadPath=\"C:\\LAST\"");
    EXPECT_TRUE(read());
    EXPECT_EQ(S.existing_version, "3.00");
    EXPECT_FALSE(S.existing_is_beta);
    EXPECT_EQ(S.existing_paths[DIR_SCRIPT], "C:\\SCR");
    EXPECT_EQ(S.existing_paths[DIR_UPLOAD], "C:\\UP");  // no quote: nothing cut
    EXPECT_EQ(S.existing_paths[DIR_LOG], long_value);    // long lines are read whole
    EXPECT_EQ(S.existing_paths[DIR_DOWNLOAD], "C:\\LAST");  // last line without newline
}

TEST_F(PathSettings, OverlongLinesAreNeitherSplitNorTaken) {
    const std::string too_long = "C:\\" + std::string(300, 'x');
    write_keyword_file("TEV2.55\nCapturePath=\"" + too_long + "\"\nScriptPath=\"C:\\S\"\n");
    EXPECT_TRUE(read());
    EXPECT_EQ(S.existing_paths[DIR_LOG], "LOG");
    EXPECT_EQ(S.existing_paths[DIR_SCRIPT], "C:\\S");
}

TEST_F(PathSettings, LineLayoutWithAndWithoutTheExtraLine) {
    // From version text 2.50 on (2.50 itself included) line 7 is not used.
    const struct {
        const char* version;
        const char* script;
        const char* options;
    } cases[] = {{"2.49", "unused", "SCRIPTS"}, {"2.50", "SCRIPTS", "OPTS"}, {"2.51", "SCRIPTS", "OPTS"}};
    for (const auto& c : cases) {
        reset_existing_paths();
        write_line_file(std::string("TEV") + c.version + "\nD:\\DOWN\nx\nD:\\UP\nx\nLOGS\nunused\nSCRIPTS\nOPTS\nafter\n");
        EXPECT_TRUE(read());
        EXPECT_FALSE(S.existing_is_beta);
        const std::vector<std::string> paths(S.existing_paths.begin(), S.existing_paths.end());
        EXPECT_EQ(paths, (std::vector<std::string>{"LOGS", c.options, c.script, "D:\\UP", "D:\\DOWN"})) << c.version;
        EXPECT_EQ(S.existing_options_dir, "C:\\OLD\\" + std::string(c.options)) << c.version;
    }

    reset_existing_paths();
    write_line_file("TEV2.10\r\nD:\\DOWN\r\nx\r\nD:\\UP\r\nx\r\nLOGS\r\nSCRIPTS\r\n");
    EXPECT_TRUE(read());
    EXPECT_EQ(S.existing_paths[DIR_SCRIPT], "SCRIPTS");
    EXPECT_EQ(S.existing_paths[DIR_OPTIONS], "OPTIONS");  // a missing line keeps the default name
    EXPECT_EQ(S.existing_version, "2.10");
}

TEST_F(PathSettings, BetaVersionsOfTheLineLayout) {
    const struct {
        const char* version;
        bool beta;
    } cases[] = {{"1.90", true}, {"2.05", false}, {"2.06", true}, {"2.09", true}, {"2.10", false}, {"2.00", false}};
    for (const auto& c : cases) {
        write_line_file(std::string("TEV") + c.version + "\n");
        EXPECT_TRUE(read());
        EXPECT_EQ(S.existing_is_beta, c.beta) << c.version;
    }
}

TEST_F(PathSettings, BetaVersionsOfTheKeywordLayout) {
    const struct {
        const char* version;
        bool beta;
    } cases[] = {{"2.49", false}, {"2.50", true}, {"2.99", true}, {"3.00", false}};
    for (const auto& c : cases) {
        write_keyword_file(std::string("TEV") + c.version + "\n");
        EXPECT_TRUE(read());
        EXPECT_EQ(S.existing_is_beta, c.beta) << c.version;
    }
}

TEST_F(PathSettings, KeywordFileWinsAndNothingFound) {
    write_keyword_file("TEV2.80\nOptsPath=\"KW\"\n");
    write_line_file("TEV2.06\nA\nB\nC\nD\nE\nF\nG\n");
    EXPECT_TRUE(read());
    EXPECT_EQ(S.existing_paths[DIR_OPTIONS], "KW");
    EXPECT_EQ(S.existing_options_dir, "C:\\OLD\\KW");

    EXPECT_FALSE(read_existing_paths("C:\\NONE\\A", "C:\\NONE\\B"));
    EXPECT_FALSE(S.existing_found);
    EXPECT_FALSE(S.existing_is_beta);
    EXPECT_EQ(S.existing_version, "");
    EXPECT_EQ(S.existing_options_dir, "");

    S.existing_paths[DIR_LOG] = "X";
    S.existing_found = true;
    reset_existing_paths();
    EXPECT_EQ(S.existing_paths[DIR_LOG], "LOG");
    EXPECT_EQ(S.existing_paths[DIR_DOWNLOAD], "DOWNLOAD");
    EXPECT_FALSE(S.existing_found);
}

TEST_F(PathSettings, LiesOutsideRespectsDirectoryBoundaries) {
    EXPECT_FALSE(lies_outside_existing("C:\\OLD\\LOG"));
    EXPECT_FALSE(lies_outside_existing("c:\\old"));
    EXPECT_TRUE(lies_outside_existing("C:\\OLDER\\LOG"));
    EXPECT_TRUE(lies_outside_existing("D:\\LOGS"));
    EXPECT_TRUE(lies_outside_existing("\\LOGS"));
    EXPECT_FALSE(lies_outside_existing("LOG"));
    S.existing_path.clear();
    EXPECT_TRUE(lies_outside_existing("D:\\LOGS"));
    EXPECT_FALSE(lies_outside_existing("LOG"));
}

TEST_F(PathSettings, RebaseExamples) {
    std::string out;
    EXPECT_TRUE(rebase_path("C:\\NEW", out, "LOG"));
    EXPECT_EQ(out, "C:\\NEW\\LOG");
    EXPECT_TRUE(rebase_path("C:\\NEW", out, "C:\\OLD\\LOG"));
    EXPECT_EQ(out, "C:\\NEW\\LOG");
    EXPECT_TRUE(rebase_path("C:\\NEW", out, "D:\\LOGS"));
    EXPECT_EQ(out, "D:\\LOGS");
    EXPECT_TRUE(rebase_path("C:\\", out, "LOG"));
    EXPECT_EQ(out, "C:\\LOG");
    EXPECT_TRUE(rebase_path("", out, "LOG"));
    EXPECT_EQ(out, "");
    // Beside the existing directory, not inside it: stays where it is.
    EXPECT_TRUE(rebase_path("C:\\NEW", out, "C:\\OLDER\\LOG"));
    EXPECT_EQ(out, "C:\\OLDER\\LOG");
    EXPECT_FALSE(rebase_path("C:\\" + std::string(250, 'n'), out, "DOWNLOAD"));
    EXPECT_EQ(out, "");
}

TEST_F(PathSettings, MakeAbsoluteFromTheCurrentDirectory) {
    ::mkdir((env.c_drive / "WORK").c_str(), 0777);
    ::mkdir((env.c_drive / "WORK/DIR").c_str(), 0777);
    tz::ScopedCwd cwd(env.c_drive / "WORK/DIR");
    const struct {
        const char* typed;
        const char* absolute;
    } cases[] = {
        {"C:\\X", "C:\\X"},     {"D:", "D:\\"},          {"\\TEV", "C:\\TEV"},
        {"TEV", "C:\\WORK\\DIR\\TEV"}, {"..\\TEV", "C:\\WORK\\TEV"}, {"..\\..\\..\\T", "C:\\T"},
        {"C:T", "C:\\WORK\\DIR\\T"}, {"D:T", "D:\\T"},
    };
    for (const auto& c : cases) {
        std::string path = c.typed;
        EXPECT_TRUE(make_absolute(path)) << c.typed;
        EXPECT_EQ(path, c.absolute) << c.typed;
    }
    std::string too_long(258, 'x');
    EXPECT_FALSE(make_absolute(too_long));
    EXPECT_EQ(too_long, std::string(258, 'x'));

    tz::ScopedCwd root(env.c_drive.path());
    std::string at_root = "TEV";
    EXPECT_TRUE(make_absolute(at_root));
    EXPECT_EQ(at_root, "C:\\TEV");
}

TEST(CopyChoices, EachNeedsTwoDifferentPathsAndFoundSettings) {
    struct Case {
        const char* what;
        void (*change)(SetupState&);
        bool options, phone_book, scripts;
    };
    const Case cases[] = {
        {"settings not read", [](SetupState& s) { s.existing_found = false; }, false, false, false},
        {"all offered", [](SetupState&) {}, true, true, true},
        {"the same folder in other letters", [](SetupState& s) { s.existing_script_dir = "c:\\new\\script"; },
         true, true, false},
        {"no destination", [](SetupState& s) { s.destination_path.clear(); }, true, false, true},
        {"no earlier options folder", [](SetupState& s) { s.existing_options_dir.clear(); }, false, true, true},
        {"no earlier installation", [](SetupState& s) { s.existing_path.clear(); }, true, false, true},
    };
    for (const Case& c : cases) {
        SetupState state;
        state.existing_path = "C:\\OLD";
        state.destination_path = "C:\\NEW";
        state.options_path = "C:\\NEW\\OPTIONS";
        state.script_path = "C:\\NEW\\SCRIPT";
        state.existing_options_dir = "C:\\OLD\\OPTIONS";
        state.existing_script_dir = "C:\\OLD\\SCRIPT";
        state.existing_found = true;
        c.change(state);
        const CopyChoices got = copy_choices(state);
        EXPECT_EQ((std::vector<bool>{got.options, got.phone_book, got.scripts}),
                  (std::vector<bool>{c.options, c.phone_book, c.scripts}))
            << c.what;
    }
}

}  // namespace
