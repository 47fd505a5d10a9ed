// The journal of one installation: every change the setup makes to files,
// folders and the registry, in order, so that a cancelled or failed
// installation can be undone and a finished one recorded for its uninstaller.
//
// Before a file is written or deleted, the journal notes whether it existed
// and, if it did, keeps a copy of it in the keep folder (JOURNAL_KEEP_FOLDER
// in the destination, made when first needed, with an index KEPT.TXT that
// names each copy's original, so that a user can find them should the setup
// itself be killed). A file is journaled once, at its first change: the
// rollback puts back what was there before the installation touched it.
// Folders made, folders removed, registry values set (with the values they
// replaced) and registry keys made are steps of their own.
//
// journal_rollback undoes the steps in reverse order: files the installation
// made are removed, replaced or deleted files are restored byte for byte from
// their copies, folders it made are removed when empty, folders it removed are
// made again, registry values get their old values back or go. A step that
// cannot be undone is skipped and named; a copy that could not be put back is
// never deleted. journal_commit ends a finished installation: the copies go.
//
// The file helpers of the migration and the setup's worker call the journal;
// while none is active (journal_begin not called) every call only passes
// (and the log lines are still written).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

// What a file the setup wrote is: the verb of its log line, and whether the
// uninstaller removes it (the product's own files and links do; the user's
// data carried over, converted or backed up stays).
enum FileRole : int {
    ROLE_INSTALLED,     // a payload member: "installed"
    ROLE_COPIED,        // a file of the distribution (DOC files, DLLs, icons, the uninstaller): "copied"
    ROLE_CARRIED_OVER,  // the earlier installation's options, scripts and phone book: "carried over"
    ROLE_CONVERTED,     // an old option file under its new name: "converted"
    ROLE_BACKUP,        // the backup of a file the user let the setup overwrite: "backed up"
    ROLE_REWRITTEN,     // the path settings file: "rewritten" (keeps the role it had; alone, it is
                        // the product's only where the earlier installation's record says so)
    ROLE_LINK,          // a Start-menu link: "link"
    ROLE_UNINSTALLER,   // UNINSTAL.EXE and UNINSTAL.DAT (removed by the uninstaller at its end): "uninstaller"
};

// True when the uninstaller removes a file of this role.
constexpr bool role_uninstalled(FileRole role) {
    return role == ROLE_INSTALLED || role == ROLE_COPIED || role == ROLE_LINK;
}

// The keep folder's name inside the destination, and its index file.
inline constexpr const char* JOURNAL_KEEP_FOLDER = "~TEVKEEP.TMP";
inline constexpr const char* JOURNAL_KEEP_INDEX = "KEPT.TXT";

// Starts an empty journal for an installation into `destination`.
void journal_begin(const std::string& destination);
bool journal_active();
// True once the original of a file could not be kept: the change was refused,
// and the installation must not go on.
bool journal_failed();

// Before `path` is written: notes it and keeps a copy of an existing file.
// False when that copy could not be made: the file must not be written.
bool journal_before_write(const std::string& path);
// `path` was written (or, not noted before, made by someone the journal could
// not ask in advance: the archive engine). Logs "<verb> <path><detail>".
void journal_written(const std::string& path, FileRole role, std::string_view detail = {});
// Before `path` is deleted, likewise; false: it must not be deleted.
bool journal_before_delete(const std::string& path);
void journal_deleted(const std::string& path);

// Makes one folder level when it is missing and notes it; true when the folder is there.
bool journal_make_folder(const std::string& path);
// Notes a folder that someone else (the archive engine) made.
void journal_folder_created(const std::string& path);
// Notes a folder that was removed (an obsolete, empty folder).
void journal_folder_removed(const std::string& path);

// Sets a registry value, noting the key when it is new and the value it replaces.
bool journal_set_registry(RegistryRoot root, const std::string& key, const RegistryValue& value);

// What the installation wrote: files in the order of their first change, with
// their last role (and the copy of what they held before, if they existed);
// only those written and not deleted afterwards.
struct JournalFile {
    std::string path;
    FileRole role;
    std::string original;
};
std::vector<JournalFile> journal_written_files();
// Folders the installation made, parents first (the keep folder is not one).
std::vector<std::string> journal_created_folders();
// True when the installation changed `path` (any spelling of it).
bool journal_touched(const std::string& path);

// Undoes the installation and ends the journal. Returns what could not be put
// back: files and folders that stay, each replaced file as "PATH (original:
// COPY)" with the copy that still holds its content, registry values as
// "HKCU\KEY\NAME".
std::vector<std::string> journal_rollback();
// Ends a finished installation: the kept copies and the keep folder go.
void journal_commit();
