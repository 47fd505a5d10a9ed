// The setup dialog through the Linux window layer: initialise, the field
// handlers, Install with its checks and questions, Cancel and close, the end of
// the worker with the DOC question, and the runner.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"
#include "setup/dialog.h"
#include "setup/dialog_layout.h"
#include "setup/install_ui.h"
#include "setup/install_worker.h"
#include "setup/messages.h"
#include "setup/progress_bar.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "setup/text_viewer.h"
#include "support/engine_run.h"
#include "support/setup_env.h"

namespace {

const char* const TPA_306 =
    "TEV3.06\n"
    "DownloadPath=\"DOWNLOAD\"\n"
    "UploadPath=\"D:\\UP\"\n"
    "CapturePath=\"LOG\"\n"
    "ScriptPath=\"SCRIPT\"\n"
    "OptsPath=\"OPTIONS\"\n";

void make_dir(const std::string& path) { ::mkdir(path.c_str(), 0777); }

class SetupDialog : public ::testing::Test {
protected:
    tz::SetupEnv env;
    std::unique_ptr<tz::ScopedCwd> cwd;
    HWIN dialog = nullptr;

    void SetUp() override {
        make_dir(env.c_drive / "DIST");
        cwd = std::make_unique<tz::ScopedCwd>(env.c_drive / "DIST");
        set_install_ui(dialog_install_ui());  // the dialog's own view: status line, bar, boxes
        load_dialog_templates();
        register_window_type(PROGRESS_BAR_CLASS, progress_bar_proc, 0, 0);
        os_script_set_process_timeout(20000);
        S.payload_name = "INSTALL.FIL";
    }
    void TearDown() override {
        for (HWIN w : os_script_windows_of_class(TEXT_WINDOW_CLASS)) os_DestroyWindow(w);
        os_script_join_threads();
    }

    HWIN open(int language = LANGUAGE_ENGLISH) {
        S.language_index = language;
        dialog = os_LoadDlg(nullptr, nullptr, setup_dialog_proc, 0, DIALOG_RESOURCE_BASE + language, nullptr);
        return dialog;
    }
    HWIN item(int id) { return os_SubWin(dialog, id); }
    OsWindowInfo info(int id) { return os_script_window(item(id)); }
    std::string text(int id) { return info(id).text; }
    void set(int id, const std::string& t) { os_SetWindowText(item(id), t.c_str()); }
    std::vector<std::string> directories() {
        return {text(ID_LOG_PATH), text(ID_OPTIONS_PATH), text(ID_SCRIPT_PATH), text(ID_UPLOAD_PATH),
                text(ID_DOWNLOAD_PATH)};
    }
    std::vector<std::string> box_texts() {
        std::vector<std::string> out;
        for (const tz::Box& b : env.boxes()) out.push_back(b.text);
        return out;
    }

    void earlier_installation(const char* dir, const char* tpa, const char* home = nullptr) {
        make_dir(env.c_drive / dir);
        make_dir(env.c_drive / (std::string(dir) + "/OPTIONS"));
        tz::write_text(env.c_drive / (std::string(dir) + "/OPTIONS/STANDARD.TPA"), tpa);
        tz::write_text(env.c_drive / (std::string(dir) + "/PHONEBK"), "old numbers\n");
        os_script_ini_set(PROFILE_APPLICATION, PROFILE_WINDOW_POS, "1 2 3 4");
        if (home) os_script_ini_set(PROFILE_APPLICATION, PROFILE_HOME_PATH, home);
        S.already_installed = 1;  // as start-up finds it
    }
    void payload(const std::vector<std::pair<std::string, std::string>>& members) {
        tz::Archive archive;
        for (const auto& m : members) archive.add(m.first, m.second, 0).made_by_host = 11;  // names kept as stored
        archive.write(env.c_drive / "DIST/INSTALL.FIL");
    }
    // Runs `body` with the engine's listing and trace lines kept off the terminal.
    static int quietly(const std::function<int()>& body) { return tz::capture_streams(body).code; }
    // Waits for the worker's end notice and hands it to the dialog.
    void deliver_worker_end() {
        OsMessage done;
        ASSERT_TRUE(os_script_wait_message(dialog, &done, 60000));
        ASSERT_EQ(done.code, WM_SETUP_DONE);
        os_script_send(dialog, done.code, done.param1, done.param2);
    }
};

TEST_F(SetupDialog, FirstInstallationInEachLanguage) {
    const struct {
        int language;
        const char* caption;
        const char* already_installed;  // texts in code page 1252
        const char* downloads;
    } cases[] = {
        {LANGUAGE_ENGLISH, "TEV Install V3.061", "TEV already installed", "Downloads"},
        {LANGUAGE_GERMAN, "TEV Installation V3.061", "TEV bereits installiert", "Downloads"},
        {LANGUAGE_FRENCH, "Installation de TEV V3.061", "TEV est d\xE9j\xE0 install\xE9", "R\xE9" "ceptions de fichiers"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(open(c.language), nullptr);
        EXPECT_EQ(os_script_window(dialog).text, c.caption);
        EXPECT_EQ(text(ID_ALREADY_INSTALLED), c.already_installed);
        EXPECT_EQ(text(317), c.downloads);
        EXPECT_TRUE(os_script_window(dialog).visible);
        EXPECT_EQ(os_script_active(), dialog);
        // Both paths empty, the focus on the destination, the existing path and the copy boxes disabled.
        EXPECT_EQ(text(ID_EXISTING_PATH), "");
        EXPECT_EQ(text(ID_DESTINATION_PATH), "");
        EXPECT_EQ(directories(), std::vector<std::string>(5, ""));
        EXPECT_EQ(os_script_focus(), item(ID_DESTINATION_PATH));
        EXPECT_FALSE(info(ID_EXISTING_PATH).enabled);
        EXPECT_FALSE(info(ID_EXISTING_LABEL).enabled);
        for (int id : {ID_COPY_OPTIONS, ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS}) {
            EXPECT_FALSE(info(id).enabled);
            EXPECT_TRUE(info(id).checked);
        }
        for (int id : {302, 307, 310, 311, 312, 318, 319}) EXPECT_EQ(info(id).limit, 259u) << id;
        // The bar got its reserved message; the smaller picture shows, its top at 300's top.
        const std::vector<OsMessage> sent = os_script_sent_messages(item(ID_PROGRESS_BAR));
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].code, PB_RESERVED);
        EXPECT_EQ(sent[0].param2, 0x320000);
        EXPECT_FALSE(info(ID_PICTURE_LARGE).visible);
        EXPECT_TRUE(info(ID_PICTURE_SMALL).visible);
        const OS_POSITION box = info(ID_ALREADY_INSTALLED).position, picture = info(ID_PICTURE_SMALL).position;
        EXPECT_EQ(picture.y + picture.cy, box.y + box.cy);
        EXPECT_EQ(picture.x, info(ID_COPY_PHONE_BOOK).position.x);
        EXPECT_EQ(picture.cx, 200);
        os_DestroyWindow(dialog);
    }
    // Typing the destination fills the five directories below it.
    open();
    EXPECT_EQ(info(ID_DESTINATION_PATH).caret, 0u);
    EXPECT_EQ(os_script_type(item(ID_DESTINATION_PATH), "C:\\TEV"), 6);
    EXPECT_EQ(directories(), (std::vector<std::string>{"C:\\TEV\\LOG", "C:\\TEV\\OPTIONS", "C:\\TEV\\SCRIPT",
                                                        "C:\\TEV\\UPLOAD", "C:\\TEV\\DOWNLOAD"}));
    EXPECT_EQ(S.options_path, "C:\\TEV\\OPTIONS");
}

TEST_F(SetupDialog, EarlierInstallationIsFollowedUntilTheDestinationIsChanged) {
    earlier_installation("OLD", TPA_306, "C:\\OLD");
    make_dir(env.c_drive / "OLD2");
    open();
    // The recorded path in lower case; the destination and the directories follow it.
    EXPECT_EQ(text(ID_EXISTING_PATH), "c:\\old");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "c:\\old");
    EXPECT_EQ(directories(), (std::vector<std::string>{"c:\\old\\LOG", "c:\\old\\OPTIONS", "c:\\old\\SCRIPT",
                                                        "D:\\UP", "c:\\old\\DOWNLOAD"}));
    EXPECT_TRUE(S.existing_found);
    EXPECT_TRUE(info(ID_EXISTING_PATH).enabled);
    EXPECT_TRUE(info(ID_ALREADY_INSTALLED).checked);
    EXPECT_EQ(os_script_focus(), item(ID_DESTINATION_PATH));
    for (int id : {ID_COPY_OPTIONS, ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS}) EXPECT_FALSE(info(id).enabled);

    set(ID_EXISTING_PATH, "C:\\OLD2");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "C:\\OLD2");  // still following
    set(ID_DESTINATION_PATH, "C:\\NEW");
    EXPECT_FALSE(info(ID_COPY_PHONE_BOOK).enabled);  // OLD2 holds no settings
    set(ID_EXISTING_PATH, "C:\\OLD");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "C:\\NEW");  // the user's own value stays
    EXPECT_EQ(text(ID_OPTIONS_PATH), "C:\\NEW\\OPTIONS");
    for (int id : {ID_COPY_OPTIONS, ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS}) EXPECT_TRUE(info(id).enabled) << id;

    // Unchecking "already installed" clears and disables the existing path.
    os_script_click(item(ID_ALREADY_INSTALLED));
    EXPECT_EQ(S.already_installed, 0);
    EXPECT_EQ(text(ID_EXISTING_PATH), "");
    EXPECT_FALSE(info(ID_EXISTING_PATH).enabled);
    EXPECT_FALSE(info(ID_COPY_PHONE_BOOK).enabled);
    os_script_click(item(ID_ALREADY_INSTALLED));
    EXPECT_TRUE(info(ID_EXISTING_PATH).enabled);
}

TEST_F(SetupDialog, RecordedInstallationWithoutPathAsksForIt) {
    S.already_installed = 1;
    open();
    EXPECT_EQ(os_script_focus(), item(ID_EXISTING_PATH));
    EXPECT_TRUE(info(ID_EXISTING_PATH).enabled);
}

TEST_F(SetupDialog, FloppyDrivesAreRefused) {
    S.already_installed = 1;
    const struct {
        int id;
        const char* typed;
    } cases[] = {{ID_EXISTING_PATH, "a:\\"}, {ID_EXISTING_PATH, "B:\\TEV"}, {ID_DESTINATION_PATH, "a:\\TEV"}, {ID_DESTINATION_PATH, "b:"}};
    for (const auto& c : cases) {
        open();
        set(ID_EXISTING_PATH, "C:\\OLD");
        set(c.id, c.typed);
        EXPECT_EQ(text(ID_DESTINATION_PATH), "") << c.typed;
        EXPECT_EQ(directories(), std::vector<std::string>(5, "")) << c.typed;
        EXPECT_EQ(text(ID_EXISTING_PATH), c.id == ID_EXISTING_PATH ? "" : "C:\\OLD") << c.typed;
        os_DestroyWindow(dialog);
    }
}

TEST_F(SetupDialog, ShortPathsAreCompletedAndTypingGoesOnAtTheEnd) {
    S.already_installed = 1;
    open();
    // At the third key "\TE" becomes "C:\TE"; the caret stays at the end, so the
    // fourth key lands behind it.
    EXPECT_EQ(os_script_type(item(ID_EXISTING_PATH), "\\TEV"), 4);
    EXPECT_EQ(text(ID_EXISTING_PATH), "C:\\TEV");
    EXPECT_EQ(info(ID_EXISTING_PATH).caret, 6u);
    EXPECT_EQ(text(ID_DESTINATION_PATH), "C:\\TEV");
    EXPECT_EQ(info(ID_DESTINATION_PATH).caret, 6u);

    set(ID_DESTINATION_PATH, "");
    os_script_type(item(ID_DESTINATION_PATH), "NEWX");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "C:\\DIST\\NEWX");  // relative to the current directory
    EXPECT_EQ(text(ID_LOG_PATH), "C:\\DIST\\NEWX\\LOG");
}

TEST_F(SetupDialog, EditsTakeAtMost259Characters) {
    open();
    const std::string long_path = "C:\\" + std::string(300, 'D');
    EXPECT_EQ(os_script_type(item(ID_DESTINATION_PATH), long_path.c_str()), 259);
    read_fields(dialog);
    EXPECT_EQ(S.destination_path, long_path.substr(0, 259));
}

TEST_F(SetupDialog, ValidationShowsTheFirstEmptyFieldOnly) {
    const struct {
        std::vector<int> emptied;
        int message;
        int focus;
    } cases[] = {
        {{ID_UPLOAD_PATH, ID_DOWNLOAD_PATH}, msg_empty_upload_path, ID_UPLOAD_PATH},
        {{ID_DESTINATION_PATH}, msg_empty_destination, ID_DESTINATION_PATH},
        {{ID_DOWNLOAD_PATH, ID_LOG_PATH, ID_OPTIONS_PATH}, msg_empty_log_path, ID_LOG_PATH},
        {{ID_SCRIPT_PATH, ID_OPTIONS_PATH}, msg_empty_options_path, ID_OPTIONS_PATH},
        {{ID_SCRIPT_PATH}, msg_empty_script_path, ID_SCRIPT_PATH},
        {{ID_DOWNLOAD_PATH}, msg_empty_download_path, ID_DOWNLOAD_PATH},
    };
    for (const auto& c : cases) {
        const size_t before = env.boxes().size();
        open();
        set(ID_DESTINATION_PATH, "C:\\NEW");
        for (int id : c.emptied) set(id, "");
        os_script_click(item(ID_INSTALL));
        const std::vector<tz::Box> boxes = env.boxes();
        ASSERT_EQ(boxes.size(), before + 1) << c.message;
        EXPECT_EQ(boxes.back().text, message(c.message));
        EXPECT_EQ(boxes.back().style, OS_MB_INFORMATION);
        EXPECT_EQ(env.box_owners().back(), dialog);
        EXPECT_EQ(os_script_focus(), item(c.focus)) << c.message;
        EXPECT_FALSE(S.worker_started);
        EXPECT_TRUE(info(ID_INSTALL).enabled);
        os_DestroyWindow(dialog);
    }
}

TEST_F(SetupDialog, BetaQuestionComesFirstAndNoStopsInstall) {
    earlier_installation("OLD", "TEV2.60\nOptsPath=\"OPTIONS\"\n", "C:\\OLD");
    for (const int answer : {0, 1}) {
        open();
        set(ID_DESTINATION_PATH, "C:\\NEW");
        set(ID_UPLOAD_PATH, "");  // so that a Yes stops at the validation
        ASSERT_TRUE(S.existing_is_beta);
        const size_t before = env.boxes().size();
        env.answer_with([answer](const std::string&) { return answer; });
        os_script_click(item(ID_INSTALL));
        const std::vector<tz::Box> boxes = env.boxes();
        ASSERT_EQ(boxes.size(), before + 1 + answer);
        EXPECT_EQ(boxes[before].text, message(msg_ask_upgrade_from_beta));
        EXPECT_EQ(boxes[before].caption, "Information");
        EXPECT_EQ(boxes[before].style, OS_MB_YESNO | OS_MB_DEFAULT_NO);
        if (answer) {
            EXPECT_EQ(boxes.back().text, message(msg_empty_upload_path));
        }
        EXPECT_FALSE(S.worker_started);
        os_DestroyWindow(dialog);
    }
}

TEST_F(SetupDialog, CancelOrCloseBeforeInstallEndsWithoutAQuestion) {
    for (const bool close_box : {false, true}) {
        reset_setup_state();
        open();
        if (close_box) os_script_close(dialog);
        else os_script_click(item(ID_CANCEL));
        EXPECT_EQ(os_ProcessDlg(dialog), 0);
        EXPECT_TRUE(os_script_window(dialog).dismissed);
        EXPECT_TRUE(S.cancel_requested);
        EXPECT_TRUE(env.boxes().empty());
        os_DestroyWindow(dialog);
    }
}

TEST_F(SetupDialog, InstallationThenTheDocQuestion) {
    payload({{"TEV.EXE", "program"}, {"OPTIONS/STANDARD.TPA", TPA_306}});
    tz::write_text(env.c_drive / "DIST/README.DOC", "read me\r\n");
    // An option file of the earlier naming in the destination: copied to its
    // new name before anything is extracted, then gone as the copy is the same.
    make_dir(env.c_drive / "NEW");
    make_dir(env.c_drive / "NEW/OPTIONS");
    tz::write_text(env.c_drive / "NEW/OPTIONS/TEV.KEY", "my keys\n");
    open();
    set(ID_DESTINATION_PATH, "C:\\NEW");
    const int result = quietly([this] {
        os_script_click(item(ID_INSTALL));
        EXPECT_TRUE(S.worker_started);
        EXPECT_FALSE(info(ID_INSTALL).enabled);
        EXPECT_EQ(os_script_focus(), item(ID_DESTINATION_PATH));
        // A second Install, whatever sends it, starts nothing.
        os_script_send(dialog, OS_MSG_COMMAND, ID_INSTALL, 0);
        EXPECT_EQ(os_script_pending_threads(), 1);
        return os_ProcessDlg(dialog);
    });
    EXPECT_EQ(result, 0);  // No to the DOC question dismisses
    EXPECT_EQ(tz::read_text(env.c_drive / "NEW/TEV.EXE"), "program");
    EXPECT_EQ(tz::read_text(env.c_drive / "NEW/OPTIONS/standard.tky"), "my keys\n");
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/OPTIONS/TEV.KEY"));
    EXPECT_EQ(text(ID_STATUS_LINE), "Installation complete");
    EXPECT_EQ(GetWindowLongA(static_cast<HWND>(item(ID_PROGRESS_BAR)), 0), 100);
    const std::vector<tz::Box> boxes = env.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, message(msg_all_done));
    EXPECT_EQ(boxes[1].text, message(msg_ask_read_docs));
    EXPECT_EQ(boxes[1].caption, "Information");
    EXPECT_EQ(boxes[1].style, OS_MB_YESNO);
    EXPECT_TRUE(os_script_windows_of_class(TEXT_WINDOW_CLASS).empty());
}

TEST_F(SetupDialog, DocQuestionAfterAnErrorAndYesOpensTheWindows) {
    tz::write_text(env.c_drive / "DIST/INSTALL.FIL", "not an archive");
    tz::write_text(env.c_drive / "DIST/README.DOC", "read me\r\n");
    tz::write_text(env.c_drive / "DIST/ISDN.DOC", "isdn\r\n");
    env.answer_with([](const std::string& t) { return t == message(msg_ask_read_docs) ? 1 : 0; });
    open();
    set(ID_DESTINATION_PATH, "C:\\NEW");
    quietly([this] {
        os_script_click(item(ID_INSTALL));
        deliver_worker_end();
        return 0;
    });
    EXPECT_EQ(box_texts(), (std::vector<std::string>{message(msg_error_aborted), message(msg_ask_read_docs)}));
    // One window per DOC file found, in list order; the dialog stays until the last closes.
    const std::vector<HWIN> windows = os_script_windows_of_class(TEXT_WINDOW_CLASS);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(os_script_window(windows[0]).text, "ISDN.DOC");
    EXPECT_EQ(os_script_window(windows[1]).text, "README.DOC");
    EXPECT_EQ(os_script_window(os_SubWin(windows[1], TEXT_EDIT_ID)).text, "read me\r\n");
    os_script_close(windows[1]);
    EXPECT_FALSE(os_script_window(dialog).dismissed);
    os_script_close(windows[0]);
    EXPECT_TRUE(os_script_window(dialog).dismissed);
}

TEST_F(SetupDialog, YesWithoutAnyDocFileStillEndsTheSetup) {
    payload({{"TEV.EXE", "program"}});
    env.answer_with([](const std::string& t) { return t == message(msg_ask_read_docs) ? 1 : 0; });
    open();
    set(ID_DESTINATION_PATH, "C:\\NEW");
    EXPECT_EQ(quietly([this] {
                  os_script_click(item(ID_INSTALL));
                  return os_ProcessDlg(dialog);
              }),
              0);
    EXPECT_EQ(env.boxes().back().text, message(msg_ask_read_docs));
}

TEST_F(SetupDialog, CancelDuringTheInstallationStopsAfterTheMemberAndAsksNothing) {
    payload({{"A.TXT", "a"}, {"B.TXT", "b"}, {"C.TXT", "c"}});
    env.install_recording_ui();  // statuses recorded; boxes and the end notice go to the dialog
    open();
    set(ID_DESTINATION_PATH, "C:\\NEW");
    // While B.TXT is shown, the user presses Cancel (a click queued for the dialog thread).
    env.on_status(2, [this] {
        os_PostMsg(dialog, OS_MSG_COMMAND, ID_CANCEL, 0);
        for (int i = 0; i < 2000 && !S.cancel_requested; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    EXPECT_EQ(quietly([this] {
                  os_script_click(item(ID_INSTALL));
                  return os_ProcessDlg(dialog);
              }),
              0);
    EXPECT_TRUE(S.cancel_requested);
    EXPECT_EQ(env.statuses(), (std::vector<std::string>{"A.TXT", "B.TXT"}));
    EXPECT_TRUE(tz::file_exists(env.c_drive / "NEW/B.TXT"));
    EXPECT_FALSE(tz::file_exists(env.c_drive / "NEW/C.TXT"));
    EXPECT_EQ(box_texts(), std::vector<std::string>{message(msg_cancelled)});
    // Cancel after the end changes nothing.
    os_script_click(item(ID_CANCEL));
    EXPECT_EQ(os_script_pump(), 0);
}

TEST_F(SetupDialog, FieldsStayAsInstallLeftThemWhileTheWorkerRuns) {
    open();
    set(ID_DESTINATION_PATH, "C:\\NEW");
    S.worker_started = true;  // as Install leaves it
    set(ID_DESTINATION_PATH, "C:\\OTHER");
    set(ID_OPTIONS_PATH, "C:\\ELSEWHERE");
    os_script_click(item(ID_ALREADY_INSTALLED));
    EXPECT_EQ(S.destination_path, "C:\\NEW");
    EXPECT_EQ(S.options_path, "C:\\NEW\\OPTIONS");
    EXPECT_EQ(text(ID_LOG_PATH), "C:\\NEW\\LOG");
    EXPECT_EQ(S.already_installed, 0);
    // Install is ignored: no check, no box, no thread.
    set(ID_UPLOAD_PATH, "");
    os_script_send(dialog, OS_MSG_COMMAND, ID_INSTALL, 0);
    EXPECT_TRUE(env.boxes().empty());
    EXPECT_EQ(os_script_pending_threads(), 0);
}

// The runner as start-up calls it: a reinstallation over the recorded
// installation, Install pressed by a queued click; the runner returns only
// after the worker thread has ended.
TEST_F(SetupDialog, RunnerShowsTheDialogAndWaitsForTheWorker) {
    payload({{"TEV.EXE", "program"}});
    earlier_installation("OLD", TPA_306, "C:\\OLD");
    install_dialog_runner();
    std::thread user([] {
        for (int i = 0; i < 4000; ++i) {
            const std::vector<HWIN> dialogs = os_script_windows_of_class("#32770");
            if (!dialogs.empty()) {
                os_PostMsg(dialogs[0], OS_MSG_COMMAND, ID_INSTALL, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const tz::EngineRun run = tz::capture_streams([] { return setup_main("C:\\DIST\\SETUP.EXE"); });
    user.join();
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(tz::read_text(env.c_drive / "OLD/TEV.EXE"), "program");
    EXPECT_EQ(os_script_pending_threads(), 0);
    EXPECT_EQ(worker_thread_id(), 0);
    EXPECT_TRUE(os_script_windows_of_class("#32770").empty());
    EXPECT_EQ(S.dialog, nullptr);
    EXPECT_EQ(box_texts().back(), message(msg_ask_read_docs));
    set_dialog_runner(nullptr);
}

}  // namespace
