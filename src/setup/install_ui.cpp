#include "setup/install_ui.h"

#include <utility>

#include "migration/path_settings.h"

namespace {

InstallUi with_defaults(InstallUi ui) {
    if (!ui.set_status) ui.set_status = [](const char*) {};
    if (!ui.set_percent) ui.set_percent = [](uint32_t) {};
    if (!ui.option_enabled) ui.option_enabled = [](int) { return false; };
    if (!ui.info) ui.info = [](const char*) {};
    if (!ui.error) ui.error = [](const char*) {};
    if (!ui.ask) ui.ask = [](const char*) { return false; };
    if (!ui.finished) ui.finished = [] {};
    return ui;
}

InstallUi& current_ui() {
    static InstallUi ui = with_defaults(InstallUi{});
    return ui;
}

}  // namespace

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
