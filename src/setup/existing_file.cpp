#include "setup/existing_file.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/engine.h"
#include "migration/file_helpers.h"
#include "platform/crt.h"
#include "setup/install_ui.h"
#include "setup/messages.h"
#include "setup/setup_state.h"

const std::array<const char*, 5> protected_data_files = {"PHONEBK", "FAXCALL.TRX", "MINIHOST.TRX",
                                                         "TEVEVENT.TRX", "TEVXFER.TRX"};

const std::array<const char*, 7> default_option_files = {
    "STANDARD.TEV", "STANDARD.FEE", "STANDARD.TKY", "STANDARD.TPA",
    "STANDARD.TPH", "STANDARD.TTB", "STANDARD.TTR"};

namespace {

// The file-name part of a path (behind its last '/' or '\').
size_t file_name_start(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// True when the file name of `path` is `name` (without regard to case).
bool names_file(const std::string& path, const char* name) {
    const size_t start = file_name_start(path);
    const size_t n = std::strlen(name);
    return path.size() - start == n && compare_nocase(path.c_str() + start, name, n) == 0;
}

}  // namespace

std::string backup_name(const std::string& path, char mark) {
    std::string backup = path;
    if (backup.empty()) return backup;
    const size_t dot = backup.find('.', file_name_start(backup));
    if (dot == std::string::npos) backup.back() = mark;
    else if (dot + 1 == backup.size()) backup += mark;
    else backup[dot + 1] = mark;
    return backup;
}

std::string free_backup_name(const std::string& path) {
    for (const char mark : std::string_view("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ")) {
        const std::string backup = backup_name(path, mark);
        if (backup != path && _access(backup.c_str(), 0) != 0) return backup;
    }
    return "";
}

int existing_file_policy(const char* output_path) {
    const std::string path = output_path ? output_path : "";
    const InstallUi& ui = install_ui();
    const auto ask = [&](const std::string& text) { return ui.ask && ui.ask(text.c_str()); };

    int answer = EXISTING_OVERWRITE;
    bool protected_file = false;
    for (const char* name : protected_data_files) {
        if (!names_file(path, name)) continue;
        protected_file = true;
        // The engine's paths use '/'; the user is shown the Windows spelling.
        std::string shown = path;
        std::replace(shown.begin(), shown.end(), '/', '\\');
        answer = ask(format_message(msg_ask_overwrite_file, shown)) ? EXISTING_OVERWRITE : EXISTING_SKIP;
        break;
    }
    for (const char* name : default_option_files) {
        if (!names_file(path, name)) continue;
        protected_file = true;
        if (!S.options_always && !S.options_never) {
            if (ask(message(msg_ask_overwrite_options))) S.options_always = true;
            else S.options_never = true;
        }
        answer = S.options_always ? EXISTING_OVERWRITE : EXISTING_SKIP;
        break;
    }
    if (answer == EXISTING_OVERWRITE && protected_file) {
        // The user's file is replaced only when its backup exists, and a
        // backup never replaces a file: it takes the next free name.
        std::string backup = free_backup_name(path);
        if (backup.empty() || !copy_file(path, backup, false, ROLE_BACKUP)) return EXISTING_SKIP;
        S.backups_made = true;
    }
    return answer;
}
