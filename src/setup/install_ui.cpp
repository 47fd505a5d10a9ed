#include "setup/install_ui.h"

#include <utility>

#include "platform/os_layer.h"
#include "platform/win32_shell.h"
#include "setup/message_boxes.h"
#include "setup/messages.h"
#include "setup/setup_state.h"

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

namespace {

InstallUi& current_ui() {
    static InstallUi ui = dialog_install_ui();
    return ui;
}

}  // namespace

void set_install_ui(InstallUi ui) {
    // Operations left out do nothing (and answer no).
    if (!ui.set_status) ui.set_status = [](const char*) {};
    if (!ui.set_percent) ui.set_percent = [](uint32_t) {};
    if (!ui.option_enabled) ui.option_enabled = [](int) { return false; };
    if (!ui.info) ui.info = [](const char*) {};
    if (!ui.error) ui.error = [](const char*) {};
    if (!ui.ask) ui.ask = [](const char*) { return false; };
    if (!ui.finished) ui.finished = [] {};
    current_ui() = std::move(ui);
}

const InstallUi& install_ui() { return current_ui(); }
