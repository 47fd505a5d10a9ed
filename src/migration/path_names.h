// Joining and comparing the setup's Windows paths, and a name's stored
// spelling: the path work that the file helpers and the journal both need,
// below both of them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// `out` = directory, a backslash unless it already ends in one, and the name
// (an empty directory gives a backslash and the name). False, with `out` empty,
// when the result would be longer than SETUP_PATH_MAX.
bool join_path(std::string& out, std::string_view directory, std::string_view name);

// Compares at most `n` characters without regard to letter case, like the
// runtime's strnicmp: negative, zero or positive.
int compare_nocase(std::string_view a, std::string_view b, size_t n);

// `path` with its last component spelled as the folder stores it (Windows
// names ignore letter case but keep it); `path` itself when it does not exist.
std::string stored_spelling(const std::string& path);
