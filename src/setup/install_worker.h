// The install worker: the thread that unpacks the payload member by member into
// the directories the user chose, then copies the earlier installation's
// settings, the DOC files, the runtime DLLs and the links' icons, rewrites the
// path settings file, creates the Start-menu entries, removes obsolete files,
// leaves its uninstaller (uninstaller.h) and shows the final messages. It
// talks to the user only through install_ui().
//
// Every change goes through the journal (migration/journal.h): a Cancel
// (looked at between members and between the completion's steps) or a
// failure undoes the whole installation, and the message after it says that
// nothing was changed, or names what could not be put back. S.exit_code
// tells how it ended.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// DOC files and runtime DLLs copied from the program's directory.
extern const std::array<const char*, 7> doc_files;
extern const std::array<const char*, 3> copied_dlls;

// Installs the setup's answers into the engine's hooks record: the existing-file
// policy, and the member table and total of the verbose listing.
void install_engine_hooks();

// Runs the engine on `arguments` ("unzip" first); each argument gets its own
// writable buffer with room for the engine to lengthen it.
int run_engine(const std::vector<std::string>& arguments);

// Lists the payload into S.member_table and S.total_size; the engine's result.
int list_members();

// True when a member name would lead out of the folder it is installed into:
// it begins with a separator, holds a drive (':') or climbs with "..".
bool unsafe_member_name(const std::string& name);

// True when `target` is the folder `base` or lies below it (without regard to
// letter case, whether or not `base` ends in a separator) and climbs nowhere.
bool target_inside(const std::string& target, const std::string& base);

// The directory a member is extracted into, chosen by its leading keyword (LOG,
// OPTIONS, SCRIPT, UPLOAD, DOWNLOAD) or else the destination; `base`, when
// given, receives the chosen folder it lies in. False when the directory would
// be longer than a path may be.
bool member_target_dir(std::string& out, const std::string& name, std::string* base = nullptr);

// Extracts one member into its directory (creating the directory's parents),
// noting in the journal the folders and the file it made or replaced; the
// engine's result, or ENG_ERROR when the member has no valid directory or
// its name or directory would lead outside its chosen folder (nothing is
// written then).
int install_member(const std::string& name);

// The percentage shown after `members_done` of `member_count` members, of
// which `done` bytes of `total` are extracted: by size, or by member count
// when the members have no size at all; never above 100.
uint32_t progress_percent(uint64_t done, uint32_t total, size_t members_done, size_t member_count);

// The thread routine (os_CreateThread(install_worker, nullptr)).
void install_worker(void* unused);

// The Install sequence once the paths are set, the same for every front end:
// the journal begins (and the log names the choices), the destination's old
// option files get copies under their new names (the worker's clean-up
// deletes an old name only where that copy is there and the same), then
// `start_worker` starts install_worker (on a thread of its own, or runs it)
// and tells whether it did, and worker_started is set when it did. No window
// is touched here. False when no worker could be started (the copies are
// undone).
bool start_installation(const std::function<bool()>& start_worker);
