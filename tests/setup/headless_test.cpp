// setup_headless as a user runs it: an update installed into the folder of an
// earlier 2.x installation, whose option files still have their old names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "support/run.h"
#include "support/zip_writer.h"

#ifndef TEV_SETUP_HEADLESS
#define TEV_SETUP_HEADLESS "setup_headless"
#endif

namespace {

struct UserFile {
    const char* name;  // below C:\TEV
    std::string content;
};

// An earlier installation of version 2.10 (line layout) in C:\TEV with the
// user's own settings under their old names; the phone-book fees are 1.1 MB.
std::vector<UserFile> earlier_files() {
    return {
        {"OPTIONS/TEVPATH.DAT", "TEV2.10\nDOWNLOAD\n-\nUPLOAD\n-\nLOG\nSCRIPT\nOPTIONS\n"},
        {"OPTIONS/TEVPHONE.FEE", "my fees " + std::string(1100000, 'f')},
        {"OPTIONS/TEV.KEY", "my keys\n"},
        {"OPTIONS/TEVTOOL.BAR", "my tool bar\n"},
        {"SCRIPT/TEVEVENT.CMD", "my events\n"},
    };
}

// Every file below `dir` that holds exactly `content`.
std::vector<std::string> files_holding(const std::string& dir, const std::string& content) {
    std::vector<std::string> found;
    for (const std::string& f : tz::files_below(dir))
        if (tz::read_text(dir + "/" + f) == content) found.push_back(f);
    return found;
}

// The update keeps every byte of the user's settings: the old names are copied
// to the new ones first, and an old name is deleted at the end only where its
// copy is there and the same. A copy that cannot be written (a nearly full
// disk: no file may grow beyond 1 MiB) keeps the old file, and the trace says so.
TEST(Headless, AnUpdateOverAnEarlierVersionLosesNoOptionFile) {
    const struct {
        const char* title;
        const char* answers;
        bool full_disk;
        std::vector<std::string> kept;  // old names kept, with the new name the trace gives
    } cases[] = {
        {"yes to every question", "--yes", false,
         {"options\\tevpath.dat: C:\\TEV\\options\\standard.tpa differs from it",
          "options\\tevphone.fee: C:\\TEV\\options\\standard.fee differs from it",
          "script\\tevevent.cmd: C:\\TEV\\script\\tevevent.trx differs from it"}},
        {"the copy of the fees fails", "--no", true,
         {"options\\tevphone.fee: C:\\TEV\\options\\standard.fee differs from it"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        tz::TempDir root;
        const std::string dist = root / "DIST";
        const std::string drive = root / "C";
        for (const std::string& dir : {dist, drive, drive + "/TEV", drive + "/TEV/OPTIONS", drive + "/TEV/SCRIPT"})
            ::mkdir(dir.c_str(), 0777);
        const std::vector<UserFile> user_files = earlier_files();
        for (const UserFile& f : user_files) tz::write_text(drive + "/TEV/" + f.name, f.content);
        tz::Archive payload;
        for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
                 {"TEV.EXE", "tev"},
                 {"OPTIONS/STANDARD.TPA", "TEV3.06\nOptsPath=\"OPTIONS\"\n"},
                 {"OPTIONS/STANDARD.FEE", "default fees\n"},
                 {"SCRIPT/TEVEVENT.TRX", "default events\n"}})
            payload.add(name, content).made_by_host = 11;
        payload.write(dist + "/INSTALL.FIL");
        tz::write_text(dist + "/SETUP.EXE", "the setup program");

        std::vector<std::string> command = {TEV_SETUP_HEADLESS, dist, drive, "C:\\TEV", "C:\\TEV", c.answers};
        if (c.full_disk)
            command.insert(command.begin(), {"bash", "-c", "ulimit -f 1024; trap '' XFSZ; exec \"$0\" \"$@\""});
        const tz::RunResult run = tz::run_process(command, root.path());
        ASSERT_EQ(run.code, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("Installation complete"), std::string::npos) << run.out;

        for (const UserFile& f : user_files)
            EXPECT_FALSE(files_holding(drive, f.content).empty()) << f.name << " is lost\n" << run.err;
        for (const std::string& kept : c.kept)
            EXPECT_NE(run.err.find("kept old file C:\\TEV\\" + kept + "\n"), std::string::npos) << kept << "\n" << run.err;
        if (c.full_disk) {
            ASSERT_TRUE(tz::file_exists(drive + "/TEV/OPTIONS/TEVPHONE.FEE"));
            EXPECT_EQ(tz::read_text(drive + "/TEV/OPTIONS/TEVPHONE.FEE"), user_files[1].content);
            EXPECT_EQ(tz::read_text(drive + "/TEV/OPTIONS/STANDARD.FEE"), "default fees\n");
        }
        // Old names whose copy is there and the same are gone.
        EXPECT_FALSE(tz::file_exists(drive + "/TEV/OPTIONS/TEV.KEY"));
        EXPECT_EQ(files_holding(drive, "my keys\n"), std::vector<std::string>{"TEV/OPTIONS/standard.tky"});
        // The Start-menu shortcuts, as records in the Programs folder.
        const std::string menu = drive + "/Users/Demo/Start Menu/Programs/TEV for Windows NT";
        Shortcut tev;
        ASSERT_TRUE(tz::file_exists(menu + "/TEV.LNK"));
        ASSERT_TRUE(read_shortcut_record(tz::read_text(menu + "/TEV.LNK"), tev));
        EXPECT_EQ(tev.target, "C:\\TEV\\TEV.EXE");
        EXPECT_EQ(tz::files_below(menu).size(), 12u);
    }
}

// Every file with its content and every folder below `root` (the mapped drive
// C: holds the Start menu and the registry's record too).
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        entries[e.path().string()] = e.is_directory() ? "<folder>" : tz::read_text(e.path().string());
    return entries;
}

// Unattended runs over an installation the user has worked with: a payload
// damaged in the middle, and an earlier beta version without /FORCE, end with
// exit code 2 and leave the drive as it was; the log says what happened.
TEST(Headless, UnattendedRunsThatFailLeaveEverythingAsItWas) {
    tz::TempDir root;
    const std::string dist = root / "DIST";
    const std::string drive = root / "C";
    for (const std::string& dir : {dist, drive, drive + "/OLD", drive + "/OLD/OPTIONS"}) ::mkdir(dir.c_str(), 0777);
    tz::write_text(dist + "/SETUP.EXE", "the setup program");
    tz::write_text(dist + "/README.DOC", "read me");
    const auto write_payload = [&](const std::string& version, bool damaged) {
        tz::Archive payload;
        for (const char* name : {"TEV.EXE", "PHONEBK", "OPTIONS/STANDARD.TEV", "TEVCOM.DLL", "UPLOAD/README.TXT"})
            payload.add(name, version + " " + name).made_by_host = 11;
        if (damaged) payload.members[3].crc = 0x12345678;  // after the program, the phone book, the options
        payload.write(dist + "/INSTALL.FIL");
    };
    const auto setup = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {TEV_SETUP_HEADLESS, dist, drive});
        return tz::run_process(arguments, root.path());
    };
    write_payload("3.061", false);
    ASSERT_EQ(setup({"/S", "/DIR=C:\\TEV"}).code, 0);
    tz::write_text(drive + "/TEV/PHONEBK", "my numbers");
    tz::write_text(drive + "/TEV/MINE.TXT", "mine");
    tz::write_text(drive + "/OLD/OPTIONS/STANDARD.TPA", "TEV2.55\n");  // a beta version

    write_payload("3.062", true);
    const auto before = snapshot(drive);
    const struct {
        std::vector<std::string> arguments;
        const char* logged;
    } cases[] = {
        {{"/S", "/DIR=C:\\TEV", "/FORCE"}, "restored C:\\TEV\\TEV.EXE\n"},
        {{"/S", "/DIR=C:\\TEV", "C:\\TEV", "C:\\OLD"}, "stopped: the earlier installation is a beta version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logged);
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back("/LOG=" + root / "setup.log");
        const tz::RunResult run = setup(arguments);
        EXPECT_EQ(run.code, 2) << run.out << run.err;
        EXPECT_EQ(snapshot(drive), before);
        const std::string log = tz::read_text(root / "setup.log");
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        EXPECT_NE(log.find(" with exit code 2\n"), std::string::npos) << log;
    }

    // Over the beta version, /FORCE answers its question yes.
    write_payload("3.062", false);
    const tz::RunResult forced =
        setup({"/S", "C:\\TEV", "C:\\OLD", "/FORCE", "/LOG=" + root / "setup.log"});
    EXPECT_EQ(forced.code, 0) << forced.out << forced.err;
    EXPECT_EQ(tz::read_text(drive + "/TEV/TEV.EXE"), "3.062 TEV.EXE");
    const std::string log = tz::read_text(root / "setup.log");
    EXPECT_NE(log.find(" -> yes (/FORCE)\n"), std::string::npos) << log;
}

}  // namespace
