// InstallUi: the install worker's only view of the user. The worker reports its
// status and progress, asks its questions, shows its final messages and
// announces its end through this record, so that it runs the same with the
// setup dialog, without any window, or under a test that records every call.
#pragma once

#include <cstdint>
#include <functional>

// Control ids of the setup dialog that the worker's view reaches.
enum : int {
    ID_COPY_OPTIONS = 303,
    ID_COPY_PHONE_BOOK = 304,
    ID_COPY_SCRIPTS = 305,
    ID_PROGRESS_BAR = 308,
    ID_STATUS_LINE = 309,
};

// The progress bar's message that sets its percentage (first parameter).
constexpr uint32_t PB_SETPERCENT = 0x402;

struct InstallUi {
    std::function<void(const char* text)> set_status;  // replace the status line
    std::function<void(uint32_t percent)> set_percent; // show a percentage, synchronously
    std::function<bool(int id)> option_enabled;        // is copy check box 303, 304 or 305 enabled
    std::function<void(const char* text)> info;        // information box
    std::function<void(const char* text)> error;       // error box
    std::function<bool(const char* text)> ask;         // warning question, No is the default
    std::function<void()> finished;                    // the worker ends
};

// The view over the setup dialog (S.dialog): status line 309, progress bar 308,
// check boxes 303-305, message boxes owned by the dialog, WM_SETUP_DONE posted to it.
InstallUi dialog_install_ui();

// The view the worker uses; the dialog view until another is installed.
void set_install_ui(InstallUi ui);
const InstallUi& install_ui();
