// The Start-menu folder and its twelve shortcuts, made at the end of a
// successful installation: TEV itself, one per DOC file, and four that start
// TEV's order form for a reseller.
//
// A row's target beginning with '!' is that file in the destination directory;
// other targets are looked up along the search path (when not found, the
// shortcut points at the document named by its arguments). A name beginning
// with '!' gets message 23 ("Order from ") in front.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "platform/win32_shell.h"

struct ShortcutRow {
    const char* name;
    const char* target;
    const char* arguments;
    const char* icon;  // icon file in the program's directory; "" for none
};
extern const std::array<ShortcutRow, 12> shortcut_table;

// Registry location of the Programs folder (below HKEY_CURRENT_USER).
inline constexpr const char* SHELL_FOLDERS_KEY =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* PROGRAMS_VALUE = "Programs";

// One shortcut as it is to be saved.
struct ShortcutPlan {
    ShellLink link;         // target path, arguments, working directory, description, icon
    std::string link_file;  // "<folder>\<name>.LNK"; empty when it would be too long
};

// The Start-menu Programs folder, environment variables expanded, without a
// trailing backslash, into `buffer` of `size` bytes. True when the registry
// value was read; the buffer always holds a terminated string (empty when
// nothing usable was found).
bool find_programs_folder(char* buffer, size_t size);

// The folder's name: message 24 with " NT" on Windows NT and "'95" otherwise,
// in the ANSI code page.
std::string start_menu_folder_name();

// The plan of `row` for the folder `folder_path`.
ShortcutPlan plan_shortcut(const ShortcutRow& row, const std::string& folder_path);

// Creates the folder in the Programs folder and saves every shortcut in it.
// Failures are skipped silently.
void create_start_menu_entries();
