// The Start-menu folder and its twelve shortcuts, made at the end of a
// successful installation: TEV itself, one per DOC file, and four that start
// TEV's order form for a reseller. They are made through the shell seam
// (platform/shell.h).
//
// A row's target beginning with '!' is that file in the destination directory;
// other targets are looked up along the search path (when not found, the
// shortcut points at the document named by its arguments). A name beginning
// with '!' gets message 23 ("Order from ") in front. The icons are copied into
// the destination with the DOC files, and the shortcuts take them from there,
// so that they stay when the installation medium is gone.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/shell.h"

struct ShortcutRow {
    const char* name;
    const char* target;
    const char* arguments;
    const char* icon;  // icon file of the distribution, copied into the destination; "" for none
};
extern const std::array<ShortcutRow, 12> shortcut_table;

// The icon files of the table, each once, in the order of the table.
std::vector<std::string> shortcut_icons();

// The folder's name: message 24 with " NT" on Windows NT and "'95" otherwise,
// in the ANSI code page.
std::string start_menu_folder_name();

// The shortcut of `row` in the folder `folder_path`; its link path is empty
// when it would be too long.
Shortcut plan_shortcut(const ShortcutRow& row, const std::string& folder_path);

// Creates the folder in the Programs folder (the common one with
// S.all_users) and saves every shortcut in it, through the journal. Failures
// are skipped silently.
void create_start_menu_entries();
