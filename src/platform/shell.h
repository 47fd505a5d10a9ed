// The desktop shell as the setup uses it: where the Start menu's Programs
// folder is, making a folder in it, and saving shortcuts described as plain
// values. The setup's Start-menu step and, later, anything that removes what
// it made go through these calls only.
//
// On Windows the Programs folder is the registry value "Programs" of
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell
// Folders (environment variables expanded); the Programs folder of all users
// (the common Start menu) is the value "Common Programs" of the same key below
// HKEY_LOCAL_MACHINE. A shortcut is a shell link saved through the shell's own
// link object.
//
// Linux has no Start menu: the Programs folders are SHELL_PROGRAMS_FOLDER and
// SHELL_COMMON_PROGRAMS_FOLDER on the mapped drive C: (made when missing), and
// a shortcut is kept as a text record (shortcut_record) in the file that names
// it, so that tests and setup_headless can read it back.
#pragma once

#include <string>
#include <string_view>

// A shortcut as plain values; every text in the ANSI code page (1252).
struct Shortcut {
    std::string link_path;          // the shortcut's own file ("...\Readme.doc.LNK")
    std::string target;             // the program or document it starts
    std::string arguments;
    std::string working_directory;
    std::string icon_path;          // empty: no icon location
    int icon_index = 0;
    std::string description;
};

// The Programs folders on Linux: the user's and that of all users.
inline constexpr const char* SHELL_PROGRAMS_FOLDER = "C:\\Users\\Demo\\Start Menu\\Programs";
inline constexpr const char* SHELL_COMMON_PROGRAMS_FOLDER = "C:\\Users\\All Users\\Start Menu\\Programs";

// The Programs folder of the user (or, with `all_users`, the one every user
// sees), environment variables expanded and without a trailing backslash, in
// `folder`. False, with `folder` empty, when the system names none (or none
// that fits a path).
bool shell_programs_folder(std::string& folder, bool all_users = false);

// Makes one folder level; an existing folder is fine. True when it is there.
bool shell_create_folder(const std::string& path);

// Shell work on the calling thread happens while a ShellSession exists (on
// Windows it initialises COM for the thread and releases it at the end).
class ShellSession {
public:
    ShellSession();
    ~ShellSession();
    ShellSession(const ShellSession&) = delete;
    ShellSession& operator=(const ShellSession&) = delete;
};

// Result of shell_create_shortcut.
enum : int {
    SHORTCUT_SAVED = 0,
    SHORTCUT_NOT_CREATED = 1,  // the shell could not make a shortcut object
    SHORTCUT_NOT_SAVED = 2,    // the shortcut could not be saved under its link path
};

// Saves `shortcut` under its link path, replacing a shortcut of that name.
// A shortcut is saved whole or not at all.
int shell_create_shortcut(const Shortcut& shortcut);

// The text record of a shortcut on Linux: one "key=value" line per field, in
// this order, each ending in "\n":
//   target=C:\TEV\TEV.EXE
//   arguments=/ORDER:0
//   working directory=C:\TEV
//   icon=C:\DIST\inst_ger.ico
//   icon index=0
//   description=Order from Vendora
// Values are the ANSI texts as given (paths hold no line breaks).
std::string shortcut_record(const Shortcut& shortcut);
// Reads a record back into every field but link_path. False when a line is
// missing, out of order or not of the form above.
bool read_shortcut_record(std::string_view record, Shortcut& shortcut);
