// Runs on one archive while the engine keeps its directory between runs: they
// print and return exactly what runs without the memo do, and the memo is
// dropped when the archive changes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <memory>

#include "engine/engine.h"
#include "engine_test_util.h"

namespace {

using Args = std::vector<std::string>;

// 150 members in three batches; capitals from a FAT-style host (shown and
// selected in lower case) beside names from a host that keeps their case.
tz::Archive sample_archive(const std::string& tag) {
    tz::Archive a;
    for (int i = 0; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "DIR/F%03d.TXT", i);
        tz::Member& m = a.add(name, std::string(name) + " " + tag);
        m.made_by_host = i % 3 == 0 ? 0 : 3;
    }
    return a;
}

const std::vector<Args> runs = {
    {"-t", "p.zip"},
    {"-p", "p.zip", "dir/f003.txt"},           // folded name
    {"-p", "p.zip", "DIR/F004.TXT"},           // name kept as stored
    {"-p", "p.zip", "DIR/F14?.TXT", "-x", "*F145*"},
    {"-qq", "-t", "p.zip", "DIR/F1*", "nothing*"},
    {"-t", "p.zip", "absent"},
    {"-o", "-d", "out", "p.zip", "DIR/F149.TXT", "dir/f000.txt"},
};

class DirectoryMemo : public ::testing::Test {
protected:
    void SetUp() override {
        cwd_ = std::make_unique<tz::ScopedCwd>(dir_.path());
        sample_archive("data").write("p.zip");
    }
    void TearDown() override {
        engine_keep_between_runs(false);
        cwd_.reset();
    }
    static std::string outcome(const Args& args) {
        const tz::EngineRun r = tz::run_engine(args);
        return std::to_string(r.code) + "\n" + r.out + "--\n" + r.err;
    }
    tz::TempDir dir_;
    std::unique_ptr<tz::ScopedCwd> cwd_;
};

TEST_F(DirectoryMemo, KeptDirectoryChangesNoRunsOutputOrResult) {
    std::vector<std::string> plain;
    for (const Args& a : runs) plain.push_back(outcome(a));
    engine_keep_between_runs(true);
    for (int round = 0; round < 2; ++round)  // the first records, the second reads the memo
        for (size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(plain[i], outcome(runs[i])) << i << "/" << round;
}

TEST_F(DirectoryMemo, MemoIsReadAndDroppedWhenTheArchiveChanges) {
    const Args one = {"-p", "p.zip", "DIR/F004.TXT"};
    engine_keep_between_runs(true);
    const std::string good = outcome(one);
    EXPECT_NE(std::string::npos, good.find("DIR/F004.TXT data"));

    // An entry that is not selected is damaged in place, size and time kept:
    // the memo passes it by, a fresh read of the directory reports it.
    struct stat st {};
    ASSERT_EQ(0, stat("p.zip", &st));
    tz::Bytes bytes = tz::read_file("p.zip");
    size_t seen = 0;
    for (size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (bytes[i] == 'P' && bytes[i + 1] == 'K' && bytes[i + 2] == 1 && bytes[i + 3] == 2 && ++seen == 100)
            bytes[i + 3] = 9;
    tz::write_file("p.zip", bytes);
    const utimbuf times{st.st_atime, st.st_mtime};
    ASSERT_EQ(0, utime("p.zip", &times));
    EXPECT_EQ(good, outcome(one));
    engine_keep_between_runs(false);
    EXPECT_NE(std::string::npos, outcome(one).find("expected central file header signature not found"));

    // A changed archive is read again.
    engine_keep_between_runs(true);
    sample_archive("data").write("p.zip");
    EXPECT_EQ(good, outcome(one));
    sample_archive("changed data").write("p.zip");
    EXPECT_NE(std::string::npos, outcome(one).find("DIR/F004.TXT changed data"));
}

// Another archive of the same size, time, directory offset and entry count
// takes the payload's place between two runs: the entry at the remembered
// place is another one, so the memo is dropped and the directory read again.
TEST_F(DirectoryMemo, AnotherArchiveOfTheSameSizeAndTimeIsReadAgain) {
    const auto swapped = [](int renamed) {
        tz::Archive a = sample_archive("data");
        std::swap(a.members[4], a.members[5]);
        if (renamed >= 0) a.members[5].name[5] = static_cast<char>('0' + renamed);  // DIR/F004 becomes DIR/F?04
        return a;
    };
    const struct {
        const char* what;
        tz::Archive archive;
        int unmatched;
    } cases[] = {
        {"the member at another place", swapped(-1), 0},
        {"the member gone", swapped(9), 1},
    };
    const Args one = {"-p", "p.zip", "DIR/F004.TXT"};
    struct stat st {};
    ASSERT_EQ(0, stat("p.zip", &st));
    const utimbuf times{st.st_atime, st.st_mtime};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.archive.write("p.zip");
        ASSERT_EQ(0, utime("p.zip", &times));
        const std::string plain = outcome(one);
        engine_keep_between_runs(true);
        sample_archive("data").write("p.zip");
        ASSERT_EQ(0, utime("p.zip", &times));
        EXPECT_NE(std::string::npos, outcome(one).find("DIR/F004.TXT data"));  // the memo is made
        c.archive.write("p.zip");
        ASSERT_EQ(0, utime("p.zip", &times));
        ASSERT_EQ(static_cast<off_t>(tz::read_file("p.zip").size()), st.st_size);
        EXPECT_EQ(plain, outcome(one));
        EXPECT_EQ(c.unmatched, engine_unmatched_patterns());
        engine_keep_between_runs(false);
    }
}

}  // namespace
