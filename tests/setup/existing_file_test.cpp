// The existing-file rule: questions, remembered answers and backups.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "engine/engine.h"
#include "setup/existing_file.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

class ExistingFile : public ::testing::Test {
protected:
    SetupEnv env;
    void SetUp() override {
        ::mkdir((env.c_drive / "TEV").c_str(), 0777);
        ::mkdir((env.c_drive / "TEV/OPTIONS").c_str(), 0777);
    }
    void existing(const std::string& relative, const std::string& text = "user data") {
        tz::write_text(env.c_drive / ("TEV/" + relative), text);
    }
};

TEST(BackupName, FirstDotOfTheFileName) {
    EXPECT_EQ(backup_name("C:/TEV/OPTIONS/STANDARD.TPA"), "C:/TEV/OPTIONS/STANDARD.0PA");
    EXPECT_EQ(backup_name("C:/TEV/PHONEBK"), "C:/TEV/PHONEB0");
    EXPECT_EQ(backup_name("C:\\TEV.2\\PHONEBK"), "C:\\TEV.2\\PHONEB0");
    EXPECT_EQ(backup_name("C:/V1.0/OPT/STANDARD.TEV"), "C:/V1.0/OPT/STANDARD.0EV");
    EXPECT_EQ(backup_name("C:/TEV/NAME."), "C:/TEV/NAME.0");
    EXPECT_EQ(backup_name("FAXCALL.TRX"), "FAXCALL.0RX");
}

TEST_F(ExistingFile, ProtectedDataFileAskedEachTimeAndBackedUp) {
    existing("PHONEBK", "my numbers");
    existing("FAXCALL.TRX", "my script");
    env.answer_with([](const std::string& text) { return text.find("PHONEBK") != std::string::npos; });

    EXPECT_EQ(existing_file_policy("C:/TEV/PHONEBK"), EXISTING_OVERWRITE);
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/PHONEB0"), "my numbers");
    EXPECT_TRUE(S.backups_made);

    S.backups_made = false;
    EXPECT_EQ(existing_file_policy("C:/TEV/FAXCALL.TRX"), EXISTING_SKIP);
    EXPECT_FALSE(tz::file_exists(env.c_drive / "TEV/FAXCALL.0RX"));
    EXPECT_FALSE(S.backups_made);

    const auto boxes = env.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Overwrite C:\\TEV\\PHONEBK with TEV's installation defaults?");
    EXPECT_EQ(boxes[0].kind, tz::BoxKind::ask);
    EXPECT_EQ(boxes[1].text, "Overwrite C:\\TEV\\FAXCALL.TRX with TEV's installation defaults?");
}

TEST_F(ExistingFile, OptionFilesAskedOnceForAll) {
    existing("OPTIONS/STANDARD.TPA", "paths");
    existing("OPTIONS/STANDARD.TEV", "options");
    env.answer_with([](const std::string&) { return true; });
    EXPECT_EQ(existing_file_policy("C:/TEV/OPTIONS/STANDARD.TPA"), EXISTING_OVERWRITE);
    EXPECT_EQ(existing_file_policy("C:/TEV/OPTIONS/standard.tev"), EXISTING_OVERWRITE);
    EXPECT_TRUE(S.options_always);
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/OPTIONS/STANDARD.0PA"), "paths");
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/OPTIONS/standard.0ev"), "options");
    ASSERT_EQ(env.boxes().size(), 1u);
    EXPECT_EQ(env.boxes()[0].text, message(msg_ask_overwrite_options));

    // "No" is remembered as well, and nothing is backed up then.
    reset_setup_state();
    env.answer_with([](const std::string&) { return false; });
    EXPECT_EQ(existing_file_policy("C:/TEV/OPTIONS/STANDARD.TPA"), EXISTING_SKIP);
    EXPECT_EQ(existing_file_policy("C:/TEV/OPTIONS/STANDARD.TEV"), EXISTING_SKIP);
    EXPECT_TRUE(S.options_never);
    EXPECT_FALSE(S.backups_made);
    EXPECT_EQ(env.boxes().size(), 2u);
}

TEST_F(ExistingFile, OtherFilesAndSimilarNamesAreOverwrittenWithoutQuestion) {
    existing("XPHONEBK");
    existing("README.DOC");
    existing("OPTIONS/MYSTANDARD.TPA");
    EXPECT_EQ(existing_file_policy("C:/TEV/XPHONEBK"), EXISTING_OVERWRITE);
    EXPECT_EQ(existing_file_policy("C:/TEV/README.DOC"), EXISTING_OVERWRITE);
    EXPECT_EQ(existing_file_policy("C:/TEV/OPTIONS/MYSTANDARD.TPA"), EXISTING_OVERWRITE);
    EXPECT_TRUE(env.boxes().empty());
    EXPECT_FALSE(S.backups_made);
    EXPECT_FALSE(tz::file_exists(env.c_drive / "TEV/XPHONEB0"));
}

TEST_F(ExistingFile, NoOverwriteWithoutABackup) {
    existing("PHONEBK", "precious");
    // Every backup name is taken (a folder PHONEB0, files PHONEB1 to PHONEBZ):
    // no backup can be written, so the file stays.
    ::mkdir((env.c_drive / "TEV/PHONEB0").c_str(), 0777);
    for (const char mark : std::string("123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
        existing(std::string("PHONEB") + mark, "taken");
    env.answer_with([](const std::string&) { return true; });
    EXPECT_EQ(existing_file_policy("C:/TEV/PHONEBK"), EXISTING_SKIP);
    EXPECT_FALSE(S.backups_made);
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/PHONEBZ"), "taken");

    // A dot in a directory name does not misplace the backup.
    ::mkdir((env.c_drive / "TEV.2").c_str(), 0777);
    tz::write_text(env.c_drive / "TEV.2/PHONEBK", "second");
    EXPECT_EQ(existing_file_policy("C:/TEV.2/PHONEBK"), EXISTING_OVERWRITE);
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV.2/PHONEB0"), "second");
    EXPECT_TRUE(S.backups_made);

}

}  // namespace
