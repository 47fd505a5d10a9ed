// The setup program's texts: 34 messages, each in English, German and French,
// stored in code page 850 (the OEM code page of the product's users) exactly as
// they are shown. "\r" is a carriage return; "%s" is a printf placeholder.
#pragma once

#include <string>
#include <vector>

enum MessageId : int {
    msg_status_complete = 0,
    msg_cancelled = 1,
    msg_error_aborted = 2,
    msg_no_payload = 3,
    msg_needs_nt4 = 4,
    msg_all_done = 5,
    msg_empty_destination = 6,
    msg_empty_log_path = 7,
    msg_empty_options_path = 8,
    msg_empty_script_path = 9,
    msg_empty_upload_path = 10,
    msg_empty_download_path = 11,
    msg_caption_info = 12,
    msg_caption_error = 13,
    msg_ask_upgrade_from_beta = 14,
    msg_ask_beta_over_existing = 15,
    msg_ask_overwrite_file = 16,
    msg_ask_overwrite_options = 17,
    msg_backups_made = 18,
    msg_ask_read_docs = 19,
    msg_status_deleting = 20,
    msg_status_paths = 21,
    msg_status_folder = 22,
    msg_order_prefix = 23,
    msg_folder_name = 24,
    // The installation's life beyond the dialog: rollback, command line, uninstaller.
    msg_nothing_changed = 25,      // after a rollback, behind message 1 or 2
    msg_not_all_undone = 26,       // after a rollback that left something (%s: one per line)
    msg_status_rollback = 27,      // status line during a rollback
    msg_usage = 28,                // the command line (/? or a bad option)
    msg_needs_rights = 29,         // /ALLUSERS without administrator rights
    msg_ask_uninstall = 30,        // the uninstaller's one question
    msg_uninstalled = 31,          // the uninstaller's final message
    msg_uninstall_kept = 32,       // behind it: the user's files, kept (%s: one per line)
    msg_no_record = 33,            // UNINSTAL.DAT missing or damaged
    MESSAGE_COUNT = 34,
};

// The stored text (code page 850) of message `id` in language `language` (0
// English, 1 German, 2 French).
const char* message_text(int id, int language);
// The text of message `id` in the language of the payload (S.language_index),
// as shown to people: in code page 1252, converted from the stored text.
const char* message(int id);
// Message `id` of the current language (code page 1252) with its one "%s"
// filled in; the argument (a path, 1252 already) is not converted.
std::string format_message(int id, const std::string& argument);

// Items for a message's list: one per line, at most 15 (a box must fit the
// screen; the log names them all), then "...".
std::string message_list(const std::vector<std::string>& items);
