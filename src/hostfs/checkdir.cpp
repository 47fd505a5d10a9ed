// The extraction root and the building of one member's host path, one component
// at a time, with the directories created on the way.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/globals.h"
#include "engine/shown_text.h"
#include "hostfs/mapname.h"
#include "hostfs/short_names.h"
#include "hostfs/volume.h"
#include "platform/hostfile.h"
#include "platform/win32_api.h"

HostPathState host_paths;

void release_host_paths() noexcept {
    std::string().swap(host_paths.long_path);
    std::string().swap(host_paths.host_path);
}

namespace {

HostPathState& S = host_paths;

// The directories of the last path built, which exist: found or created for an
// earlier member of this run. A member in the same folder takes them from here
// instead of asking the host again. Each level keeps the lengths of long_path and
// host_path behind its '/'. A new root (every run sets one) forgets them.
struct KnownDirs {
    std::string long_path;
    std::string host_path;
    std::vector<std::pair<size_t, size_t>> levels;
    size_t level = 0;  // the level the current member's next directory is at

    void clear() {
        long_path.clear();
        host_path.clear();
        levels.clear();
        level = 0;
    }
    // True when the directory S.long_path (no '/' yet) is known; it then sets
    // S.host_path to its host form.
    bool find() const {
        if (level >= levels.size() || levels[level].first != S.long_path.size() + 1) return false;
        const size_t n = S.long_path.size();
        if (long_path.compare(0, n, S.long_path) != 0 || long_path[n] != '/') return false;
        S.host_path.assign(host_path, 0, levels[level].second - 1);
        return true;
    }
    // Records the directory just found or created (S.long_path and S.host_path end in '/').
    void remember() {
        try {
            levels.resize(level);
            levels.emplace_back(S.long_path.size(), S.host_path.size());
            long_path = S.long_path;
            host_path = S.host_path;
        } catch (...) {
            clear();  // half recorded: nothing is known
            throw;
        }
    }
};

KnownDirs known_dirs;

void release_paths() { release_host_paths(); }

bool is_separator(char c) { return c == '/' || c == '\\'; }

// The checkdir messages go out at once: they may precede a question or a crash.
void report(const char* format, const char* a, const char* b = nullptr) {
    std::fprintf(stderr, format, shown_text(a).c_str(), b ? shown_text(b).c_str() : nullptr);
    std::fflush(stderr);
}

}  // namespace

size_t network_share_length(std::string_view path) {
    if (path.size() < 3 || !is_separator(path[0]) || !is_separator(path[1]) || is_separator(path[2]))
        return 0;
    size_t separators = 0;
    for (size_t i = 2; i < path.size(); ++i)
        if (is_separator(path[i]) && ++separators == 2) return i;
    return path.size();
}

namespace {

// Makes `dir` with every missing folder above it. False, with errno saying why,
// when one of them cannot be made (ENOTDIR when a file stands in the way).
// Where the host reaches network shares, the server and share of a network
// path are no folders to make: the folders are made below them (elsewhere
// "//server" is a folder of the root).
bool make_folders(const std::string& dir) {
    const size_t fixed_head = host_network_shares() ? network_share_length(dir) : 0;
    for (size_t end = 1; end <= dir.size(); ++end) {
        if (end < dir.size() && !is_separator(dir[end])) continue;
        if (end <= fixed_head) continue;
        if (is_separator(dir[end - 1]) || dir[end - 1] == ':') continue;  // "//", a drive
        const std::string part = dir.substr(0, end);
        HostStat st;
        if (host_stat(part.c_str(), &st) == 0) {
            if (st.is_dir) continue;
            errno = ENOTDIR;
            return false;
        }
        if (host_mkdir(part.c_str()) != 0) return false;
    }
    return true;
}

int set_root(const char* path) {
    known_dirs.clear();
    S.root_len = 0;
    S.root_path = std::string();
    if (!path || !*path) return HOST_OK;

    std::string dir = path;
    const bool has_drive = std::isalpha(static_cast<unsigned char>(dir[0])) && dir.size() >= 2 && dir[1] == ':';
    const bool had_slash = is_separator(dir.back());
    if (had_slash) dir.pop_back();

    std::string root;
    if (has_drive && dir.size() == 2) {
        // A bare drive: its current directory, or its root when a slash followed.
        root = dir + (had_slash ? "/" : "./");
    } else if (dir.empty()) {
        root = "/";  // the file-system root itself
    } else {
        HostStat st;
        if (host_stat(dir.c_str(), &st) != 0 || !st.is_dir) {
            if (!G.create_dirs) {
                // Nothing may be created, so nothing will be extracted; the root is
                // kept all the same, so that no member lands outside it (in the
                // current directory) instead.
                S.root_path = dir + "/";
                S.root_len = static_cast<int>(S.root_path.size());
                return HOST_SKIP;
            }
            if (!make_folders(dir)) {
                report("checkdir:  can't create extraction directory: %s: %s\n", dir.c_str(),
                       std::strerror(errno));
                return HOST_ERROR;
            }
        }
        root = dir + "/";
    }
    S.root_path = std::move(root);
    S.root_len = static_cast<int>(S.root_path.size());
    return HOST_OK;
}

// The drive letter (lower case) that receives a volume label, or 0 when none.
char label_drive_letter() {
    if (S.root_len > 0 && S.root_path.size() >= 2 && S.root_path[1] == ':')
        return static_cast<char>(std::tolower(static_cast<unsigned char>(S.root_path[0])));
    char cwd[MAX_PATH + 1] = {};
    const DWORD n = GetFullPathNameA(".", MAX_PATH, cwd, nullptr);
    if (n > MAX_PATH) {
        // The drive cannot be told; the label is refused below (as a letter that is
        // no drive) rather than the member being extracted as an ordinary file.
        std::fprintf(stderr, "checkdir warning: current dir path too long\n");
        return 0;
    }
    if (n == 0) return 0;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(cwd[0])));
}

int begin_path() {
    release_paths();
    known_dirs.level = 0;
    const size_t room = S.root_path.size() + G.member_name.size() * 2 + 2;
    S.long_path.reserve(room);
    S.host_path.reserve(room);

    if (G.cur && G.cur->volume_label) {
        const char letter = label_drive_letter();
        S.label_drive = letter - 96;
        if (G.volume_label_level == 0 || letter < 'a' || letter > 'z' ||
            (G.volume_label_level == 1 && !drive_is_removable(S.label_drive))) {
            release_paths();
            return HOST_VOLUME_LABEL_UNWANTED;
        }
        return HOST_OK;
    }
    if (S.root_len > 0) S.long_path = S.root_path;
    S.host_path = S.long_path;
    return HOST_OK;
}

// Appends one component to host_path, verbatim where the volume accepts it as
// long_path spells it, else in 8.3 form. A component that is its own 8.3 form
// comes out the same either way, and the volume is not asked.
void append_host_component(std::string_view component) {
    const size_t start = S.host_path.size();
    shorten_to_8_3(component, S.host_path);
    if (std::string_view(S.host_path).substr(start) == component) return;
    if (volume_accepts_name(S.long_path.c_str())) {
        S.host_path.resize(start);
        S.host_path += component;
    }
}

int path_too_long() {
    report("checkdir error:  path too long: %s\n", S.long_path.c_str());
    release_paths();
    return HOST_PATH_TOO_LONG;
}

int add_dir(std::string_view component) {
    S.long_path += component;
    const bool too_long = S.long_path.size() > HOST_DIR_PATH_MAX;
    if (known_dirs.find()) {
        S.long_path += '/';
        S.host_path += '/';
        ++known_dirs.level;
        return HOST_OK;
    }
    append_host_component(component);

    // A link this run made leads anywhere its target says: nothing passes through it.
    if (S.links_made.count(S.host_path)) {
        report("checkdir error:  %s is a symbolic link made by this run\n                 unable to process %s.\n",
               S.host_path.c_str(), G.member_name.c_str());
        release_paths();
        return HOST_ERROR;
    }

    HostStat st;
    if (host_stat(S.host_path.c_str(), &st) != 0) {
        if (!G.create_dirs) {
            release_paths();
            return HOST_SKIP;
        }
        if (too_long) return path_too_long();
        if (host_mkdir(S.host_path.c_str()) != 0) {
            report("checkdir error:  can't create %s\n                 unable to process %s.\n",
                   S.host_path.c_str(), G.member_name.c_str());
            release_paths();
            return HOST_ERROR;
        }
        S.created_dir = true;
    } else if (!st.is_dir) {
        report("checkdir error:  %s exists but is not directory\n                 unable to process %s.\n",
               S.host_path.c_str(), G.member_name.c_str());
        release_paths();
        return HOST_ERROR;
    } else if (too_long) {
        return path_too_long();
    }
    S.long_path += '/';
    S.host_path += '/';
    known_dirs.remember();
    ++known_dirs.level;
    return HOST_OK;
}

int add_name(std::string_view name) {
    const size_t used = S.long_path.size();
    const size_t room = used < HOST_PATH_MAX ? HOST_PATH_MAX - used : 0;
    const std::string_view kept = name.substr(0, room);
    const bool truncated = kept.size() < name.size();
    // Nothing of the name fits, or only "." or "..": the path would name the
    // directory itself or its parent.
    if (truncated && (kept.empty() || kept == "." || kept == "..")) return path_too_long();
    S.long_path += kept;
    if (truncated) {
        report("checkdir warning:  path too long; truncating\n                   %s\n                -> %s\n",
               G.member_name.c_str(), S.long_path.c_str());
    }
    if (G.cur && G.cur->volume_label)
        S.host_path += kept;
    else
        append_host_component(kept);
    return truncated ? HOST_WARNING : HOST_OK;
}

int take_path() {
    G.member_name = S.host_path;
    release_paths();
    return HOST_OK;
}

int drop_root() {
    known_dirs.clear();
    S.links_made.clear();
    S.root_path = std::string();
    S.root_len = 0;
    return HOST_OK;
}

int run_mode(const char* path, int mode) {
    const std::string_view text = path ? std::string_view(path) : std::string_view();
    switch (mode & 7) {
    case CHECKDIR_SET_ROOT: return set_root(path);
    case CHECKDIR_BEGIN_PATH: return begin_path();
    case CHECKDIR_ADD_DIR: return add_dir(text);
    case CHECKDIR_ADD_NAME: return add_name(text);
    case CHECKDIR_TAKE_PATH: return take_path();
    case CHECKDIR_DROP_ROOT: return drop_root();
    default: return HOST_UNKNOWN_MODE;
    }
}

}  // namespace

int checkdir(const char* path, int mode) {
    try {
        return run_mode(path, mode);
    } catch (const std::bad_alloc&) {
        release_paths();
        if ((mode & 7) == CHECKDIR_SET_ROOT) {
            std::string().swap(S.root_path);
            S.root_len = 0;
        }
        return HOST_NO_MEMORY;
    }
}
