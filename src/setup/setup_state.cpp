#include "setup/setup_state.h"

const std::array<const char*, DIR_COUNT> DEFAULT_DIR_NAMES = {"LOG", "OPTIONS", "SCRIPT", "UPLOAD",
                                                              "DOWNLOAD"};

SetupState S;

void reset_setup_state() {
    S.language_index = LANGUAGE_ENGLISH;
    S.payload_name.clear();
    S.program_path.clear();
    S.all_users = false;
    S.already_installed = 0;
    S.dialog = nullptr;
    S.existing_path.clear();
    S.destination_path.clear();
    S.copy_options = S.copy_phone_book = S.copy_scripts = 1;
    for (int kind = 0; kind < DIR_COUNT; ++kind) {
        new_dir_path(kind).clear();
        S.existing_paths[kind] = DEFAULT_DIR_NAMES[kind];
    }
    S.existing_options_dir.clear();
    S.existing_script_dir.clear();
    S.existing_version.clear();
    S.existing_found = S.existing_is_beta = false;
    S.member_table.clear();
    S.total_size = 0;
    S.done_size = 0;
    S.percent_done = 0;
    S.cancel_requested = false;
    S.worker_started = false;
    S.install_failed = S.backups_made = S.options_always = S.options_never = false;
    S.exit_code = SETUP_EXIT_CANCELLED;
}

std::string& new_dir_path(int kind) {
    switch (kind) {
    case DIR_LOG: return S.log_path;
    case DIR_OPTIONS: return S.options_path;
    case DIR_SCRIPT: return S.script_path;
    case DIR_UPLOAD: return S.upload_path;
    default: return S.download_path;
    }
}
