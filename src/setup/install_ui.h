// InstallUi: the setup's only view of the user outside its dialog. Start-up
// reports its refusals through it, and the install worker reports its status
// and progress, asks its questions, shows its final messages and announces its
// end through it, so that they run the same with the setup dialog (Windows),
// on the terminal (setup_headless), or under a test that records every call.
#pragma once

#include <cstdint>
#include <functional>

struct CopyChoices;

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

// The view start-up and the worker use. Until one is installed, and for every
// operation an installed view leaves out, nothing is shown and every question
// is answered no. Every message and question (with its answer) also goes to
// the log (migration/install_log.h).
void set_install_ui(InstallUi ui);
const InstallUi& install_ui();

// Writes a question and its answer to the log (for questions asked elsewhere).
void log_question(const char* text, bool yes);

// Whether copy check box `id` (303, 304 or 305) is enabled for these choices.
bool copy_box_enabled(const CopyChoices& choices, int id);
