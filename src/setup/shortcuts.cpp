#include "setup/shortcuts.h"

#include <algorithm>
#include <cctype>

#include "migration/file_helpers.h"
#include "migration/journal.h"
#include "platform/crt.h"
#include "platform/os_layer.h"
#include "platform/win32_shell.h"
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

std::vector<std::string> shortcut_icons() {
    std::vector<std::string> icons;
    for (const ShortcutRow& row : shortcut_table)
        if (row.icon[0] && std::find(icons.begin(), icons.end(), row.icon) == icons.end()) icons.push_back(row.icon);
    return icons;
}

std::string start_menu_folder_name() {
    const char* system = os_QuerySysValue(OS_SV_PLATFORM) == OS_PLATFORM_NT ? " NT" : "'95";
    return format_message(msg_folder_name, system);  // code page 1252 already
}

Shortcut plan_shortcut(const ShortcutRow& row, const std::string& folder_path) {
    Shortcut link;
    if (row.target[0] == '!') {
        join_path(link.target, S.destination_path, row.target + 1);
        link.arguments = row.arguments;
    } else {
        char found[OS_PATH_SIZE] = {};
        const DWORD n = SearchPathA(nullptr, row.target, "", sizeof found, found, nullptr);
        if (n > 0 && n < sizeof found) {
            link.target = found;
            link.arguments = row.arguments;
        } else {
            // Without the viewer the document itself is the shortcut's target.
            join_path(link.target, S.destination_path, row.arguments);
        }
    }

    std::string name = row.name;
    if (row.name[0] == '!') name = std::string(message(msg_order_prefix)) + (row.name + 1);
    if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    link.working_directory = S.destination_path;
    link.description = name;
    if (row.icon[0]) join_path(link.icon_path, S.destination_path, row.icon);
    link.icon_index = 0;
    join_path(link.link_path, folder_path, name + ".LNK");
    return link;
}

void create_start_menu_entries() {
    std::string programs;
    shell_programs_folder(programs, S.all_users);  // none found: the folder lands at the root of the current drive
    std::string folder_path;
    if (!join_path(folder_path, programs, start_menu_folder_name())) return;
    const bool existed = _access(folder_path.c_str(), 0) == 0;
    if (shell_create_folder(folder_path) && !existed) journal_folder_created(folder_path);

    const ShellSession session;
    for (const ShortcutRow& row : shortcut_table) {
        const Shortcut link = plan_shortcut(row, folder_path);
        if (link.link_path.empty() || link.target.empty()) continue;  // too long to be saved
        if (!journal_before_write(link.link_path)) continue;
        if (shell_create_shortcut(link) == SHORTCUT_SAVED)
            journal_written(link.link_path, ROLE_LINK, " -> " + link.target + (link.arguments.empty() ? "" : " " + link.arguments));
    }
}
