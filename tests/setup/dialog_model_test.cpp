// The setup dialog's logic with plain values: initialise, the field handlers
// in their re-entrant order, short and floppy paths, the copy boxes, Install's
// question and checks, Cancel. (The real dialog is proven under Wine.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "setup/dialog_model.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "support/setup_env.h"

namespace {

using Texts = std::vector<std::pair<int, std::string>>;

const char* const TPA_306 =
    "TEV3.06\n"
    "DownloadPath=\"DOWNLOAD\"\n"
    "UploadPath=\"D:\\UP\"\n"
    "CapturePath=\"LOG\"\n"
    "ScriptPath=\"SCRIPT\"\n"
    "OptsPath=\"OPTIONS\"\n";

const std::vector<int> DIRECTORIES = {ID_LOG_PATH, ID_OPTIONS_PATH, ID_SCRIPT_PATH, ID_UPLOAD_PATH, ID_DOWNLOAD_PATH};

class DialogLogic : public ::testing::Test {
protected:
    tz::SetupEnv env;
    std::unique_ptr<tz::ScopedCwd> cwd;
    DialogModel model;

    void SetUp() override {
        ::mkdir((env.c_drive / "DIST").c_str(), 0777);
        cwd = std::make_unique<tz::ScopedCwd>(env.c_drive / "DIST");
    }

    // A fresh dialog as start-up opens it (already_installed as start-up found it).
    DialogChanges open(std::optional<std::string> home = std::nullopt, int already_installed = 0) {
        reset_setup_state();
        S.already_installed = already_installed;
        return dialog_initialise(model, home);
    }
    void earlier_installation(const char* dir, const char* tpa) {
        ::mkdir((env.c_drive / dir).c_str(), 0777);
        ::mkdir((env.c_drive / (std::string(dir) + "/OPTIONS")).c_str(), 0777);
        tz::write_text(env.c_drive / (std::string(dir) + "/OPTIONS/STANDARD.TPA"), tpa);
    }
    // The user (or a program) sets an edit's whole text.
    DialogChanges set(int id, const std::string& text) {
        model.text[id] = text;
        return dialog_control_changed(model, id, true);
    }
    // The user types key by key behind the text (the window code keeps the caret there).
    void type(int id, const std::string& keys) {
        for (char key : keys) set(id, model.text[id] + key);
    }
    void click(int id) {
        model.checked[id] = !model.checked[id];
        dialog_control_changed(model, id, false);
    }
    std::vector<std::string> directories() {
        std::vector<std::string> out;
        for (int id : DIRECTORIES) out.push_back(model.text[id]);
        return out;
    }
    std::vector<bool> copy_boxes() {
        return {model.enabled[ID_COPY_OPTIONS], model.enabled[ID_COPY_PHONE_BOOK], model.enabled[ID_COPY_SCRIPTS]};
    }
    static std::vector<std::string> below(const std::string& destination) {
        return {destination + "\\LOG", destination + "\\OPTIONS", destination + "\\SCRIPT", destination + "\\UPLOAD",
                destination + "\\DOWNLOAD"};
    }
};

// Every text is set as the dialog sets it, each edit's handler running before
// the next step: the existing path fills the destination, whose handler fills
// the five folders; then initialise sets the destination and the five again.
TEST_F(DialogLogic, InitialiseSetsTheEditsInTheDialogsOrder) {
    earlier_installation("OLD", TPA_306);
    const DialogChanges changes = open("C:\\OLD", 1);
    const std::vector<std::string> derived = {"c:\\old\\LOG", "c:\\old\\OPTIONS", "c:\\old\\SCRIPT", "D:\\UP",
                                              "c:\\old\\DOWNLOAD"};
    Texts folders;
    for (size_t i = 0; i < DIRECTORIES.size(); ++i) folders.emplace_back(DIRECTORIES[i], derived[i]);
    Texts expected = {{ID_EXISTING_PATH, "c:\\old"}, {ID_DESTINATION_PATH, "c:\\old"}};
    expected.insert(expected.end(), folders.begin(), folders.end());
    expected.emplace_back(ID_DESTINATION_PATH, "c:\\old");
    for (int round = 0; round < 2; ++round) expected.insert(expected.end(), folders.begin(), folders.end());
    EXPECT_EQ(changes.texts, expected);
    EXPECT_EQ(changes.focus, ID_DESTINATION_PATH);
    EXPECT_TRUE(S.existing_found);
    EXPECT_EQ(S.options_path, "c:\\old\\OPTIONS");
    EXPECT_EQ(copy_boxes(), std::vector<bool>(3, false));  // the same folders: nothing to copy
}

TEST_F(DialogLogic, StartStatesAndTypingADestination) {
    const struct {
        const char* what;
        std::optional<std::string> home;
        int already_installed;
        int focus;
        bool existing_enabled;
    } cases[] = {
        {"first installation", std::nullopt, 0, ID_DESTINATION_PATH, false},
        {"recorded installation without its path", std::nullopt, 1, ID_EXISTING_PATH, true},
        {"recorded installation", "C:\\OLD", 1, ID_DESTINATION_PATH, true},
    };
    for (const auto& c : cases) {
        const DialogChanges changes = open(c.home, c.already_installed);
        EXPECT_EQ(changes.focus, c.focus) << c.what;
        EXPECT_EQ(model.enabled[ID_EXISTING_PATH], c.existing_enabled) << c.what;
        EXPECT_EQ(model.enabled[ID_EXISTING_LABEL], c.existing_enabled) << c.what;
        EXPECT_TRUE(model.enabled[ID_INSTALL]) << c.what;
        EXPECT_EQ(copy_boxes(), std::vector<bool>(3, false)) << c.what;
        for (int id : DIALOG_CHECK_BOXES)
            EXPECT_EQ(model.checked[id], id == ID_ALREADY_INSTALLED ? c.already_installed : 1) << c.what;
    }
    // A first installation: 18 texts set, all empty; then typing the destination fills the five below it.
    const DialogChanges first = open();
    EXPECT_EQ(first.texts.size(), 18u);
    for (const auto& [id, text] : first.texts) EXPECT_EQ(text, "") << id;
    type(ID_DESTINATION_PATH, "C:\\TEV");
    EXPECT_EQ(directories(), below("C:\\TEV"));
    EXPECT_EQ(S.options_path, "C:\\TEV\\OPTIONS");
}

TEST_F(DialogLogic, DestinationFollowsTheExistingPathUntilChanged) {
    earlier_installation("OLD", TPA_306);
    ::mkdir((env.c_drive / "OLD2").c_str(), 0777);
    open("C:\\OLD", 1);
    EXPECT_EQ(model.text[ID_EXISTING_PATH], "c:\\old");  // the recorded path in lower case
    set(ID_EXISTING_PATH, "C:\\OLD2");
    EXPECT_EQ(model.text[ID_DESTINATION_PATH], "C:\\OLD2");  // still following
    EXPECT_EQ(directories(), below("C:\\OLD2"));            // OLD2 has no settings: the defaults
    set(ID_DESTINATION_PATH, "C:\\NEW");
    EXPECT_EQ(copy_boxes(), std::vector<bool>(3, false));
    set(ID_EXISTING_PATH, "C:\\OLD");
    EXPECT_EQ(model.text[ID_DESTINATION_PATH], "C:\\NEW");  // the user's own value stays
    EXPECT_EQ(model.text[ID_OPTIONS_PATH], "C:\\NEW\\OPTIONS");
    EXPECT_EQ(copy_boxes(), std::vector<bool>(3, true));

    // Unchecking "already installed" clears and disables the existing path.
    click(ID_ALREADY_INSTALLED);
    EXPECT_EQ(S.already_installed, 0);
    EXPECT_EQ(model.text[ID_EXISTING_PATH], "");
    EXPECT_FALSE(model.enabled[ID_EXISTING_PATH]);
    EXPECT_FALSE(model.enabled[ID_EXISTING_LABEL]);
    EXPECT_FALSE(model.enabled[ID_COPY_PHONE_BOOK]);
    click(ID_ALREADY_INSTALLED);
    EXPECT_TRUE(model.enabled[ID_EXISTING_PATH]);
}

TEST_F(DialogLogic, FloppyDrivesAreRefused) {
    const struct {
        int id;
        const char* typed;
    } cases[] = {{ID_EXISTING_PATH, "a:\\"}, {ID_EXISTING_PATH, "B:\\TEV"}, {ID_DESTINATION_PATH, "a:\\TEV"},
                 {ID_DESTINATION_PATH, "b:"}};
    for (const auto& c : cases) {
        open(std::nullopt, 1);
        set(ID_EXISTING_PATH, "C:\\OLD");
        set(c.id, c.typed);
        EXPECT_EQ(model.text[ID_DESTINATION_PATH], "") << c.typed;
        EXPECT_EQ(directories(), std::vector<std::string>(5, "")) << c.typed;
        EXPECT_EQ(model.text[ID_EXISTING_PATH], c.id == ID_EXISTING_PATH ? "" : "C:\\OLD") << c.typed;
    }
}

TEST_F(DialogLogic, ShortTypedPathsAreMadeAbsolute) {
    open(std::nullopt, 1);
    // At the third key "\TE" becomes "C:\TE"; the fourth key lands behind it.
    type(ID_EXISTING_PATH, "\\TEV");
    EXPECT_EQ(model.text[ID_EXISTING_PATH], "C:\\TEV");
    EXPECT_EQ(model.text[ID_DESTINATION_PATH], "C:\\TEV");
    set(ID_DESTINATION_PATH, "");
    type(ID_DESTINATION_PATH, "NEWX");  // relative to the current directory
    EXPECT_EQ(model.text[ID_DESTINATION_PATH], "C:\\DIST\\NEWX");
    EXPECT_EQ(model.text[ID_LOG_PATH], "C:\\DIST\\NEWX\\LOG");
    // A drive root stays as typed.
    set(ID_DESTINATION_PATH, "D:\\");
    EXPECT_EQ(model.text[ID_DESTINATION_PATH], "D:\\");
    EXPECT_EQ(model.text[ID_LOG_PATH], "D:\\LOG");
}

TEST_F(DialogLogic, InstallNamesTheFirstEmptyFieldOnly) {
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
        open();
        set(ID_DESTINATION_PATH, "C:\\NEW");
        for (int id : c.emptied) set(id, "");
        const DialogChanges changes = dialog_install(model, false);
        EXPECT_EQ(changes.message, c.message);
        EXPECT_EQ(changes.focus, c.focus) << c.message;
        EXPECT_FALSE(changes.start);
        EXPECT_TRUE(model.enabled[ID_INSTALL]);
    }
    // All set: Install is disabled, the focus goes to the destination, the installation starts.
    open();
    set(ID_DESTINATION_PATH, "C:\\NEW");
    set(ID_UPLOAD_PATH, "D:\\UP");
    const DialogChanges changes = dialog_install(model, false);
    EXPECT_TRUE(changes.start);
    EXPECT_EQ(changes.message, -1);
    EXPECT_EQ(changes.focus, ID_DESTINATION_PATH);
    EXPECT_FALSE(model.enabled[ID_INSTALL]);
    EXPECT_EQ(S.upload_path, "D:\\UP");  // the fields were read
}

TEST_F(DialogLogic, TheBetaQuestionComesFirst) {
    earlier_installation("OLD", "TEV2.60\nOptsPath=\"OPTIONS\"\n");
    open("C:\\OLD", 1);
    set(ID_DESTINATION_PATH, "C:\\NEW");
    set(ID_UPLOAD_PATH, "");
    ASSERT_TRUE(S.existing_is_beta);
    // Asked before anything is read or checked; a No leaves all as it was.
    DialogChanges changes = dialog_install(model, false);
    EXPECT_EQ(changes.question, msg_ask_upgrade_from_beta);
    EXPECT_EQ(changes.message, -1);
    EXPECT_FALSE(changes.start);
    EXPECT_EQ(S.upload_path, "C:\\NEW\\UPLOAD");
    // Yes: the checks follow.
    changes = dialog_install(model, true);
    EXPECT_EQ(changes.question, -1);
    EXPECT_EQ(changes.message, msg_empty_upload_path);
}

TEST_F(DialogLogic, NothingChangesOnceTheWorkerRuns) {
    open();
    set(ID_DESTINATION_PATH, "C:\\NEW");
    S.worker_started = true;  // as Install leaves it
    EXPECT_TRUE(set(ID_DESTINATION_PATH, "C:\\OTHER").texts.empty());
    set(ID_OPTIONS_PATH, "C:\\ELSEWHERE");
    click(ID_ALREADY_INSTALLED);
    EXPECT_EQ(S.destination_path, "C:\\NEW");
    EXPECT_EQ(S.options_path, "C:\\NEW\\OPTIONS");
    EXPECT_EQ(model.text[ID_LOG_PATH], "C:\\NEW\\LOG");
    EXPECT_EQ(S.already_installed, 0);
    set(ID_UPLOAD_PATH, "");
    const DialogChanges changes = dialog_install(model, false);
    EXPECT_FALSE(changes.start);
    EXPECT_EQ(changes.message, -1);  // no check either
}

TEST_F(DialogLogic, CancelEndsTheDialogOnlyWithoutAWorker) {
    open();
    S.install_failed = true;
    EXPECT_TRUE(dialog_offers_docs());  // also after an error
    EXPECT_TRUE(dialog_cancel());
    EXPECT_TRUE(S.cancel_requested);
    EXPECT_FALSE(dialog_offers_docs());
    open();
    S.worker_started = true;
    EXPECT_FALSE(dialog_cancel());  // the worker ends it
    EXPECT_TRUE(S.cancel_requested);
}

}  // namespace
