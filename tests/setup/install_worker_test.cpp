// The install worker end to end, without windows: a payload built at run time,
// the real engine, the worker on its own thread, the recording InstallUi, and
// drives C: and D: mapped to temporary directories.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <map>

#include <dirent.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "migration/file_helpers.h"
#include "migration/path_settings.h"
#include "setup/install_worker.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/shortcuts.h"
#include "setup/startup.h"
#include "support/setup_env.h"

namespace {

using tz::SetupEnv;

const char* const PAYLOAD_TPA =
    "TEV3.06\n"
    "DownloadPath=\"DOWNLOAD\"\n"
    "UploadPath=\"UPLOAD\"\n"
    "CapturePath=\"LOG\"\n"
    "ScriptPath=\"SCRIPT\"\n"
    "OptsPath=\"OPTIONS\"\n";

// The payload's members in archive order, with their contents.
struct PayloadMember {
    std::string name;
    std::string content;
    uint16_t method = 0;
};

std::vector<PayloadMember> standard_members() {
    return {
        {"TEV.EXE", std::string(3000, 'T'), 8},
        {"PHONEBK", "default phone book\n"},
        {"LOGO.BMP", "BM logo"},
        {"LOG/DUMMY.TMP", ""},
        {"OPTIONS/STANDARD.TPA", PAYLOAD_TPA},
        {"OPTIONS/STANDARD.TEV", "default options\n"},
        {"OPTIONS/STANDARD.FEE", "default fees\n"},
        {"SCRIPT/TEVEVENT.TRX", "default events\n"},
        {"SCRIPT/RXSAMPLE/MISC/1_FIRST.TRX", "say hello\n"},
        {"UPLOAD/README.TXT", "uploads go here\n"},
        {"DOWNLOAD/README.TXT", "downloads arrive here\n"},
    };
}

std::vector<std::string> names_of(const std::vector<PayloadMember>& members) {
    std::vector<std::string> names;
    for (const PayloadMember& m : members) names.push_back(m.name);
    return names;
}

// The percentages the worker shows after each member, then 100 for the completion.
std::vector<uint32_t> expected_percents(const std::vector<PayloadMember>& members) {
    uint64_t total = 0;
    for (const PayloadMember& m : members) total += m.content.size();
    std::vector<uint32_t> out;
    uint64_t done = 0;
    for (const PayloadMember& m : members) {
        done += m.content.size();
        out.push_back(static_cast<uint32_t>(done * 100 / total));
    }
    return out;
}

void make_dir(const std::string& path) { ::mkdir(path.c_str(), 0777); }

class Installation : public ::testing::Test {
protected:
    SetupEnv env;
    std::vector<PayloadMember> members = standard_members();
    std::string saved_path;

    void SetUp() override {
        saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", "/nonexistent", 1);
        make_dir(env.c_drive / "DIST");
        for (const char* name : doc_files) tz::write_text(env.c_drive / ("DIST/" + std::string(name)), std::string("doc ") + name);
        for (const char* name : copied_dlls) tz::write_text(env.c_drive / ("DIST/" + std::string(name)), std::string("dll ") + name);
        tz::write_text(env.c_drive / "DIST/SETUP.EXE", "the setup program");
    }
    void TearDown() override { setenv("PATH", saved_path.c_str(), 1); }

    // The payload as made on an NTFS host (names kept in their letter case).
    tz::Archive build_payload() {
        tz::Archive archive;
        for (const PayloadMember& m : members) archive.add(m.name, m.content, m.method).made_by_host = 11;
        return archive;
    }
    void write_payload(const std::string& name = "INSTALL.FIL") { build_payload().write(env.c_drive / ("DIST/" + name)); }

    // What the dialog has done when the worker starts: the payload, the earlier
    // installation's settings, the destination and the five directories, the
    // copy check boxes.
    void fill_state(const std::string& existing, const std::string& destination, const std::string& upload = "") {
        S.payload_name = "INSTALL.FIL";
        S.program_path = "C:\\DIST\\SETUP.EXE";
        S.existing_path = existing;
        std::string keyword_file, line_file;
        join_path(keyword_file, existing, "OPTIONS\\STANDARD.TPA");
        join_path(line_file, existing, "OPTIONS\\TEVPATH.DAT");
        if (!existing.empty()) read_existing_paths(keyword_file, line_file);
        S.destination_path = destination;
        for (int kind = 0; kind < DIR_COUNT; ++kind) rebase_path(destination, new_dir_path(kind), S.existing_paths[kind]);
        if (!upload.empty()) S.upload_path = upload;
    }

    // Runs the worker on its own thread until it ends; returns what it wrote
    // on the standard streams.
    tz::EngineRun run_worker() {
        tz::ScopedCwd cwd(env.c_drive / "DIST");
        return tz::capture_streams([&] {
            env.run_worker_thread();
            return env.finished_count() > 0 ? 0 : 2;
        });
    }
    // The Start-menu folder of the English installation on Windows NT.
    std::string menu(const std::string& name = "") {
        return tz::programs_folder_native() + "/TEV for Windows NT" + (name.empty() ? "" : "/" + name);
    }

    std::string c(const std::string& relative) { return tz::read_text(env.c_drive / relative); }
    bool c_exists(const std::string& relative) { return tz::file_exists(env.c_drive / relative); }

    // Every file of both drives with its content (the Start menu and the registry record included).
    std::map<std::string, std::string> drives() {
        std::map<std::string, std::string> files;
        for (const tz::TempDir* drive : {&env.c_drive, &env.d_drive})
            for (const std::string& f : tz::files_below(drive->path())) files[drive->path() + "/" + f] = tz::read_text(drive->path() + "/" + f);
        return files;
    }
    // The message after a rollback that undid everything.
    static std::string undone(int first_message) {
        return std::string(message(first_message)) + "\r\r" + message(msg_nothing_changed);
    }

    std::vector<std::string> completion_statuses() {
        std::vector<std::string> s = names_of(members);
        for (const char* text : {"Updating path information", "Creating TEV folder",
                                 "Searching and deleting old files", "Installation complete"})
            s.push_back(text);
        return s;
    }
};

// An earlier installation in the line layout of version 2.10, with old file names.
void make_old_installation_210(SetupEnv& env) {
    for (const char* dir : {"OLD", "OLD/OPTIONS", "OLD/SCRIPT", "OLD/SCRIPT/MY"}) make_dir(env.c_drive / dir);
    tz::write_text(env.c_drive / "OLD/OPTIONS/TEVPATH.DAT",
                   "TEV2.10\nDOWNLOAD\n-\nUPLOAD\n-\nLOG\nSCRIPT\nOPTIONS\nkept line\n");
    tz::write_text(env.c_drive / "OLD/OPTIONS/tevphone.fee", "old fees\n");
    tz::write_text(env.c_drive / "OLD/SCRIPT/tevevent.cmd", "old events\n");
    tz::write_text(env.c_drive / "OLD/SCRIPT/MY/own.trx", "own script\n");
    tz::write_text(env.c_drive / "OLD/PHONEBK", "old numbers\n");
}

TEST_F(Installation, FreshInstallationMigratingAnOldVersion) {
    write_payload();
    make_old_installation_210(env);
    make_dir(env.c_drive / "NEW");
    tz::write_text(env.c_drive / "NEW/TEV16.EXE", "program of an older version");
    fill_state("C:\\OLD", "C:\\NEW", "D:\\UP\\LOAD");
    ASSERT_TRUE(S.existing_found);
    ASSERT_EQ(S.existing_version, "2.10");

    const tz::EngineRun run = run_worker();
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_FALSE(S.install_failed);

    // The tree: every member in the directory of its kind.
    EXPECT_EQ(c("NEW/TEV.EXE"), std::string(3000, 'T'));
    EXPECT_EQ(c("NEW/LOGO.BMP"), "BM logo");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.TEV"), "default options\n");
    EXPECT_EQ(c("NEW/SCRIPT/RXSAMPLE/MISC/1_FIRST.TRX"), "say hello\n");
    EXPECT_EQ(tz::read_text(env.d_drive / "UP/LOAD/README.TXT"), "uploads go here\n");
    EXPECT_EQ(c("NEW/DOWNLOAD/README.TXT"), "downloads arrive here\n");

    // Copies of the earlier installation, with the old names mapped (below 2.90).
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.FEE"), "old fees\n");
    EXPECT_FALSE(c_exists("NEW/OPTIONS/tevphone.fee"));
    EXPECT_EQ(c("NEW/SCRIPT/TEVEVENT.TRX"), "old events\n");
    EXPECT_EQ(c("NEW/SCRIPT/MY/own.trx"), "own script\n");
    EXPECT_EQ(c("NEW/PHONEBK"), "old numbers\n");
    for (const char* name : doc_files) EXPECT_EQ(c("NEW/" + std::string(name)), std::string("doc ") + name);
    for (const char* name : copied_dlls) EXPECT_EQ(c("NEW/" + std::string(name)), std::string("dll ") + name);

    // The path file came over in the line layout and names the new directories.
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.TPA"), "TEV2.10\nDOWNLOAD\n-\nD:\\UP\\LOAD\n-\nLOG\nSCRIPT\nOPTIONS\nkept line\n");
    EXPECT_FALSE(c_exists("NEW/OPTIONS/STANDARD.TMP"));

    // Obsolete files are gone.
    EXPECT_FALSE(c_exists("NEW/TEV16.EXE"));
    EXPECT_FALSE(c_exists("NEW/LOG/DUMMY.TMP"));
    EXPECT_TRUE(c_exists("NEW/LOG"));

    // The Start-menu folder with its links.
    const tz::ShortcutFile tev = tz::read_shortcut(menu("TEV.LNK"));
    ASSERT_TRUE(tev.valid);
    EXPECT_EQ(tev.shortcut.target, "C:\\NEW\\TEV.EXE");
    EXPECT_TRUE(tz::read_shortcut(menu("Order from Quorvin.LNK")).valid);

    // What the user saw.
    EXPECT_EQ(env.statuses(), completion_statuses());
    std::vector<uint32_t> percents = expected_percents(members);
    percents.push_back(100);
    EXPECT_EQ(env.percents(), percents);
    const auto boxes = env.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, tz::BoxKind::info);
    EXPECT_EQ(boxes[0].text, "All files processed - installation complete (TEV was added to your start menu)");
    EXPECT_EQ(env.finished_count(), 1);

    // The trace lines, in order, on standard error.
    std::vector<std::string> trace = {"get_zip_name() return=0\n\n"};
    for (const PayloadMember& m : members) trace.push_back("get_zip_name(" + m.name + ")\nget_zip_name() return=0\n\n");
    size_t at = 0;
    for (const std::string& line : trace) {
        const size_t found = run.err.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " in\n" << run.err;
        at = found + line.size();
    }
    EXPECT_NE(run.out.find("OPTIONS/STANDARD.TPA"), std::string::npos);  // the listing
}

TEST_F(Installation, ReinstallAsksBacksUpAndKeepsNewNamesFromVersion290) {
    write_payload();
    for (const char* dir : {"NEW", "NEW/OPTIONS", "NEW/SCRIPT", "OLD", "OLD/OPTIONS"}) make_dir(env.c_drive / dir);
    tz::write_text(env.c_drive / "NEW/PHONEBK", "my numbers\n");
    tz::write_text(env.c_drive / "NEW/SCRIPT/TEVEVENT.TRX", "my events\n");
    tz::write_text(env.c_drive / "NEW/OPTIONS/STANDARD.TEV", "my options\n");
    tz::write_text(env.c_drive / "NEW/OPTIONS/STANDARD.FEE", "my fees\n");
    tz::write_text(env.c_drive / "OLD/OPTIONS/STANDARD.TPA",
                   "TEV3.00\nCapturePath=\"C:\\LOGS\"\nScriptPath=\"SCRIPT\"\nOptsPath=\"OPTIONS\"\n# mine\n");
    tz::write_text(env.c_drive / "OLD/OPTIONS/tevphone.fee", "very old fees\n");
    fill_state("C:\\OLD", "C:\\NEW");
    S.copy_phone_book = 0;
    EXPECT_EQ(S.log_path, "C:\\LOGS");
    env.answer_with([](const std::string& text) {
        return text.find("TEVEVENT.TRX") == std::string::npos;  // yes for the phone book and the option files
    });

    const tz::EngineRun run = run_worker();
    ASSERT_EQ(run.code, 0) << run.err;

    // Questions: message 16 per existing protected file, message 17 once.
    const auto boxes = env.boxes();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].text.rfind("Overwrite ", 0), 0u);
    EXPECT_NE(boxes[0].text.find("PHONEBK with TEV's installation defaults?"), std::string::npos);
    EXPECT_EQ(boxes[0].kind, tz::BoxKind::ask);
    EXPECT_EQ(boxes[1].text, message(msg_ask_overwrite_options));
    EXPECT_NE(boxes[2].text.find("TEVEVENT.TRX with TEV's installation defaults?"), std::string::npos);
    EXPECT_EQ(boxes[3].text, message(msg_all_done));
    EXPECT_EQ(boxes[4].text, "All intentionally overwritten files were backed up in the same directory!");

    // Backups of what was overwritten, the declined file untouched.
    EXPECT_EQ(c("NEW/PHONEBK"), "default phone book\n");
    EXPECT_EQ(c("NEW/PHONEB0"), "my numbers\n");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.0EV"), "my options\n");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.0EE"), "my fees\n");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.TEV"), "default options\n");
    EXPECT_EQ(c("NEW/SCRIPT/TEVEVENT.TRX"), "my events\n");
    EXPECT_FALSE(c_exists("NEW/SCRIPT/TEVEVENT.0RX"));

    // Version 3.00: the old-named file is copied under its own name; it does
    // not replace the new file, and the clean-up keeps it, as the new file
    // does not hold its content.
    EXPECT_EQ(c("NEW/OPTIONS/tevphone.fee"), "very old fees\n");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.FEE"), "default fees\n");
    // The path file in the keyword layout, other lines kept.
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.TPA"),
              "TEV3.00\nCapturePath=\"C:\\LOGS\"\nScriptPath=\"SCRIPT\"\nOptsPath=\"OPTIONS\"\n# mine\n");
    EXPECT_TRUE(c_exists("LOGS/DUMMY.TMP"));  // LOG members went to C:\LOGS
}

TEST_F(Installation, CancelBetweenMembersUndoesEverything) {
    write_payload();
    make_old_installation_210(env);
    fill_state("C:\\OLD", "C:\\NEW");
    const auto before = drives();
    // Cancel while the third member is being extracted: it is finished, no other.
    env.on_status(3, [&] {
        EXPECT_TRUE(c_exists("NEW/TEV.EXE"));
        S.cancel_requested = true;
    });

    const tz::EngineRun run = run_worker();
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_FALSE(c_exists("NEW/LOG/DUMMY.TMP"));
    const std::vector<std::string> names = names_of(members);
    std::vector<std::string> statuses(names.begin(), names.begin() + 3);
    statuses.push_back("Undoing the installation");
    EXPECT_EQ(env.statuses(), statuses);
    EXPECT_EQ(env.percents().size(), 3u);
    const auto boxes = env.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, undone(msg_cancelled));
    EXPECT_EQ(boxes[0].kind, tz::BoxKind::info);
    EXPECT_EQ(drives(), before);
    EXPECT_FALSE(c_exists("NEW"));
    EXPECT_EQ(S.exit_code, SETUP_EXIT_CANCELLED);
    EXPECT_EQ(env.finished_count(), 1);
}

// A rollback that cannot put a file back keeps the original's copy, names
// both, and still takes back the backup it made of it.
TEST_F(Installation, ARollbackThatCannotRestoreAFileSaysWhereItsOriginalIs) {
    write_payload();
    make_dir(env.c_drive / "NEW");
    tz::write_text(env.c_drive / "NEW/PHONEBK", "my numbers\n");
    fill_state("", "C:\\NEW");
    env.answer_with([](const std::string&) { return true; });
    env.on_status(3, [&] {
        // Something the copy cannot replace takes the phone book's place.
        ::unlink((env.c_drive / "NEW/PHONEBK").c_str());
        make_dir(env.c_drive / "NEW/PHONEBK");
        tz::write_text(env.c_drive / "NEW/PHONEBK/X", "x");
        S.cancel_requested = true;
    });
    ASSERT_EQ(run_worker().code, 0);
    const auto boxes = env.boxes();
    ASSERT_EQ(boxes.size(), 2u);  // the phone-book question, then the end
    EXPECT_EQ(boxes[1].text, std::string(message(msg_cancelled)) + "\r\r" +
                                 format_message(msg_not_all_undone,
                                                "C:\\NEW\\PHONEBK (original: C:\\NEW\\~TEVKEEP.TMP\\K0000001.KEP)"));
    EXPECT_EQ(c("NEW/~TEVKEEP.TMP/K0000001.KEP"), "my numbers\n");
    EXPECT_FALSE(c_exists("NEW/PHONEB0"));
    EXPECT_FALSE(c_exists("NEW/TEV.EXE"));
}

TEST_F(Installation, EngineErrorStopsAtTheMemberWithMessage2) {
    members[4].content = "damaged";
    tz::Archive archive = build_payload();
    archive.members[4].crc = 0x12345678;  // OPTIONS/STANDARD.TPA fails its CRC check
    archive.write(env.c_drive / "DIST/INSTALL.FIL");
    fill_state("", "C:\\NEW");
    const auto before = drives();

    const tz::EngineRun run = run_worker();
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(S.install_failed);
    EXPECT_EQ(env.statuses().size(), 6u);  // five members, then the rollback
    EXPECT_EQ(env.percents().size(), 4u);
    const auto boxes = env.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, tz::BoxKind::error);
    EXPECT_EQ(boxes[0].text, undone(msg_error_aborted));
    EXPECT_EQ(drives(), before);
    EXPECT_NE(run.err.find("get_zip_name(OPTIONS/STANDARD.TPA)\nget_zip_name() return=2\n"), std::string::npos);
    EXPECT_EQ(S.exit_code, SETUP_EXIT_FAILED);
    EXPECT_EQ(env.finished_count(), 1);
}

// INSTALL.FIL replaced while the setup waits at the phone-book question, by an
// archive of the same size, time, directory offset and entry count: a member
// the listing announced is installed from its new place, or its absence stops
// the installation with message 2; it is never skipped in silence.
class PayloadReplaced : public Installation {
protected:
    // The two option members change places in the replacement; OPTIONS/STANDARD.TEV
    // keeps its name or loses it.
    tz::EngineRun install_replacing_payload(bool tev_kept) {
        members[6].content = "default fees..\n";  // as long as STANDARD.TEV's
        write_payload();
        tz::Archive replacement = build_payload();
        std::swap(replacement.members[5], replacement.members[6]);
        if (!tev_kept) replacement.members[6].name = "OPTIONS/STANDARD.TEX";
        const std::string payload = env.c_drive / "DIST/INSTALL.FIL";
        struct stat st {};
        EXPECT_EQ(0, ::stat(payload.c_str(), &st));
        make_dir(env.c_drive / "NEW");
        tz::write_text(env.c_drive / "NEW/PHONEBK", "my numbers\n");
        fill_state("", "C:\\NEW");
        env.answer_with([=](const std::string&) {
            replacement.write(payload);
            const timespec times[2] = {st.st_atim, st.st_mtim};
            ::utimensat(AT_FDCWD, payload.c_str(), times, 0);
            return 1;
        });
        const tz::EngineRun run = run_worker();
        EXPECT_EQ(st.st_size, static_cast<off_t>(tz::read_file(payload).size()));
        EXPECT_EQ(run.code, 0) << run.err;
        return run;
    }
};

TEST_F(PayloadReplaced, AMemberAtAnotherPlaceIsFoundThere) {
    install_replacing_payload(true);
    EXPECT_FALSE(S.install_failed);
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.TEV"), "default options\n");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.FEE"), "default fees..\n");
    const auto boxes = env.boxes();
    ASSERT_EQ(boxes.size(), 3u);  // the question, complete, backed up
    EXPECT_EQ(boxes[1].text, message(msg_all_done));
}

TEST_F(PayloadReplaced, AMemberNoLongerThereStopsTheInstallation) {
    const tz::EngineRun run = install_replacing_payload(false);
    EXPECT_TRUE(S.install_failed);
    EXPECT_FALSE(c_exists("NEW/OPTIONS/STANDARD.TEV"));
    EXPECT_NE(run.err.find("damaged payload member OPTIONS/STANDARD.TEV: the payload no longer holds it\n"
                           "get_zip_name(OPTIONS/STANDARD.TEV)\nget_zip_name() return=2\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(env.boxes().back().text, undone(msg_error_aborted));
}

// Not an archive, and a Zip64 payload whose directory offset lies near 2^63
// (once a crash of the setup with no message): nothing is extracted, and the
// installation ends with its error message.
class UnreadablePayload : public Installation, public ::testing::WithParamInterface<bool> {};

TEST_P(UnreadablePayload, ExtractsNothing) {
    tz::Archive wide = build_payload();
    wide.zip64_end = true;
    tz::Bytes far = wide.build().bytes;
    const size_t directory_offset = far.size() - 22 - 20 - 8;  // in the Zip64 end record
    for (size_t i = 0; i < 8; ++i) far[directory_offset + i] = static_cast<uint8_t>((INT64_MAX - 40) >> (8 * i));
    const bool zip64 = GetParam();
    tz::write_file(env.c_drive / "DIST/INSTALL.FIL", zip64 ? far : tz::bytes_of("this is not an archive"));
    fill_state("", "C:\\NEW");
    const tz::EngineRun run = run_worker();
    ASSERT_EQ(run.code, 0);
    EXPECT_TRUE(S.install_failed);
    EXPECT_EQ(env.statuses(), std::vector<std::string>{"Undoing the installation"});
    ASSERT_EQ(env.boxes().size(), 1u);
    EXPECT_EQ(env.boxes()[0].text, undone(msg_error_aborted));
    EXPECT_FALSE(c_exists("NEW"));
    EXPECT_EQ(run.err.find("get_zip_name() return=0"), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(NotAnArchiveOrZip64Near2To63, UnreadablePayload, ::testing::Bool());

TEST_F(Installation, ManyLongNamedAndEmptyMembersAreAllInstalled) {
    members.clear();
    for (int i = 0; i < 300; ++i) members.push_back({"LOG/F" + std::to_string(i) + ".TXT", ""});
    const std::string long_name = "SCRIPT/" + std::string(180, 'n') + ".TRX";
    members.push_back({long_name, ""});
    members.push_back({"A[1].TXT", ""});  // pattern characters in a member name
    members.push_back({"A1].TXT", ""});
    write_payload();
    fill_state("", "C:\\NEW");

    const tz::EngineRun run = run_worker();
    ASSERT_EQ(run.code, 0) << run.err.substr(0, 2000);
    EXPECT_FALSE(S.install_failed);
    ASSERT_EQ(S.member_table.size(), members.size());
    EXPECT_EQ(S.member_table[300].name, long_name);
    EXPECT_EQ(S.total_size, 0u);
    EXPECT_TRUE(c_exists("NEW/LOG/F299.TXT"));
    EXPECT_TRUE(c_exists("NEW/SCRIPT/" + std::string(180, 'n') + ".TRX"));
    EXPECT_TRUE(c_exists("NEW/A[1].TXT"));
    EXPECT_TRUE(c_exists("NEW/A1].TXT"));
    // Without sizes the bar counts members; it ends at 100.
    const auto percents = env.percents();
    ASSERT_EQ(percents.size(), members.size() + 1);
    EXPECT_EQ(percents[150], 151u * 100 / members.size());
    EXPECT_EQ(percents[members.size() - 1], 100u);
    EXPECT_EQ(env.boxes().size(), 1u);
}

TEST_F(Installation, TooLongTargetIsRefusedNotCut) {
    members = {{"README.TXT", "r"}, {"OPTIONS/" + std::string(120, 's') + "/" + std::string(120, 't') + "/X", "x"}};
    write_payload();
    fill_state("", "C:\\NEW");
    S.options_path = "C:\\NEW\\" + std::string(20, 'o');
    const tz::EngineRun run = run_worker();
    ASSERT_EQ(run.code, 0);
    EXPECT_TRUE(S.install_failed);
    EXPECT_FALSE(c_exists("NEW"));  // the member before it was taken back
    ASSERT_EQ(env.boxes().size(), 1u);
    EXPECT_EQ(env.boxes()[0].text, undone(msg_error_aborted));
}

// The whole headless flow in each language: start-up chooses the payload, a
// stand-in for the dialog fills the state and starts the worker.
SetupEnv* flow_env = nullptr;
void headless_dialog() {
    S.destination_path = "C:\\NEW";
    rebase_new_paths();
    flow_env->run_worker_thread();
}

TEST_F(Installation, EveryLanguageFromStartUp) {
    const struct {
        const char* payload;
        const char* complete;
        const char* all_done;
        const char* folder;
    } cases[] = {
        {"INSTALL.FIL", "Installation complete", message_text(msg_all_done, LANGUAGE_ENGLISH), "TEV for Windows NT"},
        {"INSTALLD.FIL", "Installation abgeschlossen",
         "Installation erfolgreich beendet (TEV-Eintrag wurde im Startmen\xFC erzeugt)", "TEV f\xFCr Windows NT"},
        {"INSTALLF.FIL", "Installation termin\xE9" "e",
         "Tous les fichiers ont \xE9t\xE9 trait\xE9s - installation termin\xE9" "e (TEV a \xE9t\xE9 ajout\xE9 au menu d\xE9marrage)",
         "TEV sous Windows NT"},
    };
    flow_env = &env;
    set_dialog_runner(headless_dialog);
    members = {{"TEV.EXE", "tev"}, {"OPTIONS/STANDARD.TPA", PAYLOAD_TPA}};
    for (const auto& c : cases) {
        tz::remove_tree(env.c_drive / "NEW");
        for (const char* name : {"INSTALL.FIL", "INSTALLD.FIL", "INSTALLF.FIL"})
            ::unlink((env.c_drive / ("DIST/" + std::string(name))).c_str());
        write_payload(c.payload);
        reset_setup_state();
        env.install_recording_ui();
        const size_t boxes_before = env.boxes().size();
        const tz::EngineRun run = tz::capture_streams([] {
            tz::ScopedCwd elsewhere("/");
            return setup_main("C:\\DIST\\SETUP.EXE");
        });
        EXPECT_EQ(run.code, SETUP_EXIT_DONE);
        EXPECT_EQ(S.payload_name, c.payload);
        EXPECT_EQ(env.statuses().back(), c.complete);
        const auto boxes = env.boxes();
        ASSERT_EQ(boxes.size(), boxes_before + 1) << c.payload;
        EXPECT_EQ(boxes.back().text, c.all_done);
        EXPECT_EQ(boxes.back().kind, tz::BoxKind::info);
        EXPECT_EQ(tz::read_text(env.c_drive / "NEW/TEV.EXE"), "tev");
        EXPECT_EQ(tz::read_text(env.c_drive / "NEW/OPTIONS/STANDARD.TPA"), PAYLOAD_TPA);
        EXPECT_TRUE(tz::read_shortcut(tz::programs_folder_native() + "/" + c.folder + "/TEV.LNK").valid) << c.folder;
    }
    set_dialog_runner(nullptr);
}

TEST(MemberTarget, KeywordsSubdirectoriesAndRootMembers) {
    reset_setup_state();
    S.destination_path = "C:\\TEV";
    S.log_path = "D:\\LOGS";
    S.options_path = "C:\\TEV\\OPTIONS";
    S.script_path = "C:\\TEV\\SCRIPT";
    S.upload_path = "C:\\UP";
    S.download_path = "C:\\DOWN";
    const struct {
        const char* member;
        const char* target;
    } cases[] = {
        {"TEV.EXE", "C:\\TEV"},
        {"OPTIONS/STANDARD.TPA", "C:\\TEV\\OPTIONS"},
        {"options/sub/x", "C:\\TEV\\OPTIONS\\sub"},
        {"LOGFILES/A.LOG", "D:\\LOGS"},
        {"LOGO.BMP", "C:\\TEV"},
        {"SCRIPT/RXSAMPLE/MISC/1_FIRST.TRX", "C:\\TEV\\SCRIPT\\RXSAMPLE/MISC"},
        {"UPLOAD/README.TXT", "C:\\UP"},
        {"DOWNLOAD/README.TXT", "C:\\DOWN"},
        {"DOC/README.DOC", "C:\\TEV"},
    };
    for (const auto& c : cases) {
        std::string target;
        EXPECT_TRUE(member_target_dir(target, c.member)) << c.member;
        EXPECT_EQ(target, c.target) << c.member;
    }
    reset_setup_state();
}

}  // namespace

namespace {

TEST(Progress, LargePayloadsNoSizesAndWrongTotals) {
    // 50 MB of 100 MB: done x 100 does not fit 32 bits.
    EXPECT_EQ(progress_percent(50'000'000, 100'000'000, 1, 2), 50u);
    EXPECT_EQ(progress_percent(4'000'000'000ull, 4'000'000'000u, 9, 9), 100u);
    EXPECT_EQ(progress_percent(1, 3, 1, 3), 33u);
    EXPECT_EQ(progress_percent(0, 0, 1, 4), 25u);  // members without content
    EXPECT_EQ(progress_percent(0, 0, 4, 4), 100u);
    EXPECT_EQ(progress_percent(0, 0, 0, 0), 0u);
    EXPECT_EQ(progress_percent(700, 500, 2, 2), 100u);  // a total smaller than the members
}

TEST(ListMembers, TheTableGrowsWithTheArchive) {
    SetupEnv env;
    tz::Archive archive;
    uint32_t total = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string content(static_cast<size_t>(i % 7), 'x');
        archive.add("LOG/F" + std::to_string(i) + ".TXT", content).made_by_host = 11;
        total += static_cast<uint32_t>(content.size());
    }
    const std::string long_name = "SCRIPT/" + std::string(200, 'n') + ".TRX";
    archive.add(long_name, "12345").made_by_host = 11;
    archive.write(env.c_drive / "INSTALL.FIL");
    install_engine_hooks();
    S.payload_name = "C:\\INSTALL.FIL";
    const tz::EngineRun run = tz::capture_streams([] { return list_members(); });
    EXPECT_EQ(run.code, ENG_OK) << run.err;
    ASSERT_EQ(S.member_table.size(), 301u);
    EXPECT_EQ(S.member_table[0].name, "LOG/F0.TXT");
    EXPECT_EQ(S.member_table[299].size, 299u % 7);
    EXPECT_EQ(S.member_table[300].name, long_name);
    EXPECT_EQ(S.member_table[300].size, 5u);
    EXPECT_EQ(S.total_size, total + 5);
}

TEST(RunEngine, ArgumentsOfAnyLengthReachTheEngine) {
    SetupEnv env;
    const std::string dir = std::string(100, 'd');
    ::mkdir((env.c_drive / dir).c_str(), 0777);
    tz::Archive archive;
    archive.add("A.TXT", "a").made_by_host = 11;
    archive.write(env.c_drive / (dir + "/" + std::string(60, 'p') + ".FIL"));
    install_engine_hooks();
    // A payload path of 169 characters, far more than a fixed 100-byte argument
    // buffer holds, reaches the engine whole.
    const tz::EngineRun run = tz::capture_streams(
        [&] { return run_engine({"unzip", "-v", "C:\\" + dir + "\\" + std::string(60, 'p') + ".FIL"}); });
    EXPECT_EQ(run.code, ENG_OK) << run.err;
    ASSERT_EQ(S.member_table.size(), 1u);
    EXPECT_EQ(S.member_table[0].name, "A.TXT");
}

}  // namespace

namespace {

// ---- Hostile payloads and settings files: nothing is written outside the
// chosen folders.

// The files of both drives, each spelled with its drive's letter.
std::vector<std::string> drive_files(SetupEnv& env) {
    std::vector<std::string> files;
    for (const std::string& f : tz::files_below(env.c_drive.path())) files.push_back("C/" + f);
    for (const std::string& f : tz::files_below(env.d_drive.path())) files.push_back("D/" + f);
    return files;
}

// The files in `after` that `before` does not hold.
std::vector<std::string> new_files(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    std::vector<std::string> added;
    for (const std::string& f : after)
        if (std::find(before.begin(), before.end(), f) == before.end()) added.push_back(f);
    return added;
}

class HostileInstallation : public Installation {
protected:
    // A fresh state for the next case.
    void next_case() {
        tz::remove_tree(env.c_drive / "NEW");
        tz::remove_tree(env.c_drive / "OLD");
        reset_setup_state();
        env.install_recording_ui();
    }
};

TEST(MemberTarget, NamesThatLeaveAndTargetsInsideTheirFolder) {
    for (const char* name : {"../x", "OPTIONS/../x", "LOG\\..\\x", "SCRIPT/a/... /x", "/x", "\\x", "UPLOAD/C:x"})
        EXPECT_TRUE(unsafe_member_name(name)) << name;
    for (const char* name : {"TEV.EXE", "OPTIONS/STANDARD.TPA", "SCRIPT/a..b/x", "LOG/.hidden/x", "..x", "x.."})
        EXPECT_FALSE(unsafe_member_name(name)) << name;
    const struct {
        const char* target;
        const char* base;
        bool inside;
    } cases[] = {
        {"C:\\TEV\\OPTIONS", "C:\\TEV\\OPTIONS", true},
        {"C:\\TEV\\OPTIONS", "C:\\TEV\\OPTIONS\\", true},  // a folder typed with a trailing separator
        {"c:\\tev\\options\\sub/deeper", "C:\\TEV\\OPTIONS", true},
        {"C:\\X", "C:\\", true},
        {"C:\\TEV\\OPTIONS/\\", "C:\\TEV\\OPTIONS/\\", true},  // both separators, typed at the end
        {"C:/TEV/OPTIONS/sub", "C:\\TEV\\OPTIONS", true},
        {"C:\\TEV\\OPTIONSX", "C:\\TEV\\OPTIONS", false},
        {"C:\\TEV", "C:\\TEV\\OPTIONS", false},
        {"C:\\TEV\\OPTIONS\\..\\..\\X", "C:\\TEV\\OPTIONS", false},
    };
    for (const auto& c : cases) EXPECT_EQ(target_inside(c.target, c.base), c.inside) << c.target << " in " << c.base;

    // A folder left empty (its path was too long) has no target: not the drive's root.
    reset_setup_state();
    S.destination_path = "C:\\TEV";
    std::string target;
    EXPECT_FALSE(member_target_dir(target, "DOWNLOAD/x/README.TXT"));
    reset_setup_state();
}

TEST_F(HostileInstallation, MemberNamesThatLeaveTheirFolderAreADamagedPayload) {
    const char* const names[] = {
        "OPTIONS/../../x5", "SCRIPT/../../Users/Demo/x9", "OPTIONS/../../../../../../../../../x6",
        "LOG/..\\..\\x7",   "UPLOAD/sub/.. /x8",          "DOWNLOAD/C:/x10",
        "/x11",             "SCRIPT\\...\\x12",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        next_case();
        members = {{"TEV.EXE", "tev"}, {name, "payload"}, {"AFTER.TXT", "after"}};
        write_payload();
        fill_state("", "C:\\NEW");
        const std::vector<std::string> before = drive_files(env);
        const size_t boxes_before = env.boxes().size();

        const tz::EngineRun run = run_worker();
        ASSERT_EQ(run.code, 0);
        EXPECT_TRUE(S.install_failed);
        EXPECT_NE(run.err.find("damaged payload member " + std::string(name)), std::string::npos) << run.err;
        const auto boxes = env.boxes();
        ASSERT_EQ(boxes.size(), boxes_before + 1);
        EXPECT_EQ(boxes.back().text, undone(msg_error_aborted));
        // Nothing stays: the member before it was taken back.
        EXPECT_EQ(new_files(before, drive_files(env)), std::vector<std::string>{});
        const std::string leaf = std::string(name).substr(std::string(name).find_last_of("/\\") + 1);
        EXPECT_FALSE(tz::file_exists("/" + leaf));
    }
}

TEST_F(HostileInstallation, EarlierSettingsCannotMoveOrMergeTheFolders) {
    const std::vector<std::string> defaults = {"C:\\NEW\\LOG", "C:\\NEW\\OPTIONS", "C:\\NEW\\SCRIPT",
                                               "C:\\NEW\\UPLOAD", "C:\\NEW\\DOWNLOAD"};
    struct Case {
        const char* file;
        const char* text;
        std::vector<std::string> folders;  // log, options, script, upload, download
    };
    const Case cases[] = {
        // A script folder at the root of the drive, not of the host.
        {"STANDARD.TPA", "TEV3.00\nScriptPath=\"\\\"\n",
         {"C:\\NEW\\LOG", "C:\\NEW\\OPTIONS", "C:\\", "C:\\NEW\\UPLOAD", "C:\\NEW\\DOWNLOAD"}},
        {"TEVPATH.DAT", "TEV2.10\n..\\..\\..\\outside\\DL\n-\nUPLOAD\n-\nLOG\nSCRIPT\nOPTIONS\n", defaults},
        {"STANDARD.TPA", "TEV3.00\nOptsPath=\"C:\\OLD\\..\\..\\outside\"\nCapturePath=\"\"\n", defaults},
        // Network shares, which this host does not reach: not taken, like "..".
        {"STANDARD.TPA", "TEV3.00\nScriptPath=\"\\\\srv\\share\\unc\"\n", defaults},
        {"TEVPATH.DAT", "TEV2.10\n//srv/share/dl\n-\nUPLOAD\n-\nLOG\nSCRIPT\nOPTIONS\n", defaults},
        {"STANDARD.TPA", "TEV3.00\n", defaults},
        {"TEVPATH.DAT", "TEV2.10\n", defaults},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        next_case();
        members = standard_members();
        write_payload();
        for (const char* dir : {"OLD", "OLD/OPTIONS"}) make_dir(env.c_drive / dir);
        tz::write_text(env.c_drive / ("OLD/OPTIONS/" + std::string(c.file)), c.text);
        fill_state("C:\\OLD", "C:\\NEW");
        ASSERT_TRUE(S.existing_found);
        const std::vector<std::string> folders = {S.log_path, S.options_path, S.script_path, S.upload_path,
                                                  S.download_path};
        EXPECT_EQ(folders, c.folders);
        const std::vector<std::string> before = drive_files(env);

        const tz::EngineRun run = run_worker();
        ASSERT_EQ(run.code, 0);
        EXPECT_FALSE(S.install_failed) << run.err;
        // Every new file lies in one of the chosen folders, and the three
        // README-like files of the data folders did not overwrite each other.
        for (const std::string& f : new_files(before, drive_files(env))) {
            const bool in_new = f.rfind("C/NEW/", 0) == 0;
            const bool at_drive_root = c.folders[DIR_SCRIPT] == "C:\\" && f.rfind("C/", 0) == 0;
            EXPECT_TRUE(in_new || at_drive_root) << f;
        }
        EXPECT_EQ(tz::read_text(SetupEnv::native(S.upload_path + "\\README.TXT")), "uploads go here\n");
        EXPECT_EQ(tz::read_text(SetupEnv::native(S.download_path + "\\README.TXT")), "downloads arrive here\n");
        EXPECT_EQ(tz::read_text(SetupEnv::native(S.script_path + "\\TEVEVENT.TRX")), "default events\n");
        EXPECT_FALSE(tz::file_exists("/TEVEVENT.TRX"));
        EXPECT_FALSE(tz::file_exists("/srv/share"));
        EXPECT_FALSE(tz::file_exists(env.c_drive / "../outside"));
    }
}

// A file that another process makes in a folder while the setup installs into
// it is asked for and backed up like one that was there from the start: the
// folder listings kept on Linux learn of it.
TEST_F(HostileInstallation, AFileMadeMeanwhileIsAskedForAndBackedUp) {
    write_payload();
    fill_state("", "C:\\NEW");
    env.answer_with([](const std::string&) { return true; });
    // TEV.EXE is in C:\NEW (whose listing was read), PHONEBK comes next.
    env.on_status(2, [&] { tz::write_text(env.c_drive / "NEW/phonebk", "numbers made meanwhile\n"); });
    const tz::EngineRun run = run_worker();
    ASSERT_EQ(run.code, 0);
    EXPECT_FALSE(S.install_failed) << run.err;
    const auto boxes = env.boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes[0].text.find("PHONEBK with TEV's installation defaults?"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(c("NEW/phonebk"), "default phone book\n");
    EXPECT_EQ(c("NEW/PHONEB0"), "numbers made meanwhile\n");
    EXPECT_FALSE(c_exists("NEW/PHONEBK")) << "written beside it";
}

TEST_F(HostileInstallation, BackupsNeverReplaceAFileOverTwoInstallations) {
    for (const char* dir : {"NEW", "NEW/OPTIONS"}) make_dir(env.c_drive / dir);
    tz::write_text(env.c_drive / "NEW/PHONEBK", "my numbers\n");
    tz::write_text(env.c_drive / "NEW/PHONEB0", "my own file PHONEB0\n");
    tz::write_text(env.c_drive / "NEW/OPTIONS/STANDARD.FEE", "my fees\n");
    tz::write_text(env.c_drive / "NEW/OPTIONS/STANDARD.0EE", "my own file STANDARD.0EE\n");
    write_payload();
    env.answer_with([](const std::string&) { return true; });
    for (int round = 0; round < 2; ++round) {
        reset_setup_state();
        fill_state("", "C:\\NEW");
        ASSERT_EQ(run_worker().code, 0);
        EXPECT_FALSE(S.install_failed);
        EXPECT_TRUE(S.backups_made);
    }
    EXPECT_EQ(c("NEW/PHONEB0"), "my own file PHONEB0\n");
    EXPECT_EQ(c("NEW/PHONEB1"), "my numbers\n");
    EXPECT_EQ(c("NEW/PHONEB2"), "default phone book\n");
    EXPECT_EQ(c("NEW/PHONEBK"), "default phone book\n");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.0EE"), "my own file STANDARD.0EE\n");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.1EE"), "my fees\n");
    EXPECT_EQ(c("NEW/OPTIONS/STANDARD.2EE"), "default fees\n");
}

}  // namespace
