// The earlier installation's path settings and the new installation's
// directories derived from them.
//
// The path settings file comes in two layouts:
// - keyword layout (versions 2.50 and later, OPTIONS\STANDARD.TPA): a version
//   line (three characters, then the version text), then lines such as
//   CapturePath="C:\LOGS" for the five keywords of path_keywords; other lines
//   are kept as they are;
// - line layout (older versions, OPTIONS\TEVPATH.DAT): the version line, then
//   the download, -, upload, -, log path, (from version text 2.50 on one unused
//   line), script and options paths, one per line.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

struct SetupState;

// A keyword of the keyword layout and the directory kind (DIR_LOG, ...) it names.
// The value starts behind the keyword, an equals sign and a double quote.
struct PathKeyword {
    const char* keyword;
    int kind;
};
extern const std::array<PathKeyword, 5> path_keywords;

// The keyword `line` begins with (without regard to case), or null.
const PathKeyword* keyword_of_line(std::string_view line);

// Reads one line of a text file into `line` without its newline (and without a
// carriage return before the newline); both are removed only when present, and
// a long line is read whole. False at the end of the file (nothing read).
bool read_text_line(std::FILE* file, std::string& line);

// The version text of a version line: from its fourth character on, at most
// VERSION_TEXT_MAX characters.
std::string version_text(const std::string& version_line);

// Reads the earlier installation's settings from the keyword-layout file or,
// when it cannot be opened, the line-layout file; sets existing_found,
// existing_is_beta, existing_version, existing_paths, existing_options_dir and
// existing_script_dir of S. Returns existing_found.
bool read_existing_paths(const std::string& keyword_file, const std::string& line_file);

// existing_paths back to their defaults, the two existing directories empty,
// existing_found false.
void reset_existing_paths();

// The earlier installation in existing_path: read_existing_paths on its
// OPTIONS\STANDARD.TPA and OPTIONS\TEVPATH.DAT when one of the two is there,
// else reset_existing_paths. Returns existing_found.
bool read_existing_installation();

// False when `path` lies in the existing directory; otherwise true exactly when
// it is absolute.
bool lies_outside_existing(std::string_view path);

// Qualifies a typed path with the current drive and directory (os_QueryCWD).
// False, with `path` unchanged, when the result would be too long.
bool make_absolute(std::string& path);

// One new directory from the destination and an existing_paths value: a value
// outside the existing installation stays; otherwise its part relative to the
// existing directory is placed below the destination (empty destination: empty
// result). False, with `out` empty, when the result would be too long.
bool rebase_path(const std::string& destination, std::string& out, const std::string& value);

// The five new directories (log, options, script, upload, download, in this
// order), each rebase_path of destination_path and its existing_paths value.
void rebase_new_paths();

// Which of the three copies of the earlier installation the dialog offers
// (enables): each exactly when its two paths are both set and differ (without
// regard to case) and the earlier installation's settings were read. Options:
// existing_options_dir and options_path; phone book: existing_path and
// destination_path; scripts: existing_script_dir and script_path.
struct CopyChoices {
    bool options = false;
    bool phone_book = false;
    bool scripts = false;
};
CopyChoices copy_choices(const SetupState& state);
