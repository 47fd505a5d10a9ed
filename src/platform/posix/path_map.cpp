// Drive mapping for Windows-style paths on Linux: '\' becomes '/', and "X:" is
// replaced by the directory mapped to drive X, as Wine maps its drives. Below a
// mapped drive, names are found without regard to letter case (the Windows file
// systems ignore it): a component that does not exist as spelled is replaced by
// an existing entry that differs only in case. Paths without a drive are used
// as they stand.
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hostfile.h"
#include "platform/posix/posix_util.h"

namespace {

std::mutex drive_lock;
std::array<std::string, 26> drives;
bool z_automatic = false;  // drive Z was made the whole file system by posix_to_windows_path

bool exists(const std::string& path) {
    struct stat s;
    return ::lstat(path.c_str(), &s) == 0;
}

bool same_nocase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

// The canonical spelling of an existing directory, or the directory itself.
std::string canonical(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), ::free);
    return real ? std::string(real.get()) : path;
}

// The entry of `directory` that equals `name` without regard to case, or "".
std::string find_nocase(const std::string& directory, const std::string& name) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.empty() ? "/" : directory.c_str()),
                                            ::closedir);
    if (!dir) return "";
    while (const dirent* e = ::readdir(dir.get()))
        if (same_nocase(e->d_name, name.c_str())) return e->d_name;
    return "";
}

// `base` (an existing directory, ending in '/') followed by the '/'-separated
// `rest`, each component resolved without regard to case while it exists.
// ".." goes up one component, as Windows resolves it, but never above `base`
// (the drive's root): no path on a drive leads outside its directory.
std::string resolve_nocase(const std::string& base, const std::string& rest) {
    std::vector<std::string> parts;
    const auto joined = [&] {
        std::string out = base;
        for (const std::string& p : parts) out += p + '/';
        return out;
    };
    size_t pos = 0;
    bool resolving = true;
    bool trailing_separator = false;
    while (pos <= rest.size()) {
        size_t end = rest.find('/', pos);
        if (end == std::string::npos) end = rest.size();
        std::string component = rest.substr(pos, end - pos);
        trailing_separator = end < rest.size();
        pos = end + 1;
        if (component == "..") {
            if (!parts.empty()) parts.pop_back();
            resolving = exists(joined());
            continue;
        }
        if (component == "." || (component.empty() && trailing_separator)) continue;
        if (resolving && !component.empty()) {
            const std::string dir = joined();
            if (!exists(dir + component)) {
                const std::string found = find_nocase(dir, component);
                if (found.empty()) resolving = false;  // nothing below can exist either
                else component = found;
            }
        }
        parts.push_back(component);
    }
    std::string out = joined();
    // A path that did not end in a separator does not get one.
    if (!trailing_separator && !parts.empty() && out.size() > base.size()) out.pop_back();
    return out;
}

// The drive that a path without a drive lies on: the mapped drive holding the
// current directory, else C: when it is mapped; 0 when no drive is mapped.
int current_drive_index() {
    std::vector<char> cwd(4096);
    const std::string here = ::getcwd(cwd.data(), cwd.size()) ? canonical(cwd.data()) : "";
    int best = -1;
    size_t best_len = 0;
    int first = -1;
    for (int i = 0; i < 26; ++i) {
        if (drives[i].empty() || (i == 'Z' - 'A' && z_automatic)) continue;
        if (first < 0) first = i;
        std::string dir = canonical(drives[i]);
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        const bool inside = here == dir || (here.compare(0, dir.size(), dir) == 0 && here.size() > dir.size() &&
                                            here[dir.size()] == '/');
        if (inside && dir.size() >= best_len) {
            best = i;
            best_len = dir.size();
        }
    }
    if (best >= 0) return best;
    if (!drives['C' - 'A'].empty()) return 'C' - 'A';
    return first;
}


}  // namespace

void host_map_drive(char letter, const char* directory) {
    const int c = std::toupper(static_cast<unsigned char>(letter));
    if (c < 'A' || c > 'Z') return;
    std::lock_guard<std::mutex> guard(drive_lock);
    drives[c - 'A'] = directory ? directory : "";
    if (c == 'Z') z_automatic = false;
}

std::string host_native_path(const char* path) {
    std::string out = path ? path : "";
    // "\dir" (one backslash, no drive) lies on the current drive, as on Windows.
    if (out.size() >= 1 && out[0] == '\\' && (out.size() < 2 || out[1] != '\\')) {
        std::lock_guard<std::mutex> guard(drive_lock);
        const int drive = current_drive_index();
        if (drive >= 0) out.insert(0, std::string(1, static_cast<char>('A' + drive)) + ":");
    }
    for (char& ch : out)
        if (ch == '\\') ch = '/';
    if (out.size() >= 2 && out[1] == ':' && std::isalpha(static_cast<unsigned char>(out[0]))) {
        std::string mapped;
        {
            std::lock_guard<std::mutex> guard(drive_lock);
            mapped = drives[std::toupper(static_cast<unsigned char>(out[0])) - 'A'];
        }
        if (!mapped.empty()) {
            std::string rest = out.substr(2);
            // "C:" alone and "C:name" (relative to the drive) both start at its root.
            while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
            if (mapped.back() != '/') mapped += '/';
            out = resolve_nocase(mapped, rest);
        }
    }
    return out;
}

std::string posix_to_windows_path(const std::string& native) {
    const std::string real = canonical(native);
    int best = -1;
    size_t best_len = 0;
    std::string best_dir;
    {
        std::lock_guard<std::mutex> guard(drive_lock);
        for (int i = 0; i < 26; ++i) {
            if (drives[i].empty()) continue;
            std::string dir = canonical(drives[i]);
            while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
            const bool inside = real == dir || dir == "/" ||
                                (real.compare(0, dir.size(), dir) == 0 && real.size() > dir.size() &&
                                 real[dir.size()] == '/');
            if (inside && (best < 0 || dir.size() > best_len)) {
                best = i;
                best_len = dir.size();
                best_dir = dir;
            }
        }
        // Outside every mapped drive: the whole file system is drive Z, as under Wine.
        if (best < 0 && drives['Z' - 'A'].empty()) {
            drives['Z' - 'A'] = "/";
            z_automatic = true;
            best = 'Z' - 'A';
            best_dir = "/";
        }
    }
    if (best < 0) return native;  // Z is taken by another directory: no drive spelling
    const size_t skip = best_dir == "/" ? 1 : best_dir.size() + 1;
    std::string rest = real.substr(std::min(real.size(), skip));
    for (char& ch : rest)
        if (ch == '/') ch = '\\';
    std::string out;
    out += static_cast<char>('A' + best);
    out += ":\\";
    out += rest;
    return out;
}
