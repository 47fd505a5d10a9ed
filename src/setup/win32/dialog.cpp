// The setup dialog on Windows: a binding of the dialog model (dialog_model.h)
// to the real dialog through the os_* layer. Before each notification it reads
// the controls into the model; after the model has handled it, it writes the
// model's answer back (texts, enabled states, a message box, the focus). What
// only a window has stays here: the caption, the edits' limit, the pictures,
// the placement, the progress bar, the DOC question and the text windows.
#include <map>
#include <string>

#include "setup/dialog_model.h"
#include "setup/install_worker.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "setup/win32/setup_windows.h"

namespace {

DialogModel model;
// The enabled states as last written to the controls.
std::map<int, bool> written_enabled;
int worker_thread = 0;
// Set while the binding writes the model's texts back: the change
// notifications this raises were handled by the model already.
bool writing_back = false;

// Longest caption read back before the version is appended.
constexpr int CAPTION_LIMIT = 150;
// Pixel sizes of the two pictures.
constexpr int32_t LARGE_PICTURE_CX = 230, LARGE_PICTURE_CY = 210;
constexpr int32_t SMALL_PICTURE_CX = 200, SMALL_PICTURE_CY = 180;
// PB_RESERVED's second parameter as the dialog sends it.
constexpr intptr_t PB_RESERVED_PARAM = 0x320000;

HWIN control(HWIN dialog, int id) { return os_SubWin(dialog, id); }

std::string text_of(HWIN dialog, int id) {
    char buffer[OS_PATH_SIZE];
    os_QueryWindowText(control(dialog, id), OS_PATH_SIZE, buffer);
    return buffer;
}

void read_controls(HWIN dialog) {
    for (int id : DIALOG_EDITS) model.text[id] = text_of(dialog, id);
    for (int id : DIALOG_CHECK_BOXES) model.checked[id] = os_IsButtonChecked(control(dialog, id));
}

void write_back(HWIN dialog, const DialogChanges& changes) {
    writing_back = true;
    for (const auto& [id, text] : changes.texts) {
        HWIN edit = control(dialog, id);
        os_SetWindowText(edit, text.c_str());
        // The caret behind the text, where the user was typing.
        os_ContrlMgr(edit, 0, OS_CM_CARET_TO_END, 0);
    }
    writing_back = false;
    for (const auto& [id, enabled] : model.enabled) {
        const auto written = written_enabled.find(id);
        if (written != written_enabled.end() && written->second == enabled) continue;
        os_EnableWindow(control(dialog, id), enabled ? 1 : 0);
        written_enabled[id] = enabled;
    }
    if (changes.message >= 0) show_info(message(changes.message));
    if (changes.focus) os_SetFocus(control(dialog, changes.focus));
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
    os_SetWindowText(dialog, (std::string(caption) + " V" + PRODUCT_VERSION).c_str());

    for (int id : DIALOG_EDITS) os_ContrlMgr(control(dialog, id), 0, OS_CM_PREPARE_EDIT, 0);

    DialogChanges changes = dialog_initialise(model, profile_home_path());
    // A destination from the command line (/DIR=), as if the user had typed it.
    if (!setup_options().destination.empty()) {
        const DialogChanges typed = dialog_type_text(model, ID_DESTINATION_PATH, setup_options().destination);
        changes.texts.insert(changes.texts.end(), typed.texts.begin(), typed.texts.end());
    }
    written_enabled.clear();

    for (int id : DIALOG_CHECK_BOXES) os_CheckControl(control(dialog, id), model.checked[id]);
    const int focus = changes.focus;
    changes.focus = 0;
    write_back(dialog, changes);
    SendMessageA(static_cast<HWND>(control(dialog, ID_PROGRESS_BAR)), PB_RESERVED, 0, PB_RESERVED_PARAM);

    place_pictures(dialog);
    os_CenterWinOverWin(nullptr, dialog, 1);
    os_SetWinPos(dialog, OS_HWND_TOP, 0, 0, 0, 0, OS_SWP_SHOW | OS_SWP_ACTIVATE);
    os_SetFocus(control(dialog, focus));
}

void control_changed(HWIN dialog, int id, unsigned notification) {
    if (writing_back) return;
    read_controls(dialog);
    write_back(dialog, dialog_control_changed(model, id, notification == OS_NOTIFY_EDIT_CHANGED));
}

void install(HWIN dialog) {
    read_controls(dialog);
    DialogChanges changes = dialog_install(model, false);
    if (changes.question >= 0) {
        const bool yes = ask_yes_no(dialog, message(msg_caption_info), message(changes.question), OS_MB_DEFAULT_NO);
        log_question(message(changes.question), yes);
        if (!yes) return;
        read_controls(dialog);
        changes = dialog_install(model, true);
    }
    write_back(dialog, changes);
    if (!changes.start) return;
    const bool started = start_installation([] {
        worker_thread = os_CreateThread(install_worker, nullptr);
        return worker_thread != 0;
    });
    // No worker: nothing would ever end the installation; stay in editing.
    if (!started) {
        model.enabled[ID_INSTALL] = true;
        write_back(dialog, DialogChanges{});
    }
}

void worker_done(HWIN dialog) {
    if (dialog_offers_docs()) {
        const bool yes = ask_yes_no(dialog, "Information", message(msg_ask_read_docs), 0);
        log_question(message(msg_ask_read_docs), yes);
        // The last text window to close ends the setup; without any, end it now.
        if (yes && show_doc_files() > 0) return;
    }
    os_DismissDlg(dialog, 0);
}

}  // namespace

InstallUi dialog_install_ui() {
    InstallUi ui;
    ui.set_status = [](const char* text) { os_SetWindowText(os_SubWin(S.dialog, ID_STATUS_LINE), text); };
    ui.set_percent = [](uint32_t percent) {
        SendMessageA(static_cast<HWND>(os_SubWin(S.dialog, ID_PROGRESS_BAR)), PB_SETPERCENT, percent, 0);
    };
    ui.option_enabled = [](int id) { return os_IsWindowEnabled(os_SubWin(S.dialog, id)) == 1; };
    ui.info = [](const char* text) { show_info(text); };
    ui.error = [](const char* text) { show_error(text); };
    ui.ask = [](const char* text) {
        return ask_yes_no(S.dialog, message(msg_caption_info), text, OS_MB_DEFAULT_NO);
    };
    ui.finished = [] { os_PostMsg(S.dialog, WM_SETUP_DONE, 0, 0); };
    return ui;
}

intptr_t setup_dialog_proc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2) {
    uintptr_t p1 = param1;
    intptr_t p2 = param2;
    switch (os_TranslateMsg(window, message, &p1, &p2)) {
    case OS_MSG_INITDLG: initialise(window); return 1;
    case OS_MSG_COMMAND:
        if (os_msg_id(p1) == ID_INSTALL) install(window);
        else if (os_msg_id(p1) == ID_CANCEL) {
            if (dialog_cancel()) os_PostMsg(window, WM_SETUP_DONE, 0, 0);
        } else control_changed(window, os_msg_id(p1), os_msg_notification(p1));
        return 0;
    case OS_MSG_CONTROL: control_changed(window, os_msg_id(p1), os_msg_notification(p1)); return 0;
    case OS_MSG_CLOSE:
        if (dialog_cancel()) os_PostMsg(window, WM_SETUP_DONE, 0, 0);
        return 0;
    case WM_SETUP_DONE: worker_done(window); return 0;
    default: return os_DefDlgProc(window, message, param1, param2);
    }
}

void run_setup_dialog() {
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

void install_dialog_runner() {
    set_install_ui(dialog_install_ui());
    set_dialog_runner(run_setup_dialog);
}
