// The setup dialog's logic as a model over SetupState, without any window: the
// field handlers (existing path, destination, the options and script paths,
// the "already installed" box), the derived paths, the completion of short
// typed paths, the refusal of floppy drives, Install's beta question and its
// checks in their order, Cancel, and which boxes are enabled. The window code
// (src/setup/win32/dialog.cpp) reads its controls into the model, hands it
// each notification and writes the model's answer back; tests hand it plain
// values.
//
// In the dialog, setting an edit's text raises that edit's change
// notification at once, and the handlers rely on it: setting the existing
// path runs its handler, which fills the destination, whose handler derives
// the five folders. The model does the same inside itself: each text it sets
// runs the handler of that edit before the model goes on, so the fields end as
// they would and every step happens in the same order. The window code then
// writes the texts back without running the handlers a second time.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "setup/install_ui.h"  // the ids of the copy check boxes, the bar and the status line

// Control ids of the setup dialog.
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

// The seven edits and the four check boxes.
inline constexpr std::array<int, 7> DIALOG_EDITS = {ID_EXISTING_PATH, ID_DESTINATION_PATH, ID_LOG_PATH,
                                                    ID_OPTIONS_PATH,  ID_SCRIPT_PATH,      ID_UPLOAD_PATH,
                                                    ID_DOWNLOAD_PATH};
inline constexpr std::array<int, 4> DIALOG_CHECK_BOXES = {ID_ALREADY_INSTALLED, ID_COPY_OPTIONS,
                                                          ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS};

// The dialog's controls as the model sees them.
struct DialogModel {
    std::map<int, std::string> text;  // the seven edits, by id
    std::map<int, int> checked;       // the four check boxes, by id: 1 checked
    std::map<int, bool> enabled;      // what the model enables: Install, 301, 302 and the copy boxes
};

// What the window code does after a call of the model, in this order: set
// `texts` (each with the caret behind its text), enable or disable the
// controls as the model's `enabled` says, ask `question` or show `message`,
// then put the focus on `focus`.
struct DialogChanges {
    std::vector<std::pair<int, std::string>> texts;  // edits set, in the order they were set
    int question = -1;  // a warning question (message id); on yes, dialog_install again, confirmed
    int message = -1;   // an information box (message id)
    int focus = 0;      // the control to put the focus on; 0 none
    bool start = false; // Install passed its checks: start the installation
};

// Initialise: the check boxes from SetupState, the earlier installation's
// directory from `home_path` (the profile's "HomePath", in lower case; none:
// empty), the edits filled (each running its handler), the enabled states and
// the focus. The model starts from a fresh dialog: empty edits, nothing checked.
DialogChanges dialog_initialise(DialogModel& model, const std::optional<std::string>& home_path);

// Control `id` notified the dialog (`text_changed`: an edit's text changed);
// the model holds the controls' current values. Nothing happens once the
// worker runs, so that the paths and choices it reads stay as Install left them.
DialogChanges dialog_control_changed(DialogModel& model, int id, bool text_changed);

// The user typed `text` into edit `id` (or a command line gave it, as /DIR=
// gives the destination): the edit holds it, and its handler runs.
DialogChanges dialog_type_text(DialogModel& model, int id, const std::string& text);

// Install pressed: first the beta question when the earlier installation is a
// beta (`beta_confirmed`: it was answered yes), then the fields are read and
// checked, destination, log, options, script, upload, download, the first
// empty one named with its message and focused. When all are set, Install is
// disabled, the focus goes to the destination and `start` is set. Nothing once
// the worker was started.
DialogChanges dialog_install(DialogModel& model, bool beta_confirmed);

// Copies the controls into SetupState.
void read_fields(const DialogModel& model);

// Cancel or close: cancel_requested is set. True when the dialog must end
// itself (no worker runs that would end it).
bool dialog_cancel();

// The worker ended: true when the dialog offers the DOC files (message 19),
// that is unless the user cancelled.
bool dialog_offers_docs();
