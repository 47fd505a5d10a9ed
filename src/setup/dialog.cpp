#include "setup/dialog.h"

#include <array>
#include <cctype>
#include <string>

#include "migration/file_helpers.h"
#include "migration/path_settings.h"
#include "platform/crt.h"
#include "platform/win32_gui.h"
#include "setup/dialog_layout.h"
#include "setup/install_ui.h"
#include "setup/install_worker.h"
#include "setup/message_boxes.h"
#include "setup/messages.h"
#include "setup/progress_bar.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "setup/text_viewer.h"

namespace {

int worker_thread = 0;

// Longest caption read back before the version is appended.
constexpr int CAPTION_LIMIT = 150;
// Pixel sizes of the two pictures.
constexpr int32_t LARGE_PICTURE_CX = 230, LARGE_PICTURE_CY = 210;
constexpr int32_t SMALL_PICTURE_CX = 200, SMALL_PICTURE_CY = 180;
// PB_RESERVED's second parameter as the dialog sends it.
constexpr intptr_t PB_RESERVED_PARAM = 0x320000;

// The seven edits, prepared alike.
constexpr std::array<int, 7> EDIT_IDS = {ID_EXISTING_PATH, ID_DESTINATION_PATH, ID_LOG_PATH, ID_OPTIONS_PATH,
                                         ID_SCRIPT_PATH,   ID_UPLOAD_PATH,      ID_DOWNLOAD_PATH};
// The five directory edits with their fields, in the order they are filled.
struct DirectoryEdit {
    int id;
    int kind;  // DIR_LOG, ...
};
constexpr std::array<DirectoryEdit, DIR_COUNT> DIRECTORY_EDITS = {{
    {ID_LOG_PATH, DIR_LOG},
    {ID_OPTIONS_PATH, DIR_OPTIONS},
    {ID_SCRIPT_PATH, DIR_SCRIPT},
    {ID_UPLOAD_PATH, DIR_UPLOAD},
    {ID_DOWNLOAD_PATH, DIR_DOWNLOAD},
}};
// Install's checks, first failure wins: the field, its message and its edit.
struct Requirement {
    std::string* field;
    int message;
    int id;
};

HWIN control(HWIN dialog, int id) { return os_SubWin(dialog, id); }

std::string text_of(HWIN dialog, int id) {
    char buffer[OS_PATH_SIZE];
    os_QueryWindowText(control(dialog, id), OS_PATH_SIZE, buffer);
    return buffer;
}

// Replaces an edit's text (its handler runs before this returns) and puts the
// caret behind the text, where the user was typing.
void set_edit(HWIN dialog, int id, const std::string& text) {
    HWIN edit = control(dialog, id);
    os_SetWindowText(edit, text.c_str());
    os_ContrlMgr(edit, 0, OS_CM_CARET_TO_END, 0);
}

bool equal_nocase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && compare_nocase(a, b, a.size()) == 0;
}

// A typed short path ("\TE", "TEV") rather than a drive root ("C:\").
bool is_short_relative(const std::string& path) { return path.size() == 3 && path.compare(1, 2, ":\\") != 0; }

bool on_floppy(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && (std::tolower(static_cast<unsigned char>(path[0])) == 'a' ||
                                                  std::tolower(static_cast<unsigned char>(path[0])) == 'b');
}

std::string lower_case(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void existing_path_changed(HWIN dialog) {
    S.existing_is_beta = false;
    const std::string previous = S.existing_path;
    read_fields(dialog);
    if (is_short_relative(S.existing_path)) {
        std::string absolute = S.existing_path;
        if (make_absolute(absolute) && absolute != S.existing_path) {
            S.existing_path = absolute;
            set_edit(dialog, ID_EXISTING_PATH, absolute);
        }
    }
    if (on_floppy(S.existing_path)) {
        set_edit(dialog, ID_EXISTING_PATH, "");
        set_edit(dialog, ID_DESTINATION_PATH, "");
    } else {
        std::string keyword_file, line_file;
        join_path(keyword_file, S.existing_path, "OPTIONS\\STANDARD.TPA");
        join_path(line_file, S.existing_path, "OPTIONS\\TEVPATH.DAT");
        const bool found = (!keyword_file.empty() && _access(keyword_file.c_str(), 0) == 0) ||
                           (!line_file.empty() && _access(line_file.c_str(), 0) == 0);
        if (found) read_existing_paths(keyword_file, line_file);
        else reset_existing_paths();
    }
    // The destination follows the existing path until the user gives it a value of its own.
    if (equal_nocase(S.destination_path, previous) || S.destination_path.empty())
        S.destination_path = S.existing_path;
    set_edit(dialog, ID_DESTINATION_PATH, S.destination_path);
    update_copy_choices(dialog);
}

void destination_changed(HWIN dialog) {
    read_fields(dialog);
    if (is_short_relative(S.destination_path)) {
        std::string absolute = S.destination_path;
        if (make_absolute(absolute) && absolute != S.destination_path) {
            S.destination_path = absolute;
            set_edit(dialog, ID_DESTINATION_PATH, absolute);
        }
    }
    if (on_floppy(S.destination_path)) set_edit(dialog, ID_DESTINATION_PATH, "");
    for (const DirectoryEdit& e : DIRECTORY_EDITS)
        rebase_path(S.destination_path, new_dir_path(e.kind), S.existing_paths[e.kind]);
    for (const DirectoryEdit& e : DIRECTORY_EDITS) set_edit(dialog, e.id, new_dir_path(e.kind));
    update_copy_choices(dialog);
}

void already_installed_changed(HWIN dialog) {
    S.already_installed = os_IsButtonChecked(control(dialog, ID_ALREADY_INSTALLED));
    os_EnableWindow(control(dialog, ID_EXISTING_LABEL), S.already_installed);
    os_EnableWindow(control(dialog, ID_EXISTING_PATH), S.already_installed);
    if (!S.already_installed) {
        S.existing_path.clear();
        set_edit(dialog, ID_EXISTING_PATH, "");
    }
}

// Field notifications; ignored once the worker runs, so that the paths and the
// choices it reads stay as they were when Install was pressed.
void field_changed(HWIN dialog, int id, unsigned notification) {
    if (S.worker_started) return;
    switch (id) {
    case ID_EXISTING_PATH:
        if (notification == OS_NOTIFY_EDIT_CHANGED) existing_path_changed(dialog);
        break;
    case ID_DESTINATION_PATH:
        if (notification == OS_NOTIFY_EDIT_CHANGED) destination_changed(dialog);
        break;
    case ID_OPTIONS_PATH:
        S.options_path = text_of(dialog, ID_OPTIONS_PATH);
        update_copy_choices(dialog);
        break;
    case ID_SCRIPT_PATH:
        S.script_path = text_of(dialog, ID_SCRIPT_PATH);
        update_copy_choices(dialog);
        break;
    case ID_ALREADY_INSTALLED: already_installed_changed(dialog); break;
    default: break;
    }
}

// Picture 200 where there is room for it between the tops of 300 and 304, else
// the smaller 201, both at 304's x with their tops at 300's top.
void place_pictures(HWIN dialog) {
    OS_POSITION box300, box304;
    if (!os_QueryWinPos(control(dialog, ID_ALREADY_INSTALLED), &box300) ||
        !os_QueryWinPos(control(dialog, ID_COPY_PHONE_BOOK), &box304))
        return;
    const int32_t top = box300.y + box300.cy;
    HWIN large_picture = control(dialog, ID_PICTURE_LARGE);
    HWIN small_picture = control(dialog, ID_PICTURE_SMALL);
    os_SetWinPos(large_picture, 0, box304.x, top - LARGE_PICTURE_CY, LARGE_PICTURE_CX, LARGE_PICTURE_CY,
                 OS_SWP_SIZE | OS_SWP_MOVE);
    os_SetWinPos(small_picture, 0, box304.x, top - SMALL_PICTURE_CY, SMALL_PICTURE_CX, SMALL_PICTURE_CY,
                 OS_SWP_SIZE | OS_SWP_MOVE);
    const bool room = top - (box304.y + box304.cy) >= LARGE_PICTURE_CY;
    os_ShowWindow(large_picture, room ? 1 : 0);
    os_ShowWindow(small_picture, room ? 0 : 1);
}

void initialise(HWIN dialog) {
    S.dialog = dialog;

    char caption[CAPTION_LIMIT + 1];
    os_QueryWindowText(dialog, sizeof caption, caption);
    os_SetWindowText(dialog, (std::string(caption) + SETUP_VERSION_SUFFIX).c_str());

    for (int id : EDIT_IDS) os_ContrlMgr(control(dialog, id), 0, OS_CM_PREPARE_EDIT, 0);

    os_CheckControl(control(dialog, ID_ALREADY_INSTALLED), S.already_installed);
    os_CheckControl(control(dialog, ID_COPY_OPTIONS), S.copy_options);
    os_CheckControl(control(dialog, ID_COPY_PHONE_BOOK), S.copy_phone_book);
    os_CheckControl(control(dialog, ID_COPY_SCRIPTS), S.copy_scripts);

    char home[OS_PATH_SIZE];
    uint32_t size = sizeof home;
    if (os_IniMgr(OS_INI_QUERY, 0, PROFILE_APPLICATION, PROFILE_HOME_PATH, home, &size)) S.existing_path = lower_case(home);
    else S.existing_path.clear();

    // Each of these runs its change handler, as typing would.
    set_edit(dialog, ID_EXISTING_PATH, S.existing_path);
    set_edit(dialog, ID_DESTINATION_PATH, S.destination_path);
    for (const DirectoryEdit& e : DIRECTORY_EDITS) set_edit(dialog, e.id, new_dir_path(e.kind));

    SendMessageA(static_cast<HWND>(control(dialog, ID_PROGRESS_BAR)), PB_RESERVED, 0, PB_RESERVED_PARAM);

    os_EnableWindow(control(dialog, ID_EXISTING_LABEL), S.already_installed);
    os_EnableWindow(control(dialog, ID_EXISTING_PATH), S.already_installed);
    for (int id : {ID_COPY_OPTIONS, ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS}) os_EnableWindow(control(dialog, id), 0);

    place_pictures(dialog);

    os_CenterWinOverWin(nullptr, dialog, 1);
    os_SetWinPos(dialog, OS_HWND_TOP, 0, 0, 0, 0, OS_SWP_SHOW | OS_SWP_ACTIVATE);

    const bool ask_existing = S.already_installed == 1 && S.existing_path.empty();
    os_SetFocus(control(dialog, ask_existing ? ID_EXISTING_PATH : ID_DESTINATION_PATH));
}

void install(HWIN dialog) {
    if (S.worker_started) return;  // one installation per run, whatever sent the command
    if (S.existing_is_beta &&
        !ask_yes_no(dialog, message(msg_caption_info), message(msg_ask_upgrade_from_beta), OS_MB_DEFAULT_NO))
        return;
    read_fields(dialog);
    const std::array<Requirement, 6> requirements = {{
        {&S.destination_path, msg_empty_destination, ID_DESTINATION_PATH},
        {&S.log_path, msg_empty_log_path, ID_LOG_PATH},
        {&S.options_path, msg_empty_options_path, ID_OPTIONS_PATH},
        {&S.script_path, msg_empty_script_path, ID_SCRIPT_PATH},
        {&S.upload_path, msg_empty_upload_path, ID_UPLOAD_PATH},
        {&S.download_path, msg_empty_download_path, ID_DOWNLOAD_PATH},
    }};
    for (const Requirement& r : requirements) {
        if (r.field->empty()) {
            show_info(message(r.message));
            os_SetFocus(control(dialog, r.id));
            return;
        }
    }
    os_EnableWindow(control(dialog, ID_INSTALL), 0);
    os_SetFocus(control(dialog, ID_DESTINATION_PATH));
    worker_thread = start_installation();
    // No worker: nothing would ever end the installation; stay in editing.
    if (worker_thread == 0) os_EnableWindow(control(dialog, ID_INSTALL), 1);
}

void cancel(HWIN dialog) {
    S.cancel_requested = true;
    if (!S.worker_started) os_PostMsg(dialog, WM_SETUP_DONE, 0, 0);
}

void worker_done(HWIN dialog) {
    if (!S.cancel_requested && ask_yes_no(dialog, "Information", message(msg_ask_read_docs), 0)) {
        // The last text window to close ends the setup; without any, end it now.
        if (show_doc_files() > 0) return;
    }
    os_DismissDlg(dialog, 0);
}

}  // namespace

void read_fields(HWIN dialog) {
    S.already_installed = os_IsButtonChecked(control(dialog, ID_ALREADY_INSTALLED));
    S.existing_path = text_of(dialog, ID_EXISTING_PATH);
    S.destination_path = text_of(dialog, ID_DESTINATION_PATH);
    S.copy_options = os_IsButtonChecked(control(dialog, ID_COPY_OPTIONS));
    S.copy_phone_book = os_IsButtonChecked(control(dialog, ID_COPY_PHONE_BOOK));
    S.copy_scripts = os_IsButtonChecked(control(dialog, ID_COPY_SCRIPTS));
    for (const DirectoryEdit& e : DIRECTORY_EDITS) new_dir_path(e.kind) = text_of(dialog, e.id);
}

intptr_t setup_dialog_proc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2) {
    uintptr_t p1 = param1;
    intptr_t p2 = param2;
    switch (os_TranslateMsg(window, message, &p1, &p2)) {
    case OS_MSG_INITDLG: initialise(window); return 1;
    case OS_MSG_COMMAND:
        if (os_msg_id(p1) == ID_INSTALL) install(window);
        else if (os_msg_id(p1) == ID_CANCEL) cancel(window);
        else field_changed(window, os_msg_id(p1), os_msg_notification(p1));
        return 0;
    case OS_MSG_CONTROL: field_changed(window, os_msg_id(p1), os_msg_notification(p1)); return 0;
    case OS_MSG_CLOSE: cancel(window); return 0;
    case WM_SETUP_DONE: worker_done(window); return 0;
    default: return os_DefDlgProc(window, message, param1, param2);
    }
}

void run_setup_dialog() {
    load_dialog_templates();
    register_window_type(PROGRESS_BAR_CLASS, progress_bar_proc, 0, 0);
    HWIN dialog = os_LoadDlg(nullptr, nullptr, setup_dialog_proc, 0, DIALOG_RESOURCE_BASE + S.language_index, nullptr);
    if (dialog) {
        S.dialog = dialog;
        os_ProcessDlg(dialog);
        os_DestroyWindow(dialog);
    }
    S.dialog = nullptr;
    // The process must not end under the worker: wait for it (it has posted its
    // end, so it is about to finish).
    if (worker_thread) os_WaitThread(worker_thread);
    worker_thread = 0;
}

void install_dialog_runner() { set_dialog_runner(run_setup_dialog); }

int worker_thread_id() { return worker_thread; }
