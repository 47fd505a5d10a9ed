#include "setup/startup.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/crt.h"
#include "platform/os_layer.h"
#include "setup/install_ui.h"
#include "setup/messages.h"
#include "setup/setup_state.h"

namespace {

DialogRunner dialog_runner = nullptr;

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

}  // namespace

void set_dialog_runner(DialogRunner runner) { dialog_runner = runner; }

int setup_main(const char* program_path) {
    OS_THREADCTX context;
    os_InitWinThread(&context, 0, 0);

    enter_program_directory(program_path);

    for (int language = 0; language < LANGUAGE_COUNT; ++language) {
        if (_access(PAYLOAD_NAMES[language], 0) == 0) {
            S.payload_name = PAYLOAD_NAMES[language];
            S.language_index = language;
            break;
        }
    }
    if (S.payload_name.empty()) {
        install_ui().error(message(msg_no_payload));
        os_CleanupWinThread(&context);
        return 0;
    }

    if (os_QuerySysValue(OS_SV_PLATFORM) == OS_PLATFORM_NT && os_QuerySysValue(OS_SV_VERSION) < 400) {
        install_ui().error(message(msg_needs_nt4));
        os_CleanupWinThread(&context);
        return 0;
    }

    char window_pos[28];
    uint32_t size = sizeof window_pos;
    if (os_IniMgr(OS_INI_QUERY, 0, PROFILE_APPLICATION, PROFILE_WINDOW_POS, window_pos, &size))
        S.already_installed = 1;

    if (dialog_runner) dialog_runner();
    S.dialog = nullptr;
    os_CleanupWinThread(&context);
    return 0;
}
