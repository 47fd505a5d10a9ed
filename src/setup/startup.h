// The setup program's start-up: run from the program's own directory, choose
// the payload and with it the language, refuse old Windows NT versions, and
// note an earlier installation; then run the setup dialog. A refusal is shown
// as an error through install_ui().
#pragma once

// The payload names in the order they are looked for; the index of the one
// found is the language (English, German, French).
inline constexpr const char* PAYLOAD_NAMES[] = {"INSTALL.FIL", "INSTALLD.FIL", "INSTALLF.FIL"};

// Profile application of the product (with its trailing blank) and its values.
inline constexpr const char* PROFILE_APPLICATION = "Tevanet ";
inline constexpr const char* PROFILE_WINDOW_POS = "WindowPos";
inline constexpr const char* PROFILE_HOME_PATH = "HomePath";

// Runs the setup dialog (registering its window classes first) until it is
// dismissed. The window code installs it; without one, start-up ends after
// its checks (a headless run).
using DialogRunner = void (*)();
void set_dialog_runner(DialogRunner runner);

// Start-up and the dialog phase; `program_path` is the program's full path.
// Returns 0 in every case (also after a refusal).
int setup_main(const char* program_path);
