#include "setup/unattended.h"

#include "migration/install_log.h"
#include "migration/path_settings.h"
#include "setup/command_line.h"
#include "setup/dialog_model.h"
#include "setup/install_worker.h"
#include "setup/messages.h"
#include "setup/profile.h"
#include "setup/setup_state.h"

InstallUi silent_install_ui() {
    InstallUi ui;
    ui.option_enabled = [](int id) { return copy_box_enabled(copy_choices(S), id); };
    ui.ask = [](const char*) { return false; };
    return ui;
}

int install_without_dialog(const SetupOptions& options, const std::function<bool()>& run_worker) {
    const InstallUi& ui = install_ui();
    DialogModel model;
    dialog_initialise(model, profile_home_path());
    if (!options.destination.empty()) dialog_type_text(model, ID_DESTINATION_PATH, options.destination);
    DialogChanges install = dialog_install(model, false);
    if (install.question >= 0) {
        const bool yes = options.force ? true : ui.ask(message(install.question));
        if (options.force) log_line(std::string("question: ") + message(install.question) + " -> yes (/FORCE)");
        if (!yes) {
            log_line("stopped: the earlier installation is a beta version; /FORCE installs over it");
            return SETUP_EXIT_FAILED;
        }
        install = dialog_install(model, true);
    }
    if (install.message >= 0) {
        ui.error(message(install.message));
        if (install.message == msg_empty_destination) log_line("stopped: no destination; /DIR= names one");
        return SETUP_EXIT_BAD_COMMAND_LINE;
    }
    if (!install.start) return SETUP_EXIT_FAILED;
    const auto on_this_thread = [] {
        install_worker(nullptr);
        return true;
    };
    if (!start_installation(run_worker ? run_worker : on_this_thread)) return SETUP_EXIT_FAILED;
    return S.exit_code;
}
