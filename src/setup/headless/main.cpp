// setup_headless: the setup program's installation without any window, on Linux.
//
// It runs the real start-up checks and the real Install sequence with the real
// install worker (on a thread of its own, as in the dialog) against a
// distribution directory, with Windows paths mapped by the POSIX layer: drive
// C: is a directory given on the command line. The user's part is played on
// the terminal through the worker's InstallUi: statuses and progress are
// printed, message boxes are shown as text and questions are answered from
// standard input (or all yes / all no).
//
//   setup_headless DISTRIBUTION_DIR C_DRIVE_DIR [DESTINATION] [EXISTING] [--yes|--no]
//
// DESTINATION defaults to C:\TEV; EXISTING names an earlier installation to
// carry settings over from (for example C:\OLD). The Start-menu shortcuts are
// text records below C:\Users\Demo\Start Menu\Programs (platform/shell.h).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <system_error>
#include <thread>

#include "migration/path_settings.h"
#include "platform/code_pages.h"
#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "setup/install_ui.h"
#include "setup/install_worker.h"
#include "setup/messages.h"
#include "setup/setup_state.h"
#include "setup/startup.h"

namespace {

enum class Answers { ask, yes, no };

// The setup's texts are in code page 1252; the terminal speaks UTF-8.
std::string terminal_text(const char* ansi) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(ansi); *p; ++p) {
        if (*p == '\r') {
            out += '\n';
            continue;
        }
        if (*p < 0x80) {
            out += static_cast<char>(*p);
            continue;
        }
        const uint16_t u = cp1252_to_unicode(*p);
        if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

void show_box(int caption, const char* text) {
    std::printf("[%s] %s\n", terminal_text(message(caption)).c_str(), terminal_text(text).c_str());
}

bool ask(Answers answers, const char* text) {
    show_box(msg_caption_info, text);
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
    ui.info = [](const char* text) { show_box(msg_caption_info, text); };
    ui.error = [](const char* text) { show_box(msg_caption_error, text); };
    ui.ask = [answers](const char* text) { return ask(answers, text); };
    return ui;
}

}  // namespace

int main(int argc, char** argv) {
    Answers answers = Answers::ask;
    std::string positional[4];
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--yes") == 0) answers = Answers::yes;
        else if (std::strcmp(argv[i], "--no") == 0) answers = Answers::no;
        else if (count < 4) positional[count++] = argv[i];
    }
    if (count < 2) {
        std::fprintf(stderr,
                     "usage: setup_headless DISTRIBUTION_DIR C_DRIVE_DIR [DESTINATION] [EXISTING] "
                     "[--yes|--no]\n");
        return 2;
    }
    const std::string destination = count > 2 ? positional[2] : "C:\\TEV";
    const std::string existing = count > 3 ? positional[3] : "";

    host_map_drive('C', positional[1].c_str());
    set_install_ui(terminal_ui(answers));

    // Start-up: the program's own directory, the payload and its language, the
    // system check, an earlier installation's traces.
    os_Initialize(0, ".", 0);
    const std::string program = positional[0] + "/SETUP.EXE";
    setup_main(program.c_str());
    if (S.payload_name.empty()) {
        os_Initialize(-1, 0, 0);
        return 1;
    }
    std::printf("payload %s, language %d\n", S.payload_name.c_str(), S.language_index);

    // What the dialog fills in: the destination and the five directories (from
    // the earlier installation's settings when there is one).
    S.existing_path = existing;
    if (!existing.empty() && read_existing_installation())
        std::printf("earlier installation: version %s\n", S.existing_version.c_str());
    S.destination_path = destination;
    rebase_new_paths();

    // Install, as the dialog's button does it.
    std::thread worker;
    const bool started = start_installation([&worker] {
        try {
            worker = std::thread(install_worker, nullptr);
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    });
    if (!started) return 1;
    worker.join();
    os_Initialize(-1, 0, 0);
    return S.install_failed ? 1 : 0;
}
