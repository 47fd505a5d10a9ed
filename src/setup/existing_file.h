// The setup's rule for a payload file that already exists on disk: the user's
// phone book and data scripts are overwritten only when the user agrees (asked
// per file), the default option files only when the user agrees once for all of
// them; what is overwritten after a question is first backed up beside it.
// Other files are overwritten without a question.
#pragma once

#include <array>
#include <string>

// File names asked about one by one (message 16).
extern const std::array<const char*, 5> protected_data_files;
// File names asked about once for all (message 17); the answer is kept.
extern const std::array<const char*, 7> default_option_files;

// The name of the backup copy of `path`: the character behind the first '.' of
// the file name becomes '0' (STANDARD.TPA -> STANDARD.0PA; a name ending in '.'
// gets a '0' appended); a file name without '.' gets '0' as its last
// character (PHONEBK -> PHONEB0). `mark` replaces the '0'.
std::string backup_name(const std::string& path, char mark = '0');

// The first backup name of `path`, marked 0 to 9 and then A to Z, that names
// no existing file; "" when all are taken.
std::string free_backup_name(const std::string& path);

// Called by the engine, on the worker thread, when the output file
// `output_path` exists. Returns EXISTING_OVERWRITE or EXISTING_SKIP. A file is
// overwritten after a question only when its backup copy was made.
int existing_file_policy(const char* output_path);
