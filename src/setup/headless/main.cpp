// setup_headless: the setup program's installation without any window, on Linux.
//
// It runs the real start-up checks and the real install worker against a
// distribution directory, with Windows paths mapped by the POSIX layer: drive C:
// is a directory given on the command line. The user's part is played on the
// terminal: statuses and progress are printed, message boxes are shown as text
// and questions are answered from standard input (or all yes / all no).
//
//   setup_headless DISTRIBUTION_DIR C_DRIVE_DIR [DESTINATION] [EXISTING] [--yes|--no]
//
// DESTINATION defaults to C:\TEV; EXISTING names an earlier installation to
// carry settings over from (for example C:\OLD).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "migration/file_helpers.h"
#include "migration/path_settings.h"
#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "platform/posix/codepages.h"
#include "platform/posix/os_script.h"
#include "platform/win32_shell.h"
#include "setup/install_ui.h"
#include "setup/install_worker.h"
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
        const uint16_t u = ansi_to_unicode(*p);
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

int answer_box(Answers answers, const char* caption, const char* text, int style) {
    std::printf("[%s] %s\n", terminal_text(caption).c_str(), terminal_text(text).c_str());
    if ((style & 0x0F) != 0x01) return 1;  // an information or error box: acknowledged
    if (answers != Answers::ask) {
        std::printf("  -> %s\n", answers == Answers::yes ? "yes" : "no");
        return answers == Answers::yes ? 1 : 0;
    }
    std::printf("  (y/n) ");
    std::fflush(stdout);
    std::string line;
    if (!std::getline(std::cin, line)) return 0;
    return !line.empty() && (line[0] == 'y' || line[0] == 'Y') ? 1 : 0;
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
    os_script_set_answerer([answers](HWIN, const char* caption, const char* text, int style) {
        return answer_box(answers, caption, text, style);
    });
    // Where the Start menu's Programs folder is, as the registry of a Windows
    // installation would say.
    posix_registry_set(HKEY_CURRENT_USER,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                       "Programs", "C:\\Users\\Demo\\Start Menu\\Programs");

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

    // What the dialog fills in: the destination, the five directories (from the
    // earlier installation's settings when there is one), the copy choices.
    HWIN dialog = os_script_create_window(nullptr, 100, "TEV Install");
    for (int id : {ID_COPY_OPTIONS, ID_COPY_PHONE_BOOK, ID_COPY_SCRIPTS, ID_PROGRESS_BAR, ID_STATUS_LINE})
        os_script_create_window(dialog, id);
    S.dialog = dialog;
    S.existing_path = existing;
    if (!existing.empty()) {
        std::string keyword_file, line_file;
        join_path(keyword_file, existing, "OPTIONS\\STANDARD.TPA");
        join_path(line_file, existing, "OPTIONS\\TEVPATH.DAT");
        if (read_existing_paths(keyword_file, line_file))
            std::printf("earlier installation: version %s\n", S.existing_version.c_str());
    }
    S.destination_path = destination;
    for (int kind = 0; kind < DIR_COUNT; ++kind)
        rebase_path(destination, new_dir_path(kind), S.existing_paths[kind]);
    update_copy_choices(dialog);

    // The worker, seen through the terminal.
    InstallUi ui = dialog_install_ui();
    ui.set_status = [](const char* text) { std::printf("status: %s\n", terminal_text(text).c_str()); };
    ui.set_percent = [](uint32_t percent) { std::printf("progress: %u%%\n", percent); };
    set_install_ui(ui);

    // Install, as the dialog's button does it.
    if (start_installation() == 0) return 1;
    OsMessage done;
    while (!os_script_wait_message(dialog, &done, 1000) || done.code != WM_SETUP_DONE) {
    }
    os_script_join_threads();
    os_Initialize(-1, 0, 0);
    return S.install_failed ? 1 : 0;
}
