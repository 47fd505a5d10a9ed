// Rewriting the new installation's path settings file so that it names the
// directories chosen for this installation, relative to the destination where
// they lie inside it. The file keeps its layout (see path_settings.h); the
// rewrite goes through STANDARD.TMP in the options directory, which is copied
// over the file and removed.
#pragma once

#include <string>

// `name` is a relative name with a backslash ("OPTIONS\STANDARD.TPA"); the part
// behind its first backslash names the file in the new options directory. A
// name without a backslash is reported through os_AssertMsg and nothing is
// rewritten.
void rewrite_path_file(const char* name);

// `path` without the leading `directory` when it lies in that directory (one
// following backslash is skipped too); otherwise `path` as it stands.
std::string strip_prefix(const std::string& directory, const std::string& path);
