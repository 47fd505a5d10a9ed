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
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
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

std::string lower_case(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

// A folder's entries as (lower-case name, name), sorted by the first; entries
// that differ in case only keep the order the folder listed them in.
class Listing {
public:
    using Entry = std::pair<std::string, std::string>;

private:
    static bool by_key(const Entry& a, const Entry& b) { return a.first < b.first; }
    // The entries whose lower-case name is `key`, as a range of `entries`.
    template <typename Entries>
    static auto same_letters(Entries& entries, const std::string& key) {
        return std::equal_range(entries.begin(), entries.end(), Entry{key, ""}, by_key);
    }

public:
    // After the folder was read, in its order.
    void finish() { std::stable_sort(entries_.begin(), entries_.end(), by_key); }
    void read(std::string name) { entries_.emplace_back(lower_case(name), std::move(name)); }

    // The first entry equal to `name` without regard to case, or "".
    std::string find(const std::string& name) const {
        const auto [first, last] = same_letters(entries_, lower_case(name));
        return first == last ? "" : first->second;
    }
    void add(const std::string& name) {
        const std::string key = lower_case(name);
        const auto [first, last] = same_letters(entries_, key);
        if (std::find_if(first, last, [&](const Entry& e) { return e.second == name; }) == last)
            entries_.emplace(last, key, name);
    }
    void remove(const std::string& name) {
        const auto [first, last] = same_letters(entries_, lower_case(name));
        const auto it = std::find_if(first, last, [&](const Entry& e) { return e.second == name; });
        if (it != last) entries_.erase(it);
    }

private:
    std::vector<Entry> entries_;
};

// Folder listings kept while the host asks for them (host_keep_folder_listings).
// A name that does not exist as spelled is otherwise looked for by reading its
// whole folder, and a setup that puts thousands of files into one folder would
// read it three times for each file. The kept listings follow this layer's own
// creations and renames; any other change it makes drops them all.
std::mutex listing_lock;
std::atomic<bool> listings_on{false};
std::unordered_map<std::string, Listing> listings;  // by folder, as resolved (ending in '/')

// The folder part (up to the last '/') and the name of a host path.
std::pair<std::string, std::string> folder_and_name(const std::string& native) {
    const size_t sep = native.rfind('/');
    if (sep == std::string::npos) return {"", native};
    return {native.substr(0, sep + 1), native.substr(sep + 1)};
}

// The entry of `directory` that equals `name` without regard to case, or "".
// The first such entry in the order the folder lists them, kept or not.
std::string find_nocase(const std::string& directory, const std::string& name) {
    const bool keep = listings_on.load();
    if (keep) {
        std::lock_guard<std::mutex> guard(listing_lock);
        const auto folder = listings.find(directory);
        if (folder != listings.end()) return folder->second.find(name);
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.empty() ? "/" : directory.c_str()),
                                            ::closedir);
    if (!dir) return "";
    if (!keep) {
        while (const dirent* e = ::readdir(dir.get()))
            if (same_nocase(e->d_name, name.c_str())) return e->d_name;
        return "";
    }
    Listing listing;
    while (const dirent* e = ::readdir(dir.get())) listing.read(e->d_name);
    listing.finish();
    std::string found = listing.find(name);
    std::lock_guard<std::mutex> guard(listing_lock);
    listings[directory] = std::move(listing);
    return found;
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

// The mapped drive whose directory holds the current directory (the deepest
// one; drive Z made automatically for the whole file system does not count),
// with the current directory's part below it ('/'-separated) in `rest`; -1 when
// the current directory lies on no mapped drive.
int drive_of_cwd(std::string* rest) {
    std::vector<char> cwd(4096);
    const std::string here = ::getcwd(cwd.data(), cwd.size()) ? canonical(cwd.data()) : "";
    int best = -1;
    size_t best_len = 0;
    for (int i = 0; i < 26; ++i) {
        if (drives[i].empty() || (i == 'Z' - 'A' && z_automatic)) continue;
        std::string dir = canonical(drives[i]);
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        const bool inside = here == dir || (here.compare(0, dir.size(), dir) == 0 && here.size() > dir.size() &&
                                            (here[dir.size()] == '/' || dir == "/"));
        if (inside && (best < 0 || dir.size() >= best_len)) {
            best = i;
            best_len = dir.size();
        }
    }
    if (best >= 0 && rest) *rest = here.substr(std::min(here.size(), best_len + (best_len > 1 ? 1 : 0)));
    return best;
}

// The drive that a path without a drive lies on: the mapped drive holding the
// current directory, else C: when it is mapped, else the first mapped drive;
// -1 when no drive is mapped.
int current_drive_index() {
    const int here = drive_of_cwd(nullptr);
    if (here >= 0) return here;
    if (!drives['C' - 'A'].empty()) return 'C' - 'A';
    for (int i = 0; i < 26; ++i)
        if (!drives[i].empty() && !(i == 'Z' - 'A' && z_automatic)) return i;
    return -1;
}

// True when a component of the path (separated by '\' or '/') is "..".
bool climbs(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0) return true;
        start = end + 1;
    }
    return false;
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Gives a Windows path without a drive the drive it lies on, as Windows does,
// so that no such path leads outside the drives' directories: "\dir" and the
// network form "\\server\share\dir" or "//server/share/dir" (this layer
// reaches no network share; it stays on the drive as "\server\share\dir") lie
// on the current drive; a relative path that climbs with ".." is taken from the
// current directory when that lies on a mapped drive, where ".." stops at the
// drive's root. Other relative paths, a path beginning with one '/' (a host
// path), and every path while no drive is mapped stay as they are.
void put_on_current_drive(std::string& path) {
    const bool network = path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
    const bool rooted = network || (!path.empty() && path[0] == '\\');
    const bool relative = !path.empty() && !is_separator(path[0]) && !(path.size() >= 2 && path[1] == ':');
    if (!rooted && !(relative && climbs(path))) return;
    std::lock_guard<std::mutex> guard(drive_lock);
    if (rooted) {
        const int drive = current_drive_index();
        if (drive < 0) return;
        const size_t separators = std::min(path.find_first_not_of("\\/"), path.size());
        path.replace(0, separators, std::string(1, static_cast<char>('A' + drive)) + ":\\");
        return;
    }
    std::string rest;
    const int drive = drive_of_cwd(&rest);
    if (drive < 0) return;
    path = std::string(1, static_cast<char>('A' + drive)) + ":\\" + (rest.empty() ? "" : rest + "\\") + path;
}

}  // namespace

void host_keep_folder_listings(bool on) {
    std::lock_guard<std::mutex> guard(listing_lock);
    listings.clear();
    listings_on = on;
}

namespace {

// Applies one of the layer's own changes to the kept listing of its folder, if any.
template <typename Change>
void change_kept_listing(const std::string& native, Change change) {
    if (!listings_on.load()) return;
    const auto [folder, name] = folder_and_name(native);
    std::lock_guard<std::mutex> guard(listing_lock);
    const auto kept = listings.find(folder);
    if (kept != listings.end()) change(kept->second, name);
}

}  // namespace

void folder_entry_added(const std::string& native) {
    change_kept_listing(native, [](Listing& listing, const std::string& name) { listing.add(name); });
}

void folder_entry_removed(const std::string& native) {
    change_kept_listing(native, [](Listing& listing, const std::string& name) { listing.remove(name); });
}

void forget_folder_listings() {
    if (!listings_on.load()) return;
    std::lock_guard<std::mutex> guard(listing_lock);
    listings.clear();
}

void host_map_drive(char letter, const char* directory) {
    const int c = std::toupper(static_cast<unsigned char>(letter));
    if (c < 'A' || c > 'Z') return;
    std::lock_guard<std::mutex> guard(drive_lock);
    drives[c - 'A'] = directory ? directory : "";
    if (c == 'Z') z_automatic = false;
}

std::string host_native_path(const char* path) {
    std::string out = path ? path : "";
    put_on_current_drive(out);
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
