// Rewriting the path settings file for the new installation, in both layouts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "migration/path_rewrite.h"
#include "setup/setup_state.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

class PathRewrite : public ::testing::Test {
protected:
    SetupEnv env;
    std::string file;
    void SetUp() override {
        ::mkdir((env.c_drive / "NEW").c_str(), 0777);
        ::mkdir((env.c_drive / "NEW/OPTIONS").c_str(), 0777);
        file = env.c_drive / "NEW/OPTIONS/STANDARD.TPA";
        S.destination_path = "C:\\NEW";
        S.options_path = "C:\\NEW\\OPTIONS";
        S.log_path = "C:\\NEW\\LOG";
        S.script_path = "C:\\NEWER\\X";
        S.upload_path = "D:\\UP";
        S.download_path = "C:\\NEW\\DOWNLOAD";
    }
    std::string rewrite(const std::string& source) {
        tz::write_text(file, source);
        rewrite_path_file("OPTIONS\\STANDARD.TPA");
        EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/OPTIONS/STANDARD.TMP"));
        return tz::read_text(file);
    }
};

TEST(StripPrefix, OnlyWholeDirectories) {
    EXPECT_EQ(strip_prefix("C:\\NEW", "C:\\NEW\\DOWNLOAD"), "DOWNLOAD");
    EXPECT_EQ(strip_prefix("C:\\NEW", "c:\\new\\log\\sub"), "log\\sub");
    EXPECT_EQ(strip_prefix("C:\\NEW", "D:\\UP"), "D:\\UP");
    EXPECT_EQ(strip_prefix("C:\\NEW", "C:\\NEWER\\X"), "C:\\NEWER\\X");
    EXPECT_EQ(strip_prefix("C:\\NEW", "C:\\NEW"), "");
    EXPECT_EQ(strip_prefix("C:\\", "C:\\LOG"), "LOG");
    EXPECT_EQ(strip_prefix("", "\\UP"), "\\UP");
}

TEST_F(PathRewrite, KeywordLayoutRewritesTheFivePathsAndKeepsOtherLines) {
    const std::string out = rewrite("TEV3.06\n"
                                    "# comment\n"
                                    "DownloadPath=\"DOWNLOAD\"\n"
                                    "uploadpath=\"UPLOAD\"\n"
                                    "CapturePath=\"C:\\OLD\\LOG\"\n"
                                    "\n"
                                    "ScriptPath=\"SCRIPT\"\n"
                                    "OptsPath=\"OPTIONS\"\n"
                                    "Last=\"1\"\n");
    EXPECT_EQ(out, "TEV3.06\n"
                   "# comment\n"
                   "DownloadPath=\"DOWNLOAD\"\n"
                   "uploadpath=\"D:\\UP\"\n"
                   "CapturePath=\"LOG\"\n"
                   "\n"
                   "ScriptPath=\"C:\\NEWER\\X\"\n"
                   "OptsPath=\"OPTIONS\"\n"
                   "Last=\"1\"\n");
}

TEST_F(PathRewrite, NoLineIsAddedSplitOrCut) {
    const std::string long_line = "Comment=" + std::string(400, 'c');
    EXPECT_EQ(rewrite("TEV2.60\r\n" + long_line + "\r\nOptsPath=\"X\""),
              "TEV2.60\n" + long_line + "\nOptsPath=\"OPTIONS\"\n");
}

TEST_F(PathRewrite, LineLayoutReplacesItsPathLines) {
    EXPECT_EQ(rewrite("TEV2.06\ndown\nthree\nup\nfive\nlog\nscript\noptions\nnine\n"),
              "TEV2.06\nDOWNLOAD\nthree\nD:\\UP\nfive\nLOG\nC:\\NEWER\\X\nOPTIONS\nnine\n");
    // Missing lines still produce the path lines.
    EXPECT_EQ(rewrite("TEV2.06\ndown\nthree\n"), "TEV2.06\nDOWNLOAD\nthree\nD:\\UP\n\nLOG\nC:\\NEWER\\X\nOPTIONS\n");
}

TEST_F(PathRewrite, MissingSourceAndBadNamesChangeNothing) {
    rewrite_path_file("OPTIONS\\MISSING.TPA");
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/OPTIONS/STANDARD.TMP"));
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/OPTIONS/MISSING.TPA"));

    tz::write_text(file, "TEV3.00\nOptsPath=\"X\"\n");
    const tz::EngineRun run = tz::capture_streams([] {
        rewrite_path_file("STANDARD.TPA");
        return 0;
    });
    EXPECT_EQ(tz::read_text(file), "TEV3.00\nOptsPath=\"X\"\n");
    EXPECT_EQ(run.err, "assertion failed: strchr(name, '\\\\') != NULL, file imisc, line 399\n");
}

TEST_F(PathRewrite, UnwritableTemporaryFileLeavesTheSource) {
    ::mkdir((env.c_drive / "NEW/OPTIONS/STANDARD.TMP").c_str(), 0777);  // a folder in the way
    tz::write_text(file, "TEV3.00\nOptsPath=\"X\"\n");
    rewrite_path_file("OPTIONS\\STANDARD.TPA");
    EXPECT_EQ(tz::read_text(file), "TEV3.00\nOptsPath=\"X\"\n");
}

}  // namespace
