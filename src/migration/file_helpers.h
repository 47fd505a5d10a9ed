// File and folder helpers of the settings migration: joining paths, copying a
// file (optionally giving an old option-file name its new name), copying a
// directory tree, making new-named copies of old option files, removing files
// that the new version no longer uses, and the directory a payload member goes to.
//
// Paths use '\' and hold at most SETUP_PATH_MAX characters; an operation that
// would make a longer path refuses (returns false) instead of cutting it.
//
// Files of older versions removed after an installation (obsolete_files):
// - the six old option-file names of rename_pairs;
// - seven program, library and help files of the 16-bit versions, directly in
//   the installation directory: tev16.exe, tevw31.exe, tevcom16.dll,
//   tevfax16.dll, tevxfr16.dll, tev.hlp, tev.cnt;
// - the seven sample scripts of the folder script\samples (login.cmd,
//   logout.cmd, dialup.cmd, getmail.cmd, sndmail.cmd, upload.cmd, dnload.cmd),
//   then that folder itself (removed only when it is empty by then);
// - script\tevevent.cmd;
// - the placeholder files log\dummy.tmp, upload\dummy.tmp, download\dummy.tmp.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "migration/journal.h"
#include "migration/path_names.h"

// An old option-file name and its name in this version, relative to an
// installation directory.
struct RenamePair {
    const char* old_name;
    const char* new_name;
};
extern const std::array<RenamePair, 7> rename_pairs;

// Names relative to the installation directory; a leading '!' marks a directory.
extern const std::array<const char*, 25> obsolete_files;

// True when `path` is absolute: "X:\...", beginning with a backslash, or a
// network path ("//server/share" as well).
bool is_absolute_path(std::string_view path);

// True when `path` names a network share (UNC, "\\server\share\..."): it
// begins with two separators, '\' or '/'.
bool is_network_path(std::string_view path);

// True when both name the same path: equal without regard to case, with '/'
// and '\' as the same separator.
bool same_path(std::string_view a, std::string_view b);

// True when `path` lies in `directory` or is it: it begins with the directory
// (without regard to case) and continues with a backslash or ends there. An
// empty directory contains nothing.
bool path_in_directory(std::string_view path, std::string_view directory);

// True when a component of `path` (separated by '\' or '/') names a parent
// folder: "..", or, as Windows drops trailing dots and spaces, any component
// of two or more dots and spaces only ("...", ".. ").
bool climbs_to_parent(std::string_view path);

// Gives `target` the new name of the first rename pair whose old name is the
// end of the target (whole components, without regard to case). Only the file
// name changes; the directory keeps its spelling. True when a name changed.
bool map_old_name(std::string& target);

// Copies one file over `target` (an existing target is replaced). With
// `map_names` the target is first renamed by map_old_name, in the caller's
// string. The copy goes through the journal as a file of `role`. True when
// the copy was made.
bool copy_file(const std::string& source, std::string& target, bool map_names, FileRole role = ROLE_COPIED);

// Copies the directory `source` into `target`: first its subdirectories (not
// those whose names begin with '.'), recursively, then its files, all carried
// over (the user's data). False and nothing done when a directory is empty or
// both are the same directory.
bool copy_tree(const std::string& source, const std::string& target, bool map_names);

// Mode 0: copy each old option file of `directory` to its new name.
// Mode 1: remove the obsolete files and folders of `directory` (through the
// journal, which keeps what it deletes until the installation ends). An old
// option-file name goes only when its copy under the new name holds the same
// bytes; otherwise it stays, and a line on standard error ("kept old file
// PATH: ...") says why.
void convert_or_clean(const std::string& directory, int mode);

// The directory a member goes to below `user_directory`: the user directory
// joined with the member name behind its first separator, cut at the last
// separator. False when the member name has no separator or the path is too long.
bool member_subdir(std::string& out, std::string_view member_name, std::string_view user_directory);
