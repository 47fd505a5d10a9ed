#include "migration/path_settings.h"

#include <cstring>
#include <memory>

#include "migration/file_helpers.h"
#include "platform/crt.h"
#include "platform/hostfile.h"
#include "platform/os_layer.h"
#include "setup/setup_state.h"

const std::array<PathKeyword, 5> path_keywords = {{
    {"DownloadPath", DIR_DOWNLOAD},
    {"UploadPath", DIR_UPLOAD},
    {"CapturePath", DIR_LOG},
    {"ScriptPath", DIR_SCRIPT},
    {"OptsPath", DIR_OPTIONS},
}};

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open_for_reading(const std::string& name) { return File(crt_fopen(name.c_str(), "r"), std::fclose); }

// The value of a keyword line: behind the keyword, '=' and '"', without the
// closing quote when there is one.
std::string keyword_value(const std::string& line, const PathKeyword& k) {
    const size_t start = std::strlen(k.keyword) + 2;
    if (line.size() <= start) return "";
    std::string value = line.substr(start);
    if (!value.empty() && value.back() == '"') value.pop_back();
    return value;
}

// Stores a value read from the settings file. An empty value, one that climbs
// to a parent folder with "..", one too long for a path, and a network share
// (UNC) where the host reaches none are not taken: the folder keeps its
// previous name (at first its default name), so that no settings file can place
// a folder outside where it belongs or make all five folders one. A value that
// begins with one backslash and no drive lies on the earlier installation's
// drive, where that installation read it.
void take_value(int kind, std::string value) {
    if (value.empty() || climbs_to_parent(value)) return;
    if (is_network_path(value) && !host_network_shares()) return;
    if (value[0] == '\\' && (value.size() == 1 || value[1] != '\\') && S.existing_path.size() >= 2 &&
        S.existing_path[1] == ':')
        value.insert(0, S.existing_path, 0, 2);
    if (value.size() <= SETUP_PATH_MAX) S.existing_paths[kind] = std::move(value);
}

// The absolute directory of an existing_paths value.
std::string existing_dir_of(const std::string& value) {
    if (is_absolute_path(value)) return value;
    std::string out;
    join_path(out, S.existing_path, value);
    return out;
}

void read_keyword_layout(std::FILE* file) {
    std::string line;
    while (read_text_line(file, line))
        if (const PathKeyword* k = keyword_of_line(line)) take_value(k->kind, keyword_value(line, *k));
}

void read_line_layout(std::FILE* file, const std::string& version) {
    // Lines 2 to 6 (and, from version 2.50 on, an unused line 7), then script and options.
    const int order_before[] = {DIR_DOWNLOAD, -1, DIR_UPLOAD, -1, DIR_LOG};
    std::string line;
    for (const int kind : order_before) {
        if (!read_text_line(file, line)) line.clear();
        if (kind >= 0) take_value(kind, line);
    }
    if (std::strcmp(version.c_str(), "2.50") >= 0 && !read_text_line(file, line)) line.clear();
    for (const int kind : {DIR_SCRIPT, DIR_OPTIONS}) {
        if (!read_text_line(file, line)) line.clear();
        take_value(kind, line);
    }
}

}  // namespace

const PathKeyword* keyword_of_line(std::string_view line) {
    for (const PathKeyword& k : path_keywords) {
        const size_t n = std::strlen(k.keyword);
        if (line.size() >= n && compare_nocase(line, k.keyword, n) == 0) return &k;
    }
    return nullptr;
}

bool read_text_line(std::FILE* file, std::string& line) {
    line.clear();
    int c = std::fgetc(file);
    if (c == EOF) return false;
    for (; c != EOF; c = std::fgetc(file)) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            break;
        }
        line += static_cast<char>(c);
    }
    return true;
}

std::string version_text(const std::string& version_line) {
    if (version_line.size() <= 3) return "";
    return version_line.substr(3, VERSION_TEXT_MAX);
}

bool read_existing_paths(const std::string& keyword_file, const std::string& line_file) {
    S.existing_is_beta = false;
    S.existing_found = false;
    std::string version;
    std::string line;
    if (File file = open_for_reading(keyword_file)) {
        if (read_text_line(file.get(), line)) version = version_text(line);
        S.existing_is_beta = compare_nocase(version, "2.50", 4) >= 0 &&
                             compare_nocase(version, "2.99", 4) <= 0;
        read_keyword_layout(file.get());
        S.existing_found = true;
    } else if (File file = open_for_reading(line_file)) {
        if (read_text_line(file.get(), line)) version = version_text(line);
        S.existing_is_beta = compare_nocase(version, "2.00", 4) < 0 ||
                             (compare_nocase(version, "2.06", 4) >= 0 &&
                              compare_nocase(version, "2.09", 4) <= 0);
        read_line_layout(file.get(), version);
        S.existing_found = true;
    }
    if (S.existing_found) {
        S.existing_options_dir = existing_dir_of(S.existing_paths[DIR_OPTIONS]);
        S.existing_script_dir = existing_dir_of(S.existing_paths[DIR_SCRIPT]);
    } else {
        S.existing_options_dir.clear();
        S.existing_script_dir.clear();
    }
    S.existing_version = version;
    return S.existing_found;
}

void reset_existing_paths() {
    for (int kind = 0; kind < DIR_COUNT; ++kind) S.existing_paths[kind] = DEFAULT_DIR_NAMES[kind];
    S.existing_options_dir.clear();
    S.existing_script_dir.clear();
    S.existing_found = false;
}

bool read_existing_installation() {
    std::string keyword_file, line_file;
    join_path(keyword_file, S.existing_path, "OPTIONS\\STANDARD.TPA");
    join_path(line_file, S.existing_path, "OPTIONS\\TEVPATH.DAT");
    const bool there = (!keyword_file.empty() && _access(keyword_file.c_str(), 0) == 0) ||
                       (!line_file.empty() && _access(line_file.c_str(), 0) == 0);
    if (there) return read_existing_paths(keyword_file, line_file);
    reset_existing_paths();
    return false;
}

bool lies_outside_existing(std::string_view path) {
    if (path_in_directory(path, S.existing_path)) return false;
    return is_absolute_path(path);
}

bool make_absolute(std::string& path) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return true;
    char cwd_buffer[OS_PATH_SIZE];
    const bool have_cwd = os_QueryCWD(cwd_buffer, sizeof cwd_buffer) == 0 && cwd_buffer[0] &&
                          cwd_buffer[1] == ':';
    const std::string cwd = have_cwd ? cwd_buffer : "C:\\";
    const char drive = cwd[0];

    std::string result;
    if (path.size() >= 2 && path[1] == ':') {
        // X: alone is the drive's root; X:dir lies below the current directory
        // when X is the current drive, else below the drive's root.
        const std::string rest = path.substr(2);
        const bool current_drive = compare_nocase(path, cwd, 1) == 0;
        if (rest.empty()) result = path + "\\";
        else if (!join_path(result, current_drive ? cwd : path.substr(0, 2) + "\\", rest)) return false;
    } else if (!path.empty() && path[0] == '\\') {
        result = std::string(1, drive) + ":" + path;
    } else {
        // Each leading "..\" goes up one level from the current directory (not above the root).
        std::string base = cwd;
        std::string rest = path;
        while (rest.compare(0, 3, "..\\") == 0 || rest == "..") {
            const size_t cut = base.find_last_of('\\');
            base = cut <= 2 ? base.substr(0, 3) : base.substr(0, cut);
            rest.erase(0, rest.size() >= 3 ? 3 : 2);
        }
        if (rest.empty()) result = base;
        else if (!join_path(result, base, rest)) return false;
    }
    if (result.size() > SETUP_PATH_MAX) return false;
    path = std::move(result);
    return true;
}

bool rebase_path(const std::string& destination, std::string& out, const std::string& value) {
    if (lies_outside_existing(value)) {
        out = value;
        return true;
    }
    std::string relative = value;
    if (is_absolute_path(value)) {
        relative = value.substr(S.existing_path.size());
        if (!relative.empty() && relative[0] == '\\') relative.erase(0, 1);
    }
    if (destination.empty()) {
        out.clear();
        return true;
    }
    return join_path(out, destination, relative);
}

void rebase_new_paths() {
    for (int kind = 0; kind < DIR_COUNT; ++kind)
        rebase_path(S.destination_path, new_dir_path(kind), S.existing_paths[kind]);
}

CopyChoices copy_choices(const SetupState& state) {
    const auto differ = [&](const std::string& a, const std::string& b) {
        return !a.empty() && !b.empty() && (a.size() != b.size() || compare_nocase(a, b, a.size()) != 0) &&
               state.existing_found;
    };
    CopyChoices choices;
    choices.options = differ(state.existing_options_dir, state.options_path);
    choices.phone_book = differ(state.existing_path, state.destination_path);
    choices.scripts = differ(state.existing_script_dir, state.script_path);
    return choices;
}
