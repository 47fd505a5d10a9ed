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

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "platform/hostfile.h"
#include "platform/posix/posix_util.h"

namespace {

std::mutex drive_lock;
std::array<std::string, 26> drives;

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
std::string resolve_nocase(const std::string& base, const std::string& rest) {
    std::string out = base;
    size_t pos = 0;
    bool resolving = true;
    while (pos <= rest.size()) {
        size_t end = rest.find('/', pos);
        if (end == std::string::npos) end = rest.size();
        std::string component = rest.substr(pos, end - pos);
        if (resolving && !component.empty() && component != "." && component != "..") {
            if (!exists(out + component)) {
                const std::string found = find_nocase(out, component);
                if (found.empty()) resolving = false;  // nothing below can exist either
                else component = found;
            }
        }
        out += component;
        if (end < rest.size()) out += '/';
        pos = end + 1;
    }
    return out;
}

// The canonical spelling of an existing directory, or the directory itself.
std::string canonical(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), ::free);
    return real ? std::string(real.get()) : path;
}

}  // namespace

void host_map_drive(char letter, const char* directory) {
    const int c = std::toupper(static_cast<unsigned char>(letter));
    if (c < 'A' || c > 'Z') return;
    std::lock_guard<std::mutex> guard(drive_lock);
    drives[c - 'A'] = directory ? directory : "";
}

std::string host_native_path(const char* path) {
    std::string out = path ? path : "";
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
