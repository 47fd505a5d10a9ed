// Option parsing, negation, invalid combinations, the usage text and the
// include / exclude / -d list rules, checked through complete engine runs.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/globals.h"
#include "engine_test_util.h"

namespace {

using tz::run_engine;

const std::string invalid_combination =
    "error:  -fn or any combination of -c, -l, -p, -t, -u and -v options invalid\n";
const std::string banner_start =
    "Unpack 1.0 of 8 December 2026, the archive engine of the TEV setup.\n";

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        cwd_ = std::make_unique<tz::ScopedCwd>(dir_.path());
        tz::Archive a = et::plain_archive({"a", "b", "c", "d"});
        a.comment = "the comment";
        a.write("t.zip");
    }
    void TearDown() override {
        cwd_.reset();
        // Kept option fields survive engine runs; later tests expect them clear.
        G.spaces_to_underscore = G.volume_label_level = G.keep_versions = 0;
    }
    tz::TempDir dir_;
    std::unique_ptr<tz::ScopedCwd> cwd_;
};

TEST_F(Options, ProgramNameAloneShowsUsageOnStandardOutput) {
    const auto r = run_engine({});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, r.out.find(banner_start));
    EXPECT_NE(std::string::npos,
              r.out.find("Usage: unzip [-Z] [-opts[modifiers]] file[.zip] [list] [-x xlist] "
                         "[-d exdir]\n"
                         "  Default action is to extract files in list, except those in xlist, "
                         "to exdir;\n"
                         "  file[.zip] may be a wildcard.  -Z => info mode (\"unzip -Z\" for "
                         "usage).\n\n"));
    for (const char* item :
         {"-c  extract files to stdout/screen (CRT)", "-l  list files (short format)",
          "-p  extract files to pipe, no messages", "-v  list files (verbose format)",
          "-f  freshen existing files, create none", "-t  test compressed archive data",
          "-u  update files, create if necessary", "-z  display archive comment",
          "-x  exclude files which follow (in xlist)", "-d  extract files into exdir",
          "\nmodifiers:", "-q  quiet mode (-qq => quieter)", "-n  never overwrite existing files",
          "-a  auto-convert any text files", "-o  overwrite files WITHOUT prompting",
          "-aa treat ALL files as text", "-j  junk paths (don't make directories)",
          " -U  don't make names lowercase", " -V  retain VMS version numbers",
          "  -$  label removables (-$$ => fixed disks)", "-s  spaces in filenames => '_'",
          "\nExamples (see the manual for more info):\n",
          "unzip data1 -x joe   => extract all files except joe from zipfile data1.zip\n",
          "unzip -p foo | more  => send contents of foo.zip via pipe into program more\n",
          "unzip -fo foo ReadMe => quietly replace existing ReadMe if archive file newer\n"})
        EXPECT_NE(std::string::npos, r.out.find(item)) << item;
    EXPECT_EQ(std::string::npos, r.out.find("%")) << "unfilled format place";
    // The usage ends with the last example line.
    const std::string last = "if archive file newer\n";
    EXPECT_EQ(r.out.size() - last.size(), r.out.rfind(last));
}

TEST_F(Options, OptionsWithoutArchiveNameShowUsageAsNoError) {
    const auto r = run_engine({"-l"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, r.out.find(banner_start));
}

TEST_F(Options, InvalidCombinationsPrintErrorAndUsageOnStandardError) {
    for (const char* word : {"-fn", "-ct", "-tv", "-cl", "-ut", "-pv", "-uv", "-f -n"}) {
        std::vector<std::string> args;
        std::string w = word;
        if (w == "-f -n") args = {"-f", "-n", "t.zip"};
        else args = {w, "t.zip"};
        const auto r = run_engine(args);
        EXPECT_EQ(10, r.code) << word;
        EXPECT_EQ("", r.out) << word;
        EXPECT_EQ(0u, r.err.find(invalid_combination + banner_start)) << word;
    }
}

TEST_F(Options, UnknownLetterShowsUsageOnStandardError) {
    const auto r = run_engine({"-lk", "t.zip"});
    EXPECT_EQ(10, r.code);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(0u, r.err.find("unknown option: -k\n" + banner_start));
    EXPECT_EQ(std::string::npos, r.err.find("error:"));
}

TEST_F(Options, IgnoredLettersAreAccepted) {
    const auto r = run_engine({"-ldex", "-qq", "t.zip"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), et::listed_names(r.out));
}

TEST_F(Options, NegationLowersCountersByTheNumberOfDashes) {
    auto r = run_engine({"-qq", "--q", "-l", "t.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(1, G.quiet_level);
    // Quiet level 1: no "Archive:" line and no comment, but header and totals.
    EXPECT_EQ(0u, r.out.find(" Length    Date    Time    Name"));

    r = run_engine({"-qqq", "---q", "-l", "t.zip"});
    EXPECT_EQ(1, G.quiet_level) << "the first dash only marks the option word";
    r = run_engine({"-qqq", "----q", "-l", "t.zip"});
    EXPECT_EQ(0, G.quiet_level);

    r = run_engine({"-q", "---q", "-l", "t.zip"});
    EXPECT_EQ(0, G.quiet_level) << "counters are floored at 0";

    // One negation applies to one letter only.
    r = run_engine({"-qqq", "--qq", "-l", "t.zip"});
    EXPECT_EQ(3, G.quiet_level);
}

TEST_F(Options, NegatedCommentLevelGoesBelowZeroAndHidesTheComment) {
    auto r = run_engine({"-l", "t.zip"});
    EXPECT_NE(std::string::npos, r.out.find("the comment\n"));

    r = run_engine({"--z", "-l", "t.zip"});
    EXPECT_EQ(-1, G.comment_level);
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(0u, r.out.find("Archive:  t.zip\n Length"));
    EXPECT_EQ(std::string::npos, r.out.find("the comment"));
}

TEST_F(Options, CommentOnlyRunShowsTheCommentEvenWhenQuiet) {
    auto r = run_engine({"-z", "t.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("Archive:  t.zip\nthe comment\n", r.out);
    EXPECT_EQ("", r.err);

    r = run_engine({"-qz", "t.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("the comment\n", r.out);
}

TEST_F(Options, NegatedLettersOfEachKind) {
    run_engine({"-aaa", "-l", "t.zip"});
    EXPECT_EQ(2, G.text_convert) << "clamped to 2";
    run_engine({"-aa", "--a", "-l", "t.zip"});
    EXPECT_EQ(1, G.text_convert);
    run_engine({"-a", "-b", "-l", "t.zip"});
    EXPECT_EQ(0, G.text_convert);
    run_engine({"-a", "--b", "-l", "t.zip"});
    EXPECT_EQ(1, G.text_convert) << "negated b does nothing";

    run_engine({"-p", "--p", "-l", "t.zip"});
    EXPECT_EQ(0, G.to_stdout);
    EXPECT_EQ(0, G.quiet_level);
    run_engine({"-qp", "-l", "--p", "t.zip"});
    EXPECT_EQ(0, G.to_stdout);
    EXPECT_EQ(1, G.quiet_level);

    run_engine({"-f", "--f", "-l", "t.zip"});
    EXPECT_EQ(0, G.freshen);
    EXPECT_EQ(0, G.update_only);

    run_engine({"-oo", "--o", "-l", "t.zip"});
    EXPECT_EQ(1, G.replace_all);
    EXPECT_EQ(1, G.no_prompts);

    // -v sets 2, a further -v or -l adds one; a negated v lowers it.
    auto r = run_engine({"-v", "t.zip"});
    EXPECT_EQ(2, G.list_level);
    r = run_engine({"-vv", "t.zip"});
    EXPECT_EQ(3, G.list_level);
    r = run_engine({"-lv", "t.zip"});
    EXPECT_EQ(2, G.list_level);
    r = run_engine({"-v", "--v", "t.zip"});
    EXPECT_EQ(1, G.list_level);
    EXPECT_NE(std::string::npos, r.out.find(" Length    Date    Time    Name")) << "short format";

    run_engine({"-U", "-l", "t.zip"});
    EXPECT_EQ(1, G.keep_case);
    run_engine({"-U", "--U", "-l", "t.zip"});
    EXPECT_EQ(0, G.keep_case);
}

TEST_F(Options, NeverAndOverwriteTogetherKeepNever) {
    const auto r = run_engine({"-nol", "t.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(0u, r.err.find("caution:  both -n and -o specified; ignoring -o\n"));
    EXPECT_EQ(1, G.never_overwrite);
    EXPECT_EQ(0, G.replace_all);
    EXPECT_EQ(1, G.no_prompts) << "the foreign-format answer keeps its value";
}

TEST_F(Options, KeptFieldsKeepTheirValueAcrossRuns) {
    run_engine({"-$$", "-s", "-V", "-q", "-U", "-l", "t.zip"});
    EXPECT_EQ(2, G.volume_label_level);
    EXPECT_EQ(1, G.spaces_to_underscore);
    EXPECT_EQ(1, G.keep_versions);

    run_engine({"-l", "t.zip"});
    EXPECT_EQ(2, G.volume_label_level);
    EXPECT_EQ(1, G.spaces_to_underscore);
    EXPECT_EQ(1, G.keep_versions);
    EXPECT_EQ(0, G.quiet_level) << "other options are reset";
    EXPECT_EQ(0, G.keep_case);

    run_engine({"--$", "--s", "--V", "-l", "t.zip"});
    EXPECT_EQ(1, G.volume_label_level);
    EXPECT_EQ(0, G.spaces_to_underscore);
    EXPECT_EQ(0, G.keep_versions);
}

TEST_F(Options, ProgramNameSelectsTheInformationMode) {
    run_engine({"-l", "t.zip"}, "", "/usr/bin/ZipInfo.exe");
    EXPECT_TRUE(G.info_mode);
    run_engine({"-l", "t.zip"}, "", "iinfo");
    EXPECT_TRUE(G.info_mode);
    run_engine({"-Z", "t.zip"});
    EXPECT_TRUE(G.info_mode);
    run_engine({"-l", "t.zip"}, "", "C:\\TOOLS\\UNZIP.EXE");
    EXPECT_FALSE(G.info_mode);
    // Windows spells the program's path with backslashes.
    run_engine({"-l", "t.zip"}, "", "C:\\TOOLS\\ZIPINFO.EXE");
    EXPECT_TRUE(G.info_mode);
    run_engine({"-l", "-Z", "t.zip"});
    EXPECT_FALSE(G.info_mode) << "only the first argument selects it";
    run_engine({"-l", "t.zip"}, "", "zipinf");
    EXPECT_FALSE(G.info_mode);
}

// ---- The argument list after the archive name.

class ListRules : public Options {
protected:
    std::vector<std::string> names(std::vector<std::string> args, std::string* err = nullptr,
                                   int* code = nullptr) {
        args.insert(args.begin(), {"-qq", "-l", "t.zip"});
        const auto r = run_engine(args);
        if (err) *err = r.err;
        if (code) *code = r.code;
        return et::listed_names(r.out);
    }
    using V = std::vector<std::string>;
    const std::string ignored = "caution:  not extracting; -d ignored\n";
    const std::string no_dir =
        "error:  must specify directory to which to extract with -d option\n";
};

TEST_F(ListRules, NoListSelectsAll) {
    EXPECT_EQ((V{"a", "b", "c", "d"}), names({}));
    EXPECT_TRUE(G.match_all);
}

TEST_F(ListRules, IncludePatterns) {
    EXPECT_EQ((V{"b", "d"}), names({"d", "b"}));
    EXPECT_EQ((V{"a", "b", "c"}), names({"[a-c]"}));
    EXPECT_EQ((V{}), names({"x*"}));
    EXPECT_FALSE(G.match_all);
}

TEST_F(ListRules, DestinationAloneSelectsAll) {
    std::string err;
    EXPECT_EQ((V{"a", "b", "c", "d"}), names({"-d", "dir"}, &err));
    EXPECT_EQ(ignored, err);
    EXPECT_EQ(1, G.dest_dir_given);
}

TEST_F(ListRules, DestinationEndsTheIncludeList) {
    std::string err;
    EXPECT_EQ((V{"a", "b"}), names({"a", "b", "-d", "dir", "c"}, &err));
    EXPECT_EQ(ignored, err);
    EXPECT_EQ(2, G.include_count);
}

TEST_F(ListRules, IncludeListAfterDestination) {
    EXPECT_EQ((V{"a", "c"}), names({"-d", "dir", "a", "c"}));
    EXPECT_EQ(2, G.include_count);
}

TEST_F(ListRules, Excludes) {
    EXPECT_EQ((V{"a", "c", "d"}), names({"-x", "b"}));
    EXPECT_EQ(0, G.include_count);
    EXPECT_EQ(1, G.exclude_count);
    EXPECT_EQ((V{"a", "c", "d"}), names({"-d", "dir", "-x", "b"}));
    EXPECT_EQ((V{"a"}), names({"a", "b", "-x", "b"}));
    EXPECT_EQ(2, G.include_count);
    EXPECT_EQ((V{"a", "d"}), names({"*", "-x", "b", "c"}));
    EXPECT_EQ(2, G.exclude_count);
    EXPECT_EQ((V{"a", "b", "c", "d"}), names({"-x"})) << "an empty exclude list";
    // After "-x", a word "-x" is a pattern like any other.
    EXPECT_EQ((V{"a", "c", "d"}), names({"-x", "b", "-x"}));
}

TEST_F(ListRules, DestinationEndsTheExcludeList) {
    std::string err;
    // "c" behind the destination belongs to no list.
    EXPECT_EQ((V{"a", "c", "d"}), names({"-x", "b", "-d", "dir", "c"}, &err));
    EXPECT_EQ(ignored, err);
    EXPECT_EQ(1, G.exclude_count);
    EXPECT_EQ((V{"c"}), names({"c", "d", "-x", "d", "-d", "dir"}));
    // Only the first "-d" takes a destination; a later one is a pattern.
    EXPECT_EQ((V{"a"}), names({"-d", "dir", "a", "-d"}));
}

TEST_F(ListRules, DestinationMissingIsRefused) {
    // "-d" without a folder: nothing is processed, whatever came before it.
    for (const V& words : {V{"a", "b", "-d"}, V{"-x", "b", "-d"}, V{"-d"}}) {
        std::string err;
        int code = -1;
        EXPECT_EQ((V{}), names(words, &err, &code));
        EXPECT_EQ(no_dir, err);
        EXPECT_EQ(10, code);
    }
}

TEST_F(ListRules, BackslashesBecomeSlashes) {
    tz::Archive a = et::plain_archive({"sub/x", "sub/y", "top"});
    a.write("s.zip");
    const auto r = run_engine({"-qq", "-l", "s.zip", "sub\\x", "-x", "sub\\y"});
    EXPECT_EQ((V{"sub/x"}), et::listed_names(r.out));
    // The archive name too.
    std::filesystem::create_directory(dir_ / "d");
    a.write(dir_ / "d/in.zip");
    const auto r2 = run_engine({"-qq", "-l", "d\\in.zip", "top"});
    EXPECT_EQ(0, r2.code) << r2.err;
    EXPECT_EQ((V{"top"}), et::listed_names(r2.out));
}

TEST_F(ListRules, PatternsFoldCaseOnlyForFatStyleNames) {
    tz::Archive a;
    a.add("FAT.TXT", "x").made_by_host = 0;       // listed as fat.txt (capitals alone)
    et::add_plain(a, "UNIX.TXT", "y");
    a.write("c.zip");
    auto r = run_engine({"-qq", "-l", "c.zip", "*.txt"});
    EXPECT_EQ((V{"fat.txt"}), et::listed_names(r.out));
    r = run_engine({"-qq", "-l", "c.zip", "FAT.*", "unix.txt"});
    EXPECT_EQ((V{"fat.txt"}), et::listed_names(r.out));
    r = run_engine({"-qq", "-l", "c.zip", "UNIX.TXT"});
    EXPECT_EQ((V{"UNIX.TXT"}), et::listed_names(r.out));
}

}  // namespace
