// The loop over archive names: wildcard expansion of the archive argument, the
// ".zip" retry and the summary lines.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "engine_test_util.h"
#include "hostfs/dirscan.h"

namespace {

using tz::run_engine;
namespace fs = std::filesystem;

class ArchiveLoop : public ::testing::Test {
protected:
    void SetUp() override { cwd_ = std::make_unique<tz::ScopedCwd>(dir_.path()); }
    void TearDown() override { cwd_.reset(); }
    void good(const std::string& path) { et::plain_archive({"m"}).write(path); }
    tz::TempDir dir_;
    std::unique_ptr<tz::ScopedCwd> cwd_;
};

// ---- next_wild_match

std::multiset<std::string> all_matches(const char* argument) {
    std::multiset<std::string> names;
    for (int guard = 0; guard < 100; ++guard) {
        const char* r = next_wild_match(argument);
        if (!r) return names;
        names.insert(r);
    }
    ADD_FAILURE() << "the sequence does not end";
    return names;
}

TEST_F(ArchiveLoop, WildcardExpansion) {
    using S = std::multiset<std::string>;
    good("a.zip");
    good("b.ZIP");
    tz::write_text("c.txt", "x");
    fs::create_directory("SUB");
    good("SUB/d.zip");
    good("SUB/e.zip");
    tz::write_text("SUB/f.txt", "x");

    EXPECT_EQ((S{"a.zip", "b.ZIP"}), all_matches("*.ZIP"));
    EXPECT_EQ((S{"a.zip", "b.ZIP"}), all_matches("*.zip")) << "case folded both ways";
    EXPECT_EQ((S{"SUB/d.zip", "SUB/e.zip"}), all_matches("SUB/*.zip"));
    EXPECT_EQ((S{"SUB/d.zip"}), all_matches("SUB/[d]*"));
    // Without wildcards: the file as the host spells it, once.
    EXPECT_EQ((S{"c.txt"}), all_matches("c.txt"));
    EXPECT_EQ((S{"c.txt"}), all_matches("C.TXT"));
    EXPECT_EQ((S{"SUB/f.txt"}), all_matches("SUB/F.TXT"));
    // No match: the argument itself, once.
    EXPECT_EQ((S{"*.arc"}), all_matches("*.arc"));
    EXPECT_EQ((S{"nothere"}), all_matches("nothere"));
    EXPECT_EQ((S{"NOSUB/*.zip"}), all_matches("NOSUB/*.zip")) << "directory cannot be searched";
    // Directories and "." take part like files.
    const S every = all_matches("*");
    EXPECT_EQ(1u, every.count("SUB"));
    EXPECT_EQ(1u, every.count("."));
    EXPECT_EQ(1u, every.count("a.zip"));
    // A fresh sequence starts after the previous one ended.
    EXPECT_EQ((S{"a.zip", "b.ZIP"}), all_matches("*.zip"));
}

TEST_F(ArchiveLoop, KeptMatchesAreHandedOutAgainWithoutReadingTheFolder) {
    using S = std::multiset<std::string>;
    good("a.zip");
    good("b.ZIP");
    keep_wild_matches(true);
    EXPECT_EQ((S{"a.zip", "b.ZIP"}), all_matches("*.zip"));
    good("c.zip");  // not seen while the matches are kept
    EXPECT_EQ((S{"a.zip", "b.ZIP"}), all_matches("*.zip"));
    EXPECT_EQ((S{"a.zip", "b.ZIP"}), all_matches("*.zip"));
    // Another argument is looked up, and kept in turn.
    EXPECT_EQ((S{"nothere"}), all_matches("nothere"));
    EXPECT_EQ((S{"nothere"}), all_matches("nothere"));
    EXPECT_EQ((S{"a.zip", "b.ZIP", "c.zip"}), all_matches("*.zip"));
    good("d.zip");
    keep_wild_matches(false);
    EXPECT_EQ((S{"a.zip", "b.ZIP", "c.zip", "d.zip"}), all_matches("*.zip"));
}

TEST_F(ArchiveLoop, OverlongResultsAreRefused) {
    // A directory path that, with the entry name, exceeds 260 characters.
    std::string deep = ".";
    while (deep.size() < 250) {
        deep += "/" + std::string(40, 'd');
        fs::create_directory(deep);
    }
    good(deep + "/long-enough-name.zip");
    good(deep + "/x.zip");
    const std::string pattern = deep + "/*.zip";
    std::multiset<std::string> got = all_matches(pattern.c_str());
    const bool long_fits = deep.size() + 1 + 21 <= 260;
    const bool short_fits = deep.size() + 1 + 5 <= 260;
    EXPECT_EQ(long_fits ? 1u : 0u, got.count(deep + "/long-enough-name.zip"));
    EXPECT_EQ(short_fits ? 1u : 0u, got.count(deep + "/x.zip"));
    for (const std::string& g : got) EXPECT_LE(g.size(), 260u);
}

// ---- The archive loop and its summary.

TEST_F(ArchiveLoop, OneGoodArchivePrintsNoSummary) {
    good("a.zip");
    const auto r = run_engine({"-l", "a.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, r.out.find("Archive:  a.zip\n"));
}

TEST_F(ArchiveLoop, SeveralArchivesAreSeparatedAndCounted) {
    good("a.zip");
    good("b.zip");
    auto r = run_engine({"-l", "*.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("\n2 archives were successfully processed.\n", r.err);
    // One empty line between the two listings, none before the first.
    EXPECT_NE(std::string::npos, r.out.find("   1      \n\nArchive:  "));
    EXPECT_EQ(0u, r.out.find("Archive:  "));

    // Quiet: no separating line.
    r = run_engine({"-qql", "*.zip"});
    EXPECT_EQ(std::string::npos, r.out.find("\n\n"));
    EXPECT_EQ(2u, et::listed_names(r.out).size());
    EXPECT_EQ("\n2 archives were successfully processed.\n", r.err);
}

TEST_F(ArchiveLoop, MixedResultsAreCountedByKind) {
    good("a.zip");
    tz::write_text("b.zip", std::string(100, 'x'));  // no directory
    tz::Archive empty;
    empty.write("c.zip");                              // warning
    tz::Archive multi = et::plain_archive({"m"});
    multi.disk_number = 3;
    multi.central_start_disk = 3;
    multi.write("d.zip");                              // fatal
    const auto r = run_engine({"-qql", "*.zip"});
    EXPECT_EQ(11, r.code) << "the worst result";
    const std::string summary =
        "\n1 archive was successfully processed.\n"
        "1 archive had warnings but no fatal errors.\n"
        "1 archive had fatal errors.\n"
        "1 file had no zipfile directory.\n";
    ASSERT_GE(r.err.size(), summary.size());
    EXPECT_EQ(summary, r.err.substr(r.err.size() - summary.size()));
    // Quiet: the name of the file without directory is shown with the message.
    EXPECT_NE(std::string::npos, r.err.find("[b.zip]\n" + et::no_end_record));
}

TEST_F(ArchiveLoop, PluralsOfTheSummaryLines) {
    for (const char* n : {"a.zip", "b.zip"}) tz::Archive().write(n);
    for (const char* n : {"c.zip", "d.zip"}) tz::write_text(n, "not an archive at all, clearly");
    auto r = run_engine({"-qql", "*.zip"});
    EXPECT_EQ(9, r.code);
    const std::string summary =
        "\n2 archives had warnings but no fatal errors.\n"
        "2 files had no zipfile directory.\n";
    EXPECT_EQ(summary, r.err.substr(r.err.size() - summary.size()));
}

TEST_F(ArchiveLoop, NonArchiveWithoutTwin) {
    tz::write_text("notes", std::string(3000, 'n'));
    const auto r = run_engine({"-l", "notes"});
    EXPECT_EQ(9, r.code);
    EXPECT_EQ("Archive:  notes\n", r.out);
    EXPECT_EQ(et::no_end_record +
                  "unzip:  can't find zipfile directory in notes,\n"
                  "        and can't find notes.zip, period.\n"
                  "\nNo zipfiles found.\n",
              r.err);
}

TEST_F(ArchiveLoop, NonArchiveWithTwinProcessesTheTwin) {
    tz::write_text("pay", std::string(50, 'n'));
    good("pay.zip");
    const auto r = run_engine({"-l", "pay"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(et::no_end_record, r.err);
    EXPECT_EQ(0u, r.out.find("Archive:  pay\nArchive:  pay.zip\n"));
    const std::string totals = "      6                    1      \n";
    EXPECT_EQ(totals, r.out.substr(r.out.size() - totals.size()));
}

TEST_F(ArchiveLoop, MissingNameTriesZip) {
    good("only.zip");
    auto r = run_engine({"-l", "only"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, r.out.find("Archive:  only.zip\n"));

    r = run_engine({"-l", "nothere"});
    EXPECT_EQ(9, r.code);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("unzip:  can't find either nothere or nothere.zip, so there.\n\nNo zipfiles found.\n",
              r.err);

    r = run_engine({"-l", "*.arc"});
    EXPECT_EQ(9, r.code);
    EXPECT_EQ("unzip:  can't find either *.arc or *.arc.zip, so there.\n\nNo zipfiles found.\n",
              r.err);
}

TEST_F(ArchiveLoop, DirectoryWithZipBesideIt) {
    fs::create_directory("foo");
    good("foo.zip");
    const auto r = run_engine({"-l", "foo"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err) << "one success, nothing else counted";
    EXPECT_EQ(0u, r.out.find("Archive:  foo.zip\n"));
}

TEST_F(ArchiveLoop, DirectoryWithoutZip) {
    fs::create_directory("foo");
    const auto r = run_engine({"-l", "foo"});
    EXPECT_EQ(9, r.code);
    EXPECT_EQ("unzip:  can't find either foo or foo.zip, so there.\n\nNo zipfiles found.\n", r.err);
}

TEST_F(ArchiveLoop, SeveralDirectoriesAreNotASuccess) {
    fs::create_directory("d1");
    fs::create_directory("d2");
    auto r = run_engine({"-l", "d?"});
    EXPECT_EQ("\n2 \"zipfiles\" were directories.\nNo zipfiles found.\n", r.err);
    EXPECT_EQ(9, r.code) << "nothing was processed";

    good("d3");
    r = run_engine({"-l", "d?"});
    EXPECT_EQ("\n1 archive was successfully processed.\n2 \"zipfiles\" were directories.\n",
              r.err);
    EXPECT_EQ(0, r.code);
}

TEST_F(ArchiveLoop, ExecutableNonArchiveGetsANote) {
    tz::write_text("tool", std::string(4000, 'e'));
    ::chmod("tool", 0755);
    const auto r = run_engine({"-l", "tool"});
    EXPECT_EQ(9, r.code);
    EXPECT_EQ(0u, r.err.find(et::no_end_record + "note:  tool may be an executable, not an archive\n"
                                                  "unzip:  can't find zipfile directory in tool,\n"));
}

}  // namespace
