// The setup program's command line. Options are case-insensitive and begin
// with '/' or '-':
//   /S, /SILENT    unattended: no dialog, no question, no message box
//   /FORCE         with /S: install over an earlier beta version
//   /DIR=path      the destination (quotes allowed around a path with blanks)
//   /LOG=file      a log of the run (install_log.h)
//   /ALLUSERS      links in the common Start menu, the uninstall entry for
//                  the machine (needs administrator rights)
//   /?, /HELP      the usage
//   /UNINSTALL     remove the installation this program belongs to (the
//                  command of UNINSTAL.EXE in Add/Remove Programs)
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct SetupOptions {
    bool silent = false;
    bool force = false;
    bool all_users = false;
    bool help = false;
    bool uninstall = false;
    std::string destination;  // empty: what the dialog would offer
    std::string log_path;     // empty: no log
    std::string rejected;     // the first argument not understood; empty when all were
    std::string text;         // the arguments as given, for the log
};

// What parse_setup_option made of one argument.
enum class OptionParse { taken, not_an_option, bad };

// Takes one argument into `options`: taken; not_an_option when it does not
// begin with '/' or '-'; bad when it does but names no option or lacks (or
// has) a value.
OptionParse parse_setup_option(const std::string& argument, SetupOptions& options);

// Takes every argument; the first one not taken becomes `rejected`.
SetupOptions parse_setup_options(const std::vector<std::string>& arguments);

// Splits a Windows command line (without the program name) into arguments:
// blanks and tabs separate them except inside double quotes, which can start
// and end anywhere in an argument and are removed. Backslashes are kept as
// they are (a path may end in one before a closing quote).
std::vector<std::string> split_command_line(std::string_view line);
