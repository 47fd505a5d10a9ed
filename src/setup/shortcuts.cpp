#include "setup/shortcuts.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "migration/file_helpers.h"
#include "platform/crt.h"
#include "platform/os_layer.h"
#include "setup/messages.h"
#include "setup/setup_state.h"

const std::array<ShortcutRow, 12> shortcut_table = {{
    {"TEV", "!TEV.EXE", "", ""},
    {"readme.doc", "NOTEPAD.EXE", "README.DOC", "inst_doc.ico"},
    {"features.doc", "NOTEPAD.EXE", "FEATURES.DOC", "inst_doc.ico"},
    {"problems.doc", "NOTEPAD.EXE", "PROBLEMS.DOC", "inst_doc.ico"},
    {"register.doc", "NOTEPAD.EXE", "REGISTER.DOC", "inst_doc.ico"},
    {"isdn.doc", "NOTEPAD.EXE", "ISDN.DOC", "inst_doc.ico"},
    {"develop.doc", "NOTEPAD.EXE", "DEVELOP.DOC", "inst_doc.ico"},
    {"versions.doc", "NOTEPAD.EXE", "VERSIONS.DOC", "inst_doc.ico"},
    {"!Vendora", "!TEV.EXE", "/ORDER:0", "inst_ger.ico"},
    {"!Ostrelle", "!TEV.EXE", "/ORDER:1", "inst_usa.ico"},
    {"!Palamid", "!TEV.EXE", "/ORDER:2", "inst_aus.ico"},
    {"!Quorvin", "!TEV.EXE", "/ORDER:3", "inst_dk.ico"},
}};

bool find_programs_folder(char* buffer, size_t size) {
    if (!buffer || size == 0) return false;
    buffer[0] = '\0';
    HKEY key = nullptr;
    bool found = false;
    char work[OS_PATH_SIZE] = {};
    // Opened read-only: the setup writes nothing to the registry, not even an empty key.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD work_size = sizeof work - 1;  // room for a terminator the value may lack
        DWORD type = 0;
        found = RegQueryValueExA(key, PROGRAMS_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(work),
                                 &work_size) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (found) work[work_size < sizeof work ? work_size : sizeof work - 1] = '\0';
        else work[0] = '\0';
    }
    const DWORD needed = ExpandEnvironmentStringsA(work, buffer, static_cast<DWORD>(size));
    if (needed == 0 || needed > size) buffer[0] = '\0';  // nothing usable: an empty folder path
    const size_t n = std::strlen(buffer);
    if (n > 0 && buffer[n - 1] == '\\') buffer[n - 1] = '\0';
    return found;
}

std::string start_menu_folder_name() {
    const char* system = os_QuerySysValue(OS_SV_PLATFORM) == OS_PLATFORM_NT ? " NT" : "'95";
    return format_message(msg_folder_name, system);  // code page 1252 already
}

ShortcutPlan plan_shortcut(const ShortcutRow& row, const std::string& folder_path) {
    ShortcutPlan plan;
    ShellLink& link = plan.link;
    if (row.target[0] == '!') {
        join_path(link.path, S.destination_path, row.target + 1);
        link.arguments = row.arguments;
    } else {
        char found[OS_PATH_SIZE] = {};
        const DWORD n = SearchPathA(nullptr, row.target, "", sizeof found, found, nullptr);
        if (n > 0 && n < sizeof found) {
            link.path = found;
            link.arguments = row.arguments;
        } else {
            // Without the viewer the document itself is the shortcut's target.
            join_path(link.path, S.destination_path, row.arguments);
        }
    }

    std::string name = row.name;
    if (row.name[0] == '!') name = std::string(message(msg_order_prefix)) + (row.name + 1);
    if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    link.working_directory = S.destination_path;
    link.description = name;
    if (row.icon[0]) {
        char cwd[OS_PATH_SIZE];
        if (os_QueryCWD(cwd, sizeof cwd) == 0) join_path(link.icon_path, cwd, row.icon);
    }
    link.icon_index = 0;
    join_path(plan.link_file, folder_path, name + ".LNK");
    return plan;
}

void create_start_menu_entries() {
    char programs[OS_PATH_SIZE];
    find_programs_folder(programs, sizeof programs);
    std::string folder_path;
    if (!join_path(folder_path, programs, start_menu_folder_name())) return;
    _mkdir(folder_path.c_str());

    CoInitialize(nullptr);
    for (const ShortcutRow& row : shortcut_table) {
        const ShortcutPlan plan = plan_shortcut(row, folder_path);
        if (plan.link_file.empty() || plan.link.path.empty()) continue;  // too long to be saved
        std::vector<WCHAR> wide(plan.link_file.size() + 1);
        if (MultiByteToWideChar(CP_ACP, 0, plan.link_file.c_str(), -1, wide.data(),
                                static_cast<int>(wide.size())) == 0)
            continue;
        host_save_shell_link(plan.link, wide.data());
    }
    CoUninitialize();
}
