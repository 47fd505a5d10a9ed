#include "migration/journal.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "migration/path_names.h"
#include "migration/install_log.h"
#include "platform/crt.h"
#include "platform/hostfile.h"
#include "platform/win32_shell.h"

namespace {

// A file at its first change: whether it existed, and where its copy is.
struct FileEntry {
    std::string path;
    bool existed = false;
    std::string kept;  // the copy of the original (existed only)
    FileRole role = ROLE_COPIED;
    bool written = false;  // written and still there
};

enum class StepKind { file, folder_created, folder_removed, keep_folder, registry_key, registry_value };

struct Step {
    StepKind kind = StepKind::file;
    size_t file = 0;   // StepKind::file: index into files
    std::string path;  // folders; the key of registry steps
    RegistryRoot root = RegistryRoot::user;
    bool had_previous = false;  // registry_value
    RegistryValue previous;     // registry_value: the replaced value, or the name of the new one
};

Step make_step(StepKind kind, std::string path = {}, RegistryRoot root = RegistryRoot::user, size_t file = 0) {
    Step step;
    step.kind = kind;
    step.file = file;
    step.path = std::move(path);
    step.root = root;
    return step;
}

struct Journal {
    bool active = false;
    bool failed = false;
    std::string keep_folder;
    bool keep_made = false;
    unsigned copies = 0;
    std::vector<FileEntry> files;
    std::map<std::string, size_t> index;  // spelling-free path -> files
    std::set<std::tuple<RegistryRoot, std::string, std::string>> registry_touched;
    std::vector<Step> steps;
};

Journal J;

// The Windows spelling with '\' only.
std::string backslashed(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// One key for every spelling of a path: Windows names ignore letter case.
std::string path_key(const std::string& path) {
    std::string key = backslashed(path);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

bool exists(const std::string& path) { return _access(path.c_str(), 0) == 0; }

const char* role_verb(FileRole role) {
    switch (role) {
    case ROLE_INSTALLED: return "installed";
    case ROLE_COPIED: return "copied";
    case ROLE_CARRIED_OVER: return "carried over";
    case ROLE_CONVERTED: return "converted";
    case ROLE_BACKUP: return "backed up";
    case ROLE_REWRITTEN: return "rewritten";
    case ROLE_LINK: return "link";
    default: return "uninstaller";
    }
}

// Makes the keep folder (and any missing folder above it) on first use.
bool make_keep_folder() {
    if (J.keep_made) return true;
    for (size_t at = J.keep_folder.find('\\', 3); at != std::string::npos; at = J.keep_folder.find('\\', at + 1))
        if (!journal_make_folder(J.keep_folder.substr(0, at))) return false;
    if (!exists(J.keep_folder) && _mkdir(J.keep_folder.c_str()) != 0) return false;
    J.steps.push_back(make_step(StepKind::keep_folder));
    J.keep_made = true;
    return true;
}

// Copies the original of `path` into the keep folder; its copy's name in `kept`.
bool keep_copy(const std::string& path, std::string& kept) {
    if (!make_keep_folder()) return false;
    char name[16];
    std::snprintf(name, sizeof name, "K%07u.KEP", ++J.copies);
    if (!join_path(kept, J.keep_folder, name)) return false;
    if (!CopyFileA(path.c_str(), kept.c_str(), TRUE)) return false;
    std::string index;
    if (join_path(index, J.keep_folder, JOURNAL_KEEP_INDEX)) {
        if (std::FILE* f = crt_fopen(index.c_str(), "ab")) {
            std::fprintf(f, "%s %s\r\n", name, path.c_str());
            std::fclose(f);
        }
    }
    return true;
}

void add_file(FileEntry entry) {
    J.index[path_key(entry.path)] = J.files.size();
    J.steps.push_back(make_step(StepKind::file, {}, RegistryRoot::user, J.files.size()));
    J.files.push_back(std::move(entry));
}

// Notes a file before its first change; false when its original could not be kept.
bool note_file(const std::string& given) {
    const std::string path = backslashed(given);
    if (J.index.count(path_key(path))) return true;
    HostStat st;
    FileEntry entry;
    entry.existed = host_stat(path.c_str(), &st) == 0;
    if (entry.existed && st.is_dir) return true;  // not a file: its write fails by itself
    // A file put back gets the name it had, letter case and all.
    entry.path = entry.existed ? stored_spelling(path) : path;
    if (entry.existed && !keep_copy(path, entry.kept)) {
        J.failed = true;
        log_line("cannot keep a copy of " + path + ": it is left as it is, and the installation stops");
        return false;
    }
    add_file(std::move(entry));
    return true;
}

std::string registry_path(RegistryRoot root, const std::string& key, const std::string& name = "") {
    return std::string(registry_root_name(root)) + "\\" + key + (name.empty() ? "" : "\\" + name);
}

std::string shown_value(const RegistryValue& v) { return v.is_number ? std::to_string(v.number) : v.text; }

// Removes a kept copy (which has the original's attributes, read-only too).
void remove_copy(const std::string& copy) {
    host_make_writable(copy.c_str());
    crt_remove(copy.c_str());
}

void remove_index_file() {
    std::string index;
    if (join_path(index, J.keep_folder, JOURNAL_KEEP_INDEX)) crt_remove(index.c_str());
}

// Undoes one file: removes what the installation made, restores what it replaced.
void undo_file(FileEntry& e, std::vector<std::string>& kept) {
    if (!e.existed) {
        if (!exists(e.path)) return;
        host_make_writable(e.path.c_str());
        if (crt_remove(e.path.c_str()) == 0) {
            log_line("removed " + e.path);
        } else {
            log_line("could not remove " + e.path);
            kept.push_back(e.path);
        }
        return;
    }
    if (exists(e.path)) host_make_writable(e.path.c_str());
    if (CopyFileA(e.kept.c_str(), e.path.c_str(), FALSE)) {
        remove_copy(e.kept);
        e.kept.clear();
        log_line("restored " + e.path);
    } else {
        log_line("could not restore " + e.path + "; its original is kept as " + e.kept);
        kept.push_back(e.path + " (original: " + e.kept + ")");
    }
}

}  // namespace

void journal_begin(const std::string& destination) {
    J = Journal{};
    J.active = true;
    join_path(J.keep_folder, destination, JOURNAL_KEEP_FOLDER);
}

bool journal_active() { return J.active; }

bool journal_failed() { return J.failed; }

bool journal_before_write(const std::string& path) { return !J.active || note_file(path); }

void journal_written(const std::string& path, FileRole role, std::string_view detail) {
    log_line(std::string(role_verb(role)) + " " + backslashed(path) + std::string(detail));
    if (!J.active) return;
    // Not noted before: a file the engine made, which was not there.
    if (!J.index.count(path_key(path))) {
        FileEntry made;
        made.path = backslashed(path);
        add_file(std::move(made));
    }
    FileEntry& e = J.files[J.index[path_key(path)]];
    // A rewrite keeps what the file was; anything else says what it is now.
    if (role != ROLE_REWRITTEN || !e.written) e.role = role;
    e.written = true;
}

bool journal_before_delete(const std::string& path) { return journal_before_write(path); }

void journal_deleted(const std::string& path) {
    log_line("deleted " + backslashed(path));
    if (!J.active) return;
    const auto it = J.index.find(path_key(path));
    if (it != J.index.end()) J.files[it->second].written = false;
}

bool journal_make_folder(const std::string& path) {
    if (exists(path)) return true;
    if (_mkdir(path.c_str()) != 0) return false;
    journal_folder_created(path);
    return true;
}

void journal_folder_created(const std::string& path) {
    log_line("folder made " + backslashed(path));
    if (J.active) J.steps.push_back(make_step(StepKind::folder_created, backslashed(path)));
}

void journal_folder_removed(const std::string& path) {
    log_line("folder removed " + backslashed(path));
    if (J.active) J.steps.push_back(make_step(StepKind::folder_removed, backslashed(path)));
}

bool journal_set_registry(RegistryRoot root, const std::string& key, const RegistryValue& value) {
    if (J.active) {
        if (J.registry_touched.insert({root, path_key(key), ""}).second && !registry_key_exists(root, key))
            J.steps.push_back(make_step(StepKind::registry_key, key, root));
        if (J.registry_touched.insert({root, path_key(key), path_key(value.name)}).second) {
            Step step = make_step(StepKind::registry_value, key, root);
            step.had_previous = registry_read(root, key, value.name, step.previous);
            if (!step.had_previous) step.previous.name = value.name;
            J.steps.push_back(step);
        }
    }
    const bool ok = registry_write(root, key, value);
    log_line(std::string(ok ? "registry " : "could not write registry ") + registry_path(root, key, value.name) +
             " = " + shown_value(value));
    return ok;
}

std::vector<JournalFile> journal_written_files() {
    std::vector<JournalFile> files;
    for (const FileEntry& e : J.files)
        if (e.written) files.push_back(JournalFile{e.path, e.role, e.kept});
    return files;
}

std::vector<std::string> journal_created_folders() {
    std::vector<std::string> folders;
    for (const Step& s : J.steps)
        if (s.kind == StepKind::folder_created) folders.push_back(s.path);
    return folders;
}

bool journal_touched(const std::string& path) { return J.index.count(path_key(path)) != 0; }

std::vector<std::string> journal_rollback() {
    std::vector<std::string> kept;
    if (!J.active) return kept;
    for (auto step = J.steps.rbegin(); step != J.steps.rend(); ++step) {
        switch (step->kind) {
        case StepKind::file: undo_file(J.files[step->file], kept); break;
        case StepKind::folder_created:
            if (!exists(step->path)) break;
            if (_rmdir(step->path.c_str()) == 0) {
                log_line("folder removed " + step->path);
            } else {
                log_line("could not remove folder " + step->path);
                kept.push_back(step->path);
            }
            break;
        case StepKind::folder_removed:
            if (_mkdir(step->path.c_str()) == 0) log_line("folder made again " + step->path);
            break;
        case StepKind::keep_folder:
            // The index goes only with the last copy: a copy left behind keeps its name.
            if (std::none_of(J.files.begin(), J.files.end(), [](const FileEntry& e) { return !e.kept.empty(); }))
                remove_index_file();
            _rmdir(J.keep_folder.c_str());
            break;
        case StepKind::registry_key:
            if (!registry_delete_key(step->root, step->path)) kept.push_back(registry_path(step->root, step->path));
            else log_line("registry key removed " + registry_path(step->root, step->path));
            break;
        case StepKind::registry_value: {
            const bool undone = step->had_previous ? registry_write(step->root, step->path, step->previous)
                                                   : registry_delete_value(step->root, step->path, step->previous.name);
            const std::string where = registry_path(step->root, step->path, step->previous.name);
            if (!undone) kept.push_back(where);
            log_line((undone ? "registry restored " : "could not restore registry ") + where);
            break;
        }
        }
    }
    J = Journal{};
    return kept;
}

void journal_commit() {
    if (J.active) {
        for (FileEntry& e : J.files)
            if (!e.kept.empty()) remove_copy(e.kept);
        if (J.keep_made) {
            remove_index_file();
            _rmdir(J.keep_folder.c_str());
        }
    }
    J = Journal{};
}
