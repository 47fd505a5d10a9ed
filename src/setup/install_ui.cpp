#include "setup/install_ui.h"

#include <string>
#include <utility>

#include "migration/install_log.h"
#include "migration/path_settings.h"

namespace {

// Fills what the view leaves out, and writes every message and question
// (with its answer) to the log as well.
InstallUi with_defaults(InstallUi ui) {
    if (!ui.set_status) ui.set_status = [](const char*) {};
    if (!ui.set_percent) ui.set_percent = [](uint32_t) {};
    if (!ui.option_enabled) ui.option_enabled = [](int) { return false; };
    if (!ui.finished) ui.finished = [] {};
    ui.info = [show = std::move(ui.info)](const char* text) {
        log_line(std::string("message: ") + text);
        if (show) show(text);
    };
    ui.error = [show = std::move(ui.error)](const char* text) {
        log_line(std::string("error: ") + text);
        if (show) show(text);
    };
    ui.ask = [ask = std::move(ui.ask)](const char* text) {
        const bool yes = ask && ask(text);
        log_question(text, yes);
        return yes;
    };
    return ui;
}

InstallUi& current_ui() {
    static InstallUi ui = with_defaults(InstallUi{});
    return ui;
}

}  // namespace

void log_question(const char* text, bool yes) { log_line(std::string("question: ") + text + (yes ? " -> yes" : " -> no")); }

void set_install_ui(InstallUi ui) { current_ui() = with_defaults(std::move(ui)); }

const InstallUi& install_ui() { return current_ui(); }

bool copy_box_enabled(const CopyChoices& choices, int id) {
    switch (id) {
    case ID_COPY_OPTIONS: return choices.options;
    case ID_COPY_PHONE_BOOK: return choices.phone_book;
    case ID_COPY_SCRIPTS: return choices.scripts;
    default: return false;
    }
}
