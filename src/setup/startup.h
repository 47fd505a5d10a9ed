// The setup program's start-up: run from the program's own directory, choose
// the payload and with it the language, take the command line (usage,
// rights), refuse old Windows NT versions, and note an earlier installation;
// then run the setup dialog, or the installation without it (/S), or the
// uninstaller (/UNINSTALL). Refusals and the usage are shown through
// install_ui(); a log (/LOG=) tells the whole run.
#pragma once

#include <optional>
#include <string>

#include "setup/command_line.h"
#include "setup/profile.h"

// The payload names in the order they are looked for; the index of the one
// found is the language (English, German, French).
inline constexpr const char* PAYLOAD_NAMES[] = {"INSTALL.FIL", "INSTALLD.FIL", "INSTALLF.FIL"};

// Runs the setup dialog (registering its window classes first) until it is
// dismissed. The window code installs it; without one, start-up ends after
// its checks (a headless run).
using DialogRunner = void (*)();
void set_dialog_runner(DialogRunner runner);

// Start-up and then the dialog phase, the unattended installation or the
// uninstaller; `program_path` is the program's full path. Returns the exit
// code (SETUP_EXIT_*).
int setup_main(const char* program_path, const SetupOptions& options = SetupOptions{});

// The options of the current run (for a dialog runner).
const SetupOptions& setup_options();
