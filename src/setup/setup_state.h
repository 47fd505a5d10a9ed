// SetupState: the setup program's one process-wide state, written by the dialog
// thread before the install worker starts and by the worker afterwards. While
// the worker runs, the dialog thread touches only `cancel_requested` and
// `worker_started`, which are atomic for that reason.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os_layer.h"

// Paths hold at most this many characters (Windows' MAX_PATH less the
// terminator); operations that would make a longer path refuse instead of
// cutting it into a different one.
constexpr size_t SETUP_PATH_MAX = 259;
// Characters of the version text kept from a settings file's first line.
constexpr size_t VERSION_TEXT_MAX = 60;

// The product's version: in the dialog's caption (" V3.061") and in Add/Remove Programs.
inline constexpr const char* PRODUCT_VERSION = "3.061";

// Posted to the dialog when the install worker ends.
constexpr uint32_t WM_SETUP_DONE = 0x402;

// The setup program's exit codes (also the uninstaller's).
enum : int {
    SETUP_EXIT_DONE = 0,              // installed (removed)
    SETUP_EXIT_CANCELLED = 1,         // cancelled by the user, and rolled back
    SETUP_EXIT_FAILED = 2,            // failed, and rolled back
    SETUP_EXIT_REFUSED = 3,           // refused at start-up: no payload, Windows too old
    SETUP_EXIT_BAD_COMMAND_LINE = 4,  // an option not understood (or no destination for /S)
    SETUP_EXIT_NOT_ALLOWED = 5,       // /ALLUSERS without administrator rights
};

// Languages, chosen by the payload file found.
enum : int { LANGUAGE_ENGLISH = 0, LANGUAGE_GERMAN = 1, LANGUAGE_FRENCH = 2, LANGUAGE_COUNT = 3 };

// The earlier installation's five directories, in this order.
enum : int { DIR_LOG = 0, DIR_OPTIONS, DIR_SCRIPT, DIR_UPLOAD, DIR_DOWNLOAD, DIR_COUNT };
// Their default names, relative to the installation directory.
extern const std::array<const char*, DIR_COUNT> DEFAULT_DIR_NAMES;

// One payload member as the verbose listing reports it.
struct MemberEntry {
    std::string name;   // stored name, with its '/' separators
    uint32_t size = 0;  // uncompressed size
};

struct SetupState {
    int language_index = LANGUAGE_ENGLISH;
    std::string payload_name;
    std::string program_path;  // the setup program's own file (copied as the uninstaller)
    bool all_users = false;    // /ALLUSERS: common Start menu, machine registry
    int already_installed = 0;
    HWIN dialog = nullptr;  // the setup dialog while it exists (owner of message boxes)

    std::string existing_path;
    std::string destination_path;
    int copy_options = 1;
    int copy_phone_book = 1;
    int copy_scripts = 1;
    std::string log_path, options_path, script_path, upload_path, download_path;

    std::array<std::string, DIR_COUNT> existing_paths{"LOG", "OPTIONS", "SCRIPT", "UPLOAD",
                                                      "DOWNLOAD"};
    std::string existing_options_dir;
    std::string existing_script_dir;
    std::string existing_version;
    bool existing_found = false;
    bool existing_is_beta = false;

    // Archive members in archive order; grows with the archive.
    std::vector<MemberEntry> member_table;
    uint32_t total_size = 0;
    uint64_t done_size = 0;
    uint32_t percent_done = 0;

    std::atomic<bool> cancel_requested{false};
    std::atomic<bool> worker_started{false};
    bool install_failed = false;
    bool backups_made = false;
    bool options_always = false;
    bool options_never = false;

    int exit_code = SETUP_EXIT_CANCELLED;  // until an installation ends otherwise
};

extern SetupState S;

// Puts every field back to its value at program start.
void reset_setup_state();

// The new-installation path field of a directory kind (log_path for DIR_LOG, ...).
std::string& new_dir_path(int kind);
