// The journal of an installation: what a rollback puts back, what it names
// when it cannot, and what it refuses to change in the first place.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>

#include "migration/file_helpers.h"
#include "migration/journal.h"
#include "platform/crt.h"
#include "platform/registry.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

const char* const KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TEV";

// Every file with its content and every folder of a drive.
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        const std::string name = e.path().string().substr(root.size());
        entries[name] = e.is_directory() ? "<folder>" : tz::read_text(e.path().string());
    }
    return entries;
}

class Journal : public ::testing::Test {
protected:
    SetupEnv env;
    void SetUp() override {
        for (const char* dir : {"DIST", "TEV", "TEV/SCRIPT", "TEV/SCRIPT/SAMPLES"}) ::mkdir((env.c_drive / dir).c_str(), 0777);
        tz::write_text(env.c_drive / "DIST/NEW.TXT", "new file");
        tz::write_text(env.c_drive / "DIST/PHONEBK", "default numbers");
        tz::write_text(env.c_drive / "TEV/PHONEBK", "my numbers");
        tz::write_text(env.c_drive / "TEV/TEV16.EXE", "an obsolete program");
        RegistryValue name{"DisplayName", false, "an older TEV"};
        ASSERT_TRUE(registry_write(RegistryRoot::user, KEY, name));
    }
    void TearDown() override { journal_commit(); }
    // Copies a file of the distribution into the installation through the journal.
    bool install(const char* from, const std::string& to) {
        std::string target = to;
        return copy_file(std::string("C:\\DIST\\") + from, target, false);
    }
};

TEST_F(Journal, RollbackPutsBackFilesFoldersAndRegistryValues) {
    const auto before = snapshot(env.c_drive.path());
    journal_begin("C:\\TEV");
    ASSERT_TRUE(install("NEW.TXT", "C:\\TEV\\NEW.TXT"));
    ASSERT_TRUE(install("PHONEBK", "C:\\TEV\\PHONEBK"));
    ASSERT_TRUE(journal_make_folder("C:\\TEV\\SUB"));
    ASSERT_TRUE(install("NEW.TXT", "C:\\TEV\\SUB\\NEW.TXT"));
    ASSERT_TRUE(install("NEW.TXT", "C:\\TEV\\NEW.TXT"));  // a second write of a file keeps its first state
    convert_or_clean("C:\\TEV", 1);                        // deletes TEV16.EXE and the empty samples folder
    ASSERT_TRUE(journal_set_registry(RegistryRoot::user, KEY, RegistryValue{"DisplayName", false, "TEV"}));
    ASSERT_TRUE(journal_set_registry(RegistryRoot::user, "Software\\Tevanet\\New", RegistryValue{"N", true, "", 7}));
    ASSERT_FALSE(tz::file_exists(env.c_drive / "TEV/TEV16.EXE"));
    ASSERT_FALSE(tz::file_exists(env.c_drive / "TEV/SCRIPT/SAMPLES"));
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/PHONEBK"), "default numbers");
    EXPECT_FALSE(journal_failed());

    EXPECT_EQ(journal_rollback(), std::vector<std::string>{});
    EXPECT_EQ(snapshot(env.c_drive.path()), before);  // the registry's record file included
    EXPECT_FALSE(registry_key_exists(RegistryRoot::user, "Software\\Tevanet\\New"));
}

TEST_F(Journal, WhatCannotBePutBackIsNamedAndItsOriginalKept) {
    journal_begin("C:\\TEV");
    ASSERT_TRUE(install("PHONEBK", "C:\\TEV\\PHONEBK"));
    // Something takes the file's place that a copy cannot replace.
    ::unlink((env.c_drive / "TEV/PHONEBK").c_str());
    ::mkdir((env.c_drive / "TEV/PHONEBK").c_str(), 0777);
    tz::write_text(env.c_drive / "TEV/PHONEBK/X", "x");

    EXPECT_EQ(journal_rollback(),
              std::vector<std::string>{"C:\\TEV\\PHONEBK (original: C:\\TEV\\~TEVKEEP.TMP\\K0000001.KEP)"});
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/~TEVKEEP.TMP/K0000001.KEP"), "my numbers");
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/~TEVKEEP.TMP/KEPT.TXT"), "K0000001.KEP C:\\TEV\\PHONEBK\r\n");
}

TEST_F(Journal, AFileWhoseOriginalCannotBeKeptIsNotChanged) {
    tz::write_text(env.c_drive / "TEV/~TEVKEEP.TMP", "a file where the keep folder would go");
    journal_begin("C:\\TEV");
    EXPECT_TRUE(install("NEW.TXT", "C:\\TEV\\NEW.TXT"));  // a new file needs no copy
    EXPECT_FALSE(install("PHONEBK", "C:\\TEV\\PHONEBK"));
    EXPECT_TRUE(journal_failed());
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/PHONEBK"), "my numbers");
    EXPECT_EQ(journal_rollback(), std::vector<std::string>{});
    EXPECT_FALSE(tz::file_exists(env.c_drive / "TEV/NEW.TXT"));
}

TEST_F(Journal, ACommitDropsTheCopiesAndKeepsTheInstallation) {
    journal_begin("C:\\TEV");
    ASSERT_TRUE(install("PHONEBK", "C:\\TEV\\PHONEBK"));
    ASSERT_TRUE(tz::file_exists(env.c_drive / "TEV/~TEVKEEP.TMP/K0000001.KEP"));
    const std::vector<JournalFile> written = journal_written_files();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].path, "C:\\TEV\\PHONEBK");
    journal_commit();
    EXPECT_FALSE(tz::file_exists(env.c_drive / "TEV/~TEVKEEP.TMP"));
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/PHONEBK"), "default numbers");
    EXPECT_EQ(journal_rollback(), std::vector<std::string>{});  // nothing left to undo
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/PHONEBK"), "default numbers");
}

}  // namespace
