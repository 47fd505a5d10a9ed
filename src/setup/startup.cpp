#include "setup/startup.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "migration/install_log.h"
#include "platform/crt.h"
#include "platform/os_layer.h"
#include "platform/registry.h"
#include "setup/install_ui.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/unattended.h"
#include "setup/uninstaller.h"

namespace {

DialogRunner dialog_runner = nullptr;
SetupOptions current_options;

const char* const LANGUAGE_NAMES[LANGUAGE_COUNT] = {"English", "German", "French"};

// Makes the directory of `program_path` the current directory, so that the
// payload, the DOC files and the DLLs are found next to the program.
void enter_program_directory(const char* program_path) {
    if (!program_path || std::strlen(program_path) > SETUP_PATH_MAX) return;  // would be cut
    char drive[_MAX_DRIVE];
    char dir[_MAX_DIR];
    _splitpath(program_path, drive, dir, nullptr, nullptr);
    const std::string directory = std::string(drive) + dir;
    if (!directory.empty()) _chdir(directory.c_str());
}

// The start of the run and its options, for the log.
void log_start(const SetupOptions& options) {
    log_line(std::string("TEV Setup V") + PRODUCT_VERSION + " started " + log_time_now());
    log_line("program " + S.program_path);
    log_line("command line: " + options.text);
    log_line(options.uninstall ? "uninstalling" : options.silent ? "unattended (/S)" : "with the dialog");
}

// Start-up up to the dialog; the exit code.
int run(const char* program_path, const SetupOptions& options) {
    enter_program_directory(program_path);
    S.program_path = program_path ? program_path : "";
    S.all_users = options.all_users;
    log_start(options);
    const InstallUi& ui = install_ui();

    for (int language = 0; language < LANGUAGE_COUNT; ++language) {
        if (_access(PAYLOAD_NAMES[language], 0) == 0) {
            S.payload_name = PAYLOAD_NAMES[language];
            S.language_index = language;
            break;
        }
    }
    // The usage, in the payload's language (or English); an argument not
    // understood is named above it.
    if (!options.rejected.empty()) {
        ui.error(("\"" + options.rejected + "\"\r\r" + message(msg_usage)).c_str());
        return SETUP_EXIT_BAD_COMMAND_LINE;
    }
    if (options.help) {
        ui.info(message(msg_usage));
        return SETUP_EXIT_DONE;
    }
    if (options.uninstall) return run_uninstall(options);

    if (S.payload_name.empty()) {
        ui.error(message(msg_no_payload));
        return SETUP_EXIT_REFUSED;
    }
    log_line(std::string("language ") + LANGUAGE_NAMES[S.language_index] + " (" + S.payload_name + ")");
    if (os_QuerySysValue(OS_SV_PLATFORM) == OS_PLATFORM_NT && os_QuerySysValue(OS_SV_VERSION) < 400) {
        ui.error(message(msg_needs_nt4));
        return SETUP_EXIT_REFUSED;
    }
    if (options.all_users && !registry_may_write(RegistryRoot::machine)) {
        ui.error(message(msg_needs_rights));
        return SETUP_EXIT_NOT_ALLOWED;
    }

    char window_pos[28];
    uint32_t size = sizeof window_pos;
    if (os_IniMgr(OS_INI_QUERY, 0, PROFILE_APPLICATION, PROFILE_WINDOW_POS, window_pos, &size))
        S.already_installed = 1;

    if (options.silent) return install_without_dialog(options);
    S.exit_code = SETUP_EXIT_CANCELLED;  // until an installation ends otherwise
    if (dialog_runner) dialog_runner();
    S.dialog = nullptr;
    return S.exit_code;
}

}  // namespace

void set_dialog_runner(DialogRunner runner) { dialog_runner = runner; }

const SetupOptions& setup_options() { return current_options; }

int setup_main(const char* program_path, const SetupOptions& options) {
    current_options = options;
    OS_THREADCTX context;
    os_InitWinThread(&context, 0, 0);
    // The log is opened before the program's directory becomes the current
    // one: a relative name is meant from where the program was started.
    SetupOptions checked = options;
    if (!options.log_path.empty() && !log_open(options.log_path) && checked.rejected.empty())
        checked.rejected = "/LOG=" + options.log_path;
    if (checked.silent) set_install_ui(silent_install_ui());

    const int code = run(program_path, checked);
    log_line("ended " + log_time_now() + " with exit code " + std::to_string(code));
    log_close();
    os_CleanupWinThread(&context);
    return code;
}
