// The installation without its dialog: setup.exe /S, and setup_headless.
//
// The dialog model fills SetupState exactly as the dialog does when it opens
// (the earlier installation named by the profile's "HomePath", its settings
// read, the destination following it), a destination given with /DIR= is then
// set as typing it would be (the five folders follow it), and Install runs its
// checks in the dialog's order: the beta question (unattended, only /FORCE
// answers it yes; otherwise the installation stops with exit code 2), the
// empty fields (no destination: exit code 4), then the installation.
#pragma once

#include <functional>

#include "setup/install_ui.h"

struct SetupOptions;

// The view of /S: nothing is shown (the log has it all); every question is
// answered no, which keeps the user's data; the copy boxes are enabled as the
// dialog would enable them.
InstallUi silent_install_ui();

// Runs the installation through install_ui(); returns the exit code. The
// install worker runs through `run_worker` (see start_installation: it starts
// install_worker and tells whether it did; the worker has ended when it
// returns); without it, on the calling thread.
int install_without_dialog(const SetupOptions& options,
                           const std::function<bool()>& run_worker = nullptr);
