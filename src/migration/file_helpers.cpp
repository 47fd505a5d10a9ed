#include "migration/file_helpers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "migration/journal.h"
#include "platform/crt.h"
#include "platform/os_layer.h"
#include "platform/win32_shell.h"
#include "setup/setup_state.h"

const std::array<RenamePair, 7> rename_pairs = {{
    {"options\\standard", "options\\standard.tev"},
    {"options\\tevpath.dat", "options\\standard.tpa"},
    {"options\\tevphone.fee", "options\\standard.fee"},
    {"options\\tev.key", "options\\standard.tky"},
    {"options\\tevtool.bar", "options\\standard.ttb"},
    {"options\\tevphone.opt", "options\\standard.tph"},
    {"script\\tevevent.cmd", "script\\tevevent.trx"},
}};

const std::array<const char*, 25> obsolete_files = {
    "options\\standard",     "options\\tevpath.dat",   "options\\tevphone.fee",
    "options\\tev.key",      "options\\tevtool.bar",   "options\\tevphone.opt",
    "tev16.exe",             "tevw31.exe",             "tevcom16.dll",
    "tevfax16.dll",          "tevxfr16.dll",           "tev.hlp",
    "tev.cnt",               "script\\samples\\login.cmd", "script\\samples\\logout.cmd",
    "script\\samples\\dialup.cmd", "script\\samples\\getmail.cmd", "script\\samples\\sndmail.cmd",
    "script\\samples\\upload.cmd", "script\\samples\\dnload.cmd", "!script\\samples",
    "script\\tevevent.cmd",  "log\\dummy.tmp",         "upload\\dummy.tmp",
    "download\\dummy.tmp",
};

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

int fold(char c) { return std::tolower(static_cast<unsigned char>(c)); }

// Equal without regard to case, with '/' and '\' as the same separator.
bool same_path_char(char a, char b) {
    return (is_separator(a) && is_separator(b)) || fold(a) == fold(b);
}

bool same_nocase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compare_nocase(a, b, a.size()) == 0;
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open_for_reading(const std::string& path) { return File(crt_fopen(path.c_str(), "rb"), std::fclose); }

enum class Copy { same, unreadable, missing, differs };

// Whether `new_path` holds the same bytes as the old-named file `old_path`, so
// that deleting the old one loses nothing. The whole content is compared, not
// only the size: a copy cut short by a full disk, or the payload's default in
// its place, must not stand for the user's file.
Copy compare_copy(const std::string& old_path, const std::string& new_path) {
    const File old_file = open_for_reading(old_path);
    if (!old_file) return Copy::unreadable;
    const File new_file = open_for_reading(new_path);
    if (!new_file) return Copy::missing;
    std::vector<char> a(65536);
    std::vector<char> b(a.size());
    for (;;) {
        const size_t n = std::fread(a.data(), 1, a.size(), old_file.get());
        const size_t m = std::fread(b.data(), 1, b.size(), new_file.get());
        if (std::ferror(old_file.get())) return Copy::unreadable;
        if (n != m || std::ferror(new_file.get()) || std::memcmp(a.data(), b.data(), n) != 0) return Copy::differs;
        if (n < a.size()) return Copy::same;
    }
}

// Deletes a file through the journal (which keeps its content for a rollback).
void delete_file(const std::string& path) {
    if (_access(path.c_str(), 0) != 0 || !journal_before_delete(path)) return;
    if (crt_remove(path.c_str()) == 0) journal_deleted(path);
}

// Deletes an old option file of `directory` only when its copy under the new
// name is there and the same (the conversion before the installation may have
// failed, or the installation replaced the copy with its default); otherwise
// the trace says which file was kept and why.
void remove_converted(const std::string& directory, const RenamePair& pair) {
    std::string old_path;
    std::string new_path;
    if (!join_path(old_path, directory, pair.old_name) || !join_path(new_path, directory, pair.new_name)) return;
    if (_access(old_path.c_str(), 0) != 0) return;
    const Copy copy = compare_copy(old_path, new_path);
    if (copy == Copy::same) {
        delete_file(old_path);
        return;
    }
    if (!stderr) return;
    const char* old_name = old_path.c_str();
    const char* new_name = new_path.c_str();
    if (copy == Copy::missing) std::fprintf(stderr, "kept old file %s: its copy %s is missing\n", old_name, new_name);
    else if (copy == Copy::differs) std::fprintf(stderr, "kept old file %s: %s differs from it\n", old_name, new_name);
    else std::fprintf(stderr, "kept old file %s: it cannot be read\n", old_name);
    std::fflush(stderr);
}

}  // namespace

bool is_absolute_path(std::string_view path) {
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || (!path.empty() && path[0] == '\\') ||
           is_network_path(path);
}

bool is_network_path(std::string_view path) {
    return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
}

bool same_path(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), same_path_char);
}

bool path_in_directory(std::string_view path, std::string_view directory) {
    if (directory.empty() || path.size() < directory.size()) return false;
    if (compare_nocase(path, directory, directory.size()) != 0) return false;
    return path.size() == directory.size() || directory.back() == '\\' || path[directory.size()] == '\\';
}

bool climbs_to_parent(std::string_view path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view component = path.substr(start, end - start);
        if (component.size() >= 2 && component.compare(0, 2, "..") == 0 &&
            component.find_first_not_of(". ") == std::string_view::npos)
            return true;
        start = end + 1;
    }
    return false;
}

bool map_old_name(std::string& target) {
    for (const RenamePair& pair : rename_pairs) {
        const std::string_view old_name = pair.old_name;
        if (old_name.size() > target.size()) continue;
        const size_t at = target.size() - old_name.size();
        if (at > 0 && !is_separator(target[at - 1])) continue;  // whole components only
        bool tail = true;
        for (size_t i = 0; i < old_name.size() && tail; ++i)
            tail = same_path_char(target[at + i], old_name[i]);
        if (!tail) continue;
        // Both names share their directory part; only the file name is replaced.
        const std::string_view new_name = pair.new_name;
        const std::string_view old_file = old_name.substr(old_name.rfind('\\') + 1);
        const std::string_view new_file = new_name.substr(new_name.rfind('\\') + 1);
        std::string renamed = target.substr(0, target.size() - old_file.size());
        renamed += new_file;
        if (renamed.size() > SETUP_PATH_MAX) return false;
        target = std::move(renamed);
        return true;
    }
    return false;
}

bool copy_file(const std::string& source, std::string& target, bool map_names, FileRole role) {
    if (map_names) map_old_name(target);
    // A missing source copies nothing, and so changes nothing the journal must note.
    if (_access(source.c_str(), 0) != 0 || !journal_before_write(target)) return false;
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) return false;
    journal_written(target, role, " (from " + source + ")");
    return true;
}

bool copy_tree(const std::string& source, const std::string& target, bool map_names) {
    if (source.empty() || target.empty() || same_nocase(source, target)) return false;
    if (!journal_make_folder(target)) return false;

    OS_FILEFIND entry;
    std::string pattern;
    if (!join_path(pattern, source, "*.*")) return false;

    // First the subdirectories, so that nested folders are copied before the
    // files of each level. A subdirectory that is the target itself (a target
    // inside the source) is not copied into itself.
    pattern.copy(entry.name, pattern.size());
    entry.name[pattern.size()] = '\0';
    for (int r = os_FileFindMgr(OS_FIND_FIRST, &entry); r == 0; r = os_FileFindMgr(OS_FIND_NEXT, &entry)) {
        if (!(entry.attributes & OS_FILE_DIRECTORY) || entry.name[0] == '.') continue;
        std::string from;
        std::string to;
        if (!join_path(from, source, entry.name) || !join_path(to, target, entry.name)) continue;
        if (same_nocase(from, target)) continue;
        copy_tree(from, to, map_names);
    }
    os_FileFindMgr(OS_FIND_END, &entry);

    entry = OS_FILEFIND{};
    pattern.copy(entry.name, pattern.size());
    entry.name[pattern.size()] = '\0';
    for (int r = os_FileFindMgr(OS_FIND_FIRST, &entry); r == 0; r = os_FileFindMgr(OS_FIND_NEXT, &entry)) {
        if (entry.attributes & OS_FILE_DIRECTORY) continue;
        std::string from;
        std::string to;
        if (!join_path(from, source, entry.name) || !join_path(to, target, entry.name)) continue;
        copy_file(from, to, map_names, ROLE_CARRIED_OVER);
    }
    os_FileFindMgr(OS_FIND_END, &entry);
    return true;
}

void convert_or_clean(const std::string& directory, int mode) {
    if (mode == 0) {
        for (const RenamePair& pair : rename_pairs) {
            std::string from;
            std::string to;
            if (join_path(from, directory, pair.old_name) && join_path(to, directory, pair.new_name))
                copy_file(from, to, false, ROLE_CONVERTED);
        }
        return;
    }
    for (const char* name : obsolete_files) {
        const auto renamed = std::find_if(rename_pairs.begin(), rename_pairs.end(),
                                          [&](const RenamePair& pair) { return std::strcmp(pair.old_name, name) == 0; });
        if (renamed != rename_pairs.end()) {
            remove_converted(directory, *renamed);
            continue;
        }
        const bool is_directory = name[0] == '!';
        std::string path;
        if (!join_path(path, directory, is_directory ? name + 1 : name)) continue;
        if (!is_directory) {
            delete_file(path);
        } else if (_access(path.c_str(), 0) == 0) {
            const std::string spelled = stored_spelling(path);  // made again as it was, should the installation be undone
            if (_rmdir(path.c_str()) == 0) journal_folder_removed(spelled);
        }
    }
}

bool member_subdir(std::string& out, std::string_view member_name, std::string_view user_directory) {
    const size_t first = member_name.find_first_of("/\\");
    if (first == std::string_view::npos) return false;
    std::string joined;
    if (!join_path(joined, user_directory, member_name.substr(first + 1))) return false;
    const size_t last = joined.find_last_of("/\\");
    joined.erase(last);  // join_path put at least one separator in
    // Cut down to a bare drive, the directory is the drive's root.
    if (joined.size() == 2 && joined[1] == ':') joined += '\\';
    out = std::move(joined);
    return true;
}
