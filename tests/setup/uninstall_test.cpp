// The uninstaller: its record, the registry entry, and a whole cycle of an
// unattended installation and its removal on the mapped drives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "setup/uninstall_record.h"
#include "setup/uninstaller.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

TEST(UninstallRecord, WrittenAndReadBackOrRefusedWhole) {
    UninstallRecord r;
    r.language = 2;
    r.all_users = true;
    r.destination = "C:\\TEV";
    r.folders = {"C:\\TEV", "C:\\TEV\\LOG"};
    r.files = {{"C:\\TEV\\TEV.EXE", 3000, 0x1C291CA3}, {"D:\\LOGS\\README.TXT", 0, 0}};
    r.links = {"C:\\M\\TEV.LNK"};
    r.values = {"DisplayName", "NoRepair"};
    const std::string text = uninstall_record_text(r);
    EXPECT_EQ(text,
              "TEV uninstall record 1\r\nlanguage 2\r\nscope machine\r\ndestination C:\\TEV\r\nfolder C:\\TEV\r\n"
              "folder C:\\TEV\\LOG\r\nfile 3000 1C291CA3 C:\\TEV\\TEV.EXE\r\nfile 0 00000000 D:\\LOGS\\README.TXT\r\n"
              "link C:\\M\\TEV.LNK\r\nvalue DisplayName\r\nvalue NoRepair\r\nend 10\r\n");
    UninstallRecord back;
    ASSERT_TRUE(read_uninstall_record(text, back));
    EXPECT_EQ(back, r);

    const struct {
        const char* what;
        std::string text;
    } damaged[] = {
        {"cut short", text.substr(0, text.size() - 12)},
        {"without its last line break", text.substr(0, text.size() - 2)},
        {"a count that is not the entries'", "TEV uninstall record 1\nlanguage 0\ndestination C:\\TEV\nend 3\n"},
        {"no destination", "TEV uninstall record 1\nlanguage 0\nend 1\n"},
        {"another header", "TEV uninstall record 2\ndestination C:\\TEV\nend 1\n"},
        {"a relative path", "TEV uninstall record 1\ndestination C:\\TEV\nfile 1 00000000 TEV.EXE\nend 2\n"},
        {"a path that climbs", "TEV uninstall record 1\ndestination C:\\TEV\nfolder C:\\TEV\\..\\WINDOWS\nend 2\n"},
        {"a link that is no link", "TEV uninstall record 1\ndestination C:\\TEV\nlink C:\\TEV\\TEV.EXE\nend 2\n"},
        {"a CRC of 7 digits", "TEV uninstall record 1\ndestination C:\\TEV\nfile 1 0000000 C:\\X\nend 2\n"},
        {"an unknown entry", "TEV uninstall record 1\ndestination C:\\TEV\nrun C:\\X.EXE\nend 2\n"},
        {"a language of its own", "TEV uninstall record 1\nlanguage 3\ndestination C:\\TEV\nend 2\n"},
        {"lines after the end", text + "folder C:\\X\r\n"},
    };
    for (const auto& d : damaged) {
        UninstallRecord kept = r;
        EXPECT_FALSE(read_uninstall_record(d.text, kept)) << d.what;
        EXPECT_EQ(kept, r) << d.what;
    }
}

// A distribution on drive C: and the runs of setup_main on it, as
// setup.exe and UNINSTAL.EXE are run.
class Lifecycle : public ::testing::Test {
protected:
    SetupEnv env;
    void SetUp() override {
        ::mkdir((env.c_drive / "DIST").c_str(), 0777);
        tz::Archive payload;
        for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
                 {"TEV.EXE", "tev"}, {"PHONEBK", "default numbers\n"}, {"LOG/README.TXT", "logs\n"},
                 {"OPTIONS/STANDARD.TPA", "TEV3.06\nOptsPath=\"OPTIONS\"\n"}})
            payload.add(name, content).made_by_host = 11;
        payload.write(env.c_drive / "DIST/INSTALL.FIL");
        for (const char* name : {"SETUP.EXE", "README.DOC", "inst_doc.ico", "inst_ger.ico"})
            tz::write_text(env.c_drive / ("DIST/" + std::string(name)), std::string("the distribution's ") + name);
    }
    int run(const char* program, const SetupOptions& options) {
        reset_setup_state();
        env.install_recording_ui();
        env.clear_records();
        return tz::capture_streams([&] {
                   tz::ScopedCwd elsewhere(env.d_drive.path());
                   return setup_main(program, options);
               }).code;
    }
    int install(const std::string& log = "") {
        SetupOptions options;
        options.silent = true;
        options.destination = "C:\\TEV";
        options.log_path = log;
        return run("C:\\DIST\\SETUP.EXE", options);
    }
    int uninstall(bool silent) {
        SetupOptions options;
        options.uninstall = true;
        options.silent = silent;
        return run("C:\\TEV\\UNINSTAL.EXE", options);
    }
    std::string menu() { return tz::programs_folder_native() + "/TEV for Windows NT"; }
};

TEST_F(Lifecycle, AnUnattendedInstallationLogsEveryFileAndEntersAddRemovePrograms) {
    ASSERT_EQ(install("D:\\setup.log"), SETUP_EXIT_DONE);
    const std::string log = tz::read_text(env.d_drive / "setup.log");
    // Every file installed has its line, however it came there.
    for (const std::string& f : tz::files_below(env.c_drive / "TEV")) {
        std::string path = " C:\\TEV\\" + f;
        for (char& c : path)
            if (c == '/') c = '\\';
        EXPECT_TRUE(log.find(path + "\n") != std::string::npos || log.find(path + " (") != std::string::npos)
            << f << "\n" << log;
    }
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/inst_ger.ico"), "the distribution's inst_ger.ico");
    EXPECT_NE(log.find("\nended "), std::string::npos);
    EXPECT_NE(log.find(" with exit code 0\n"), std::string::npos);

    const std::vector<RegistryValue> expected = {
        {"DisplayName", false, "TEV for Windows"},
        {"DisplayVersion", false, "3.061"},
        {"Publisher", false, "Tevanet"},
        {"InstallLocation", false, "C:\\TEV"},
        {"DisplayIcon", false, "C:\\TEV\\TEV.EXE"},
        {"UninstallString", false, "\"C:\\TEV\\UNINSTAL.EXE\" /UNINSTALL"},
        {"QuietUninstallString", false, "\"C:\\TEV\\UNINSTAL.EXE\" /UNINSTALL /S"},
        {"EstimatedSize", true, "", 1},
        {"NoModify", true, "", 1},
        {"NoRepair", true, "", 1},
    };
    for (const RegistryValue& want : expected) {
        RegistryValue got;
        EXPECT_TRUE(registry_read(RegistryRoot::user, UNINSTALL_KEY, want.name, got)) << want.name;
        EXPECT_EQ(got, want) << want.name;
    }
    EXPECT_EQ(tz::read_text(env.c_drive / "TEV/UNINSTAL.EXE"), "the distribution's SETUP.EXE");
    EXPECT_FALSE(tz::file_exists(env.c_drive / "TEV/~TEVKEEP.TMP"));
}

TEST_F(Lifecycle, TheUninstallerRemovesWhatWasInstalledAndKeepsWhatTheUserMade) {
    ASSERT_EQ(install(), SETUP_EXIT_DONE);
    ASSERT_EQ(install(), SETUP_EXIT_DONE);  // a reinstallation keeps the first one's folders recorded
    ASSERT_TRUE(tz::file_exists(menu() + "/TEV.LNK"));
    tz::write_text(env.c_drive / "TEV/PHONEBK", "my own numbers\n");
    tz::write_text(env.c_drive / "TEV/LOG/MY.LOG", "my log\n");
    tz::write_text(env.c_drive / "MINE.TXT", "not TEV's\n");

    bool yes = false;
    env.answer_with([&](const std::string&) { return yes; });
    EXPECT_EQ(uninstall(false), SETUP_EXIT_CANCELLED);
    EXPECT_EQ(env.box_texts(), std::vector<std::string>{message(msg_ask_uninstall)});
    EXPECT_TRUE(tz::file_exists(env.c_drive / "TEV/TEV.EXE"));

    yes = true;
    EXPECT_EQ(uninstall(false), SETUP_EXIT_DONE);
    EXPECT_EQ(env.box_texts(),
              (std::vector<std::string>{message(msg_ask_uninstall),
                                        std::string(message(msg_uninstalled)) + "\r\r" +
                                            format_message(msg_uninstall_kept, "C:\\TEV\\PHONEBK\rC:\\TEV\\LOG\\MY.LOG")}));
    std::vector<std::string> left = tz::files_below(env.c_drive.path());
    std::erase_if(left, [](const std::string& f) { return f.rfind("DIST/", 0) == 0; });
    EXPECT_EQ(left, (std::vector<std::string>{"MINE.TXT", "TEV/LOG/MY.LOG", "TEV/PHONEBK", "Users/Demo/registry.txt"}));
    EXPECT_FALSE(tz::file_exists(menu()));
    EXPECT_FALSE(registry_key_exists(RegistryRoot::user, UNINSTALL_KEY));

    // Nothing left to remove: the record went with the rest.
    EXPECT_EQ(uninstall(false), SETUP_EXIT_FAILED);
    EXPECT_EQ(env.box_texts(), std::vector<std::string>{message(msg_no_record)});
}

TEST_F(Lifecycle, ForAllUsersOnlyWithTheRights) {
    SetupOptions options;
    options.silent = true;
    options.all_users = true;
    options.destination = "C:\\TEV";
    ASSERT_EQ(run("C:\\DIST\\SETUP.EXE", options), SETUP_EXIT_DONE);
    EXPECT_TRUE(registry_key_exists(RegistryRoot::machine, UNINSTALL_KEY));
    EXPECT_FALSE(registry_key_exists(RegistryRoot::user, UNINSTALL_KEY));
    EXPECT_TRUE(tz::file_exists(host_native_path(SHELL_COMMON_PROGRAMS_FOLDER) + "/TEV for Windows NT/TEV.LNK"));
    EXPECT_FALSE(tz::file_exists(menu()));

    posix_set_machine_rights(false);
    EXPECT_EQ(uninstall(false), SETUP_EXIT_NOT_ALLOWED);
    EXPECT_EQ(env.box_texts(), std::vector<std::string>{message(msg_needs_rights)});
    EXPECT_TRUE(tz::file_exists(env.c_drive / "TEV/TEV.EXE"));
    posix_set_machine_rights(true);
    EXPECT_EQ(uninstall(true), SETUP_EXIT_DONE);
    EXPECT_FALSE(tz::file_exists(env.c_drive / "TEV"));
    EXPECT_FALSE(registry_key_exists(RegistryRoot::machine, UNINSTALL_KEY));
}

}  // namespace
