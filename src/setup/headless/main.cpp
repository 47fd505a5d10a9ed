// setup_headless: the setup program's installation without any window, on Linux.
//
// It runs the real start-up checks and the real Install sequence with the real
// install worker (on a thread of its own, as under the dialog) against a
// distribution directory, with Windows paths mapped by the POSIX layer: drive
// C: is a directory given on the command line. The dialog's part is played by
// its model, as for setup.exe /S; the user's part on the terminal through the
// worker's InstallUi: statuses and progress are printed, message boxes are
// shown as text and questions are answered from standard input (or all yes /
// all no). With /S nothing is printed or asked, as with setup.exe /S (the log
// has it all).
//
//   setup_headless DISTRIBUTION_DIR C_DRIVE_DIR [DESTINATION] [EXISTING] [--yes|--no]
//                  [/S] [/FORCE] [/DIR=path] [/LOG=file] [/ALLUSERS]
//
// DESTINATION (or /DIR=) defaults to C:\TEV; EXISTING names an earlier
// installation to carry settings over from (for example C:\OLD), recorded in
// the profile as that installation would have left it. The distribution's
// SETUP.EXE becomes the uninstaller C:\TEV\UNINSTAL.EXE. The Start-menu
// shortcuts are text records below C:\Users\Demo\Start Menu\Programs
// (platform/shell.h), the registry values those of platform/registry.h.
#include <cstdio>
#include <iostream>
#include <string>
#include <system_error>
#include <thread>

#include "migration/path_settings.h"
#include "platform/code_pages.h"
#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "platform/posix/os_values.h"
#include "setup/command_line.h"
#include "setup/install_ui.h"
#include "setup/install_worker.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/startup.h"
#include "setup/unattended.h"

namespace {

enum class Answers { ask, yes, no };

// The setup's texts are in code page 1252; the terminal speaks UTF-8.
std::string terminal_text(const char* ansi) {
    std::string out = cp1252_to_utf8(ansi);
    for (char& c : out)
        if (c == '\r') c = '\n';
    return out;
}

void print_box(int caption, const char* text) {
    std::printf("[%s] %s\n", terminal_text(message(caption)).c_str(), terminal_text(text).c_str());
}

bool ask_on_the_terminal(Answers answers, const char* text) {
    print_box(msg_caption_info, text);
    if (answers != Answers::ask) {
        std::printf("  -> %s\n", answers == Answers::yes ? "yes" : "no");
        return answers == Answers::yes;
    }
    std::printf("  (y/n) ");
    std::fflush(stdout);
    std::string line;
    if (!std::getline(std::cin, line)) return false;
    return !line.empty() && (line[0] == 'y' || line[0] == 'Y');
}

// The worker seen through the terminal; the copy boxes are enabled as the
// dialog would enable them for the same paths.
InstallUi terminal_ui(Answers answers) {
    InstallUi ui;
    ui.set_status = [](const char* text) { std::printf("status: %s\n", terminal_text(text).c_str()); };
    ui.set_percent = [](uint32_t percent) { std::printf("progress: %u%%\n", percent); };
    ui.option_enabled = [](int id) { return copy_box_enabled(copy_choices(S), id); };
    ui.info = [](const char* text) { print_box(msg_caption_info, text); };
    ui.error = [](const char* text) { print_box(msg_caption_error, text); };
    ui.ask = [answers](const char* text) { return ask_on_the_terminal(answers, text); };
    return ui;
}

// The dialog's part, played by its model as for /S; the worker runs on a
// thread of its own while this one waits for it, as the dialog's thread does.
void install_on_the_terminal() {
    std::printf("payload %s, language %d\n", S.payload_name.c_str(), S.language_index);
    S.exit_code = install_without_dialog(setup_options(), [] {
        try {
            std::thread worker(install_worker, nullptr);
            worker.join();
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    });
}

}  // namespace

int main(int argc, char** argv) {
    Answers answers = Answers::ask;
    SetupOptions options;
    std::string positional[4];
    int count = 0;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--yes") answers = Answers::yes;
        else if (a == "--no") answers = Answers::no;
        else if (parse_setup_option(a, options) == OptionParse::taken) options.text += (options.text.empty() ? "" : " ") + a;
        else if (count < 4) positional[count++] = a;
        else usage = true;
    }
    if (count < 2 || usage || options.uninstall) {
        std::fprintf(stderr,
                     "usage: setup_headless DISTRIBUTION_DIR C_DRIVE_DIR [DESTINATION] [EXISTING] [--yes|--no]\n"
                     "                      [/S] [/FORCE] [/DIR=path] [/LOG=file] [/ALLUSERS]\n");
        return SETUP_EXIT_BAD_COMMAND_LINE;
    }
    if (options.destination.empty()) options.destination = count > 2 ? positional[2] : "C:\\TEV";
    // An earlier installation as it would be found: recorded in the profile.
    if (count > 3 && !positional[3].empty()) {
        posix_set_profile_value(PROFILE_APPLICATION, PROFILE_HOME_PATH, positional[3].c_str());
        posix_set_profile_value(PROFILE_APPLICATION, PROFILE_WINDOW_POS, "0 0 640 480");
    }

    host_map_drive('C', positional[1].c_str());
    set_install_ui(terminal_ui(answers));
    set_dialog_runner(install_on_the_terminal);
    os_Initialize(0, ".", 0);
    const std::string program = positional[0] + "/SETUP.EXE";
    const int code = setup_main(program.c_str(), options);
    os_Initialize(-1, 0, 0);
    return code;
}
