// The setup dialog: its procedure (initialise, the field handlers, Install with
// its checks, Cancel and close, the end of the worker with the DOC question),
// and the runner that start-up calls to show it.
#pragma once

#include <cstdint>

#include "platform/os_layer.h"

// Control ids of the setup dialog (the check boxes, the progress bar and the
// status line that the worker reaches are in install_ui.h).
enum : int {
    ID_INSTALL = 1,
    ID_CANCEL = 2,
    ID_PICTURE_LARGE = 200,
    ID_PICTURE_SMALL = 201,
    ID_ALREADY_INSTALLED = 300,
    ID_EXISTING_LABEL = 301,
    ID_EXISTING_PATH = 302,
    ID_DESTINATION_PATH = 307,
    ID_LOG_PATH = 310,
    ID_OPTIONS_PATH = 311,
    ID_SCRIPT_PATH = 312,
    ID_UPLOAD_PATH = 318,
    ID_DOWNLOAD_PATH = 319,
};

// Dialog resources: 100 English, 101 German, 102 French (100 + language).
constexpr int DIALOG_RESOURCE_BASE = 100;
// The program's version, appended to the dialog's caption.
inline constexpr const char* SETUP_VERSION_SUFFIX = " V3.061";

// The dialog procedure given to os_LoadDlg.
intptr_t setup_dialog_proc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2);

// Copies every control of the dialog into SetupState.
void read_fields(HWIN dialog);

// The dialog phase of start-up: registers the "ProgressBar" class, creates the
// dialog of the payload's language, runs it until it is dismissed, destroys it,
// and waits for the install worker to end.
void run_setup_dialog();
// Makes run_setup_dialog start-up's dialog runner (set_dialog_runner). The
// Windows program entry calls this before setup_main.
void install_dialog_runner();

// The id of the install worker's thread (0 while none was started); the runner waits for it.
int worker_thread_id();
