// Drive mapping for Windows-style paths on Linux: '\' becomes '/', and "X:" is
// replaced by the directory mapped to drive X, as Wine maps its drives. Below a
// mapped drive, names are found without regard to letter case (the Windows file
// systems ignore it): a component that does not exist as spelled is replaced by
// an existing entry that differs only in case. Paths without a drive are used
// as they stand.
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
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
// that differ in case only keep the order the folder listed them in. The
// folder's identity (device and inode) tells whether a path still leads to it.
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
    void identify(const struct stat& folder) {
        device_ = folder.st_dev;
        inode_ = folder.st_ino;
    }
    // True when `path` leads to the folder that was read.
    bool is_at(const std::string& path) const {
        struct stat s;
        return ::stat(path.c_str(), &s) == 0 && s.st_dev == device_ && s.st_ino == inode_;
    }

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
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Folder listings kept while the host asks for them (host_keep_folder_listings).
// A name that does not exist as spelled is otherwise looked for by reading its
// whole folder, and a setup that puts thousands of files into one folder would
// read it three times for each file.
//
// A kept listing must answer as a fresh read would, also after another process
// made a file there (the setup would otherwise write PHONEBK beside a phonebk
// made meanwhile, with no question and no backup). The folder's modification
// time cannot tell: this layer's own writes change it just as often, and two
// changes within one tick of the file system's clock leave the same time. So
// each kept folder is watched (inotify), from before it is read: the kernel
// queues every entry made, renamed or removed there as the change is made, and
// every look-up first applies what is queued; a look-up in a kept listing also
// checks that its path still leads to the folder that was read. A folder that
// cannot be watched is not kept, and an overflowing queue drops every listing.
// The listings also follow this layer's own creations and renames at once; any
// other change it makes drops them all.
std::mutex listing_lock;
std::atomic<bool> listings_on{false};
std::unordered_map<std::string, Listing> listings;  // by folder, as resolved (ending in '/')
int watch_fd = -1;                                      // the inotify instance while listings are kept
std::unordered_map<int, std::vector<std::string>> watched;  // watch -> kept folders (aliases share one)
constexpr uint32_t WATCHED_CHANGES =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// The folder part (up to the last '/') and the name of a host path.
std::pair<std::string, std::string> folder_and_name(const std::string& native) {
    const size_t sep = native.rfind('/');
    if (sep == std::string::npos) return {"", native};
    return {native.substr(0, sep + 1), native.substr(sep + 1)};
}

// One queued change of a watched folder, applied to its kept listings.
void apply_change(const inotify_event& event, const char* name) {
    if (event.mask & IN_Q_OVERFLOW) {
        listings.clear();  // changes were lost: nothing kept can be trusted
        return;
    }
    const auto folders = watched.find(event.wd);
    if (folders == watched.end()) return;
    if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
        for (const std::string& folder : folders->second) listings.erase(folder);
        if (event.mask & IN_IGNORED) watched.erase(folders);
        return;
    }
    if (!name[0]) return;
    for (const std::string& folder : folders->second) {
        const auto kept = listings.find(folder);
        if (kept == listings.end()) continue;
        if (event.mask & (IN_CREATE | IN_MOVED_TO)) kept->second.add(name);
        else if (event.mask & (IN_DELETE | IN_MOVED_FROM)) kept->second.remove(name);
    }
}

// Applies every change queued for the watched folders (listing_lock held).
// Applied in order, from any moment before a listing was read, they leave each
// name as its last change made it: what a fresh read would find.
void apply_queued_changes() {
    if (watch_fd < 0) return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(watch_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) listings.clear();  // what changed cannot be told
        if (n <= 0) return;
        for (size_t at = 0; at + sizeof(inotify_event) <= static_cast<size_t>(n);) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const size_t name_at = at + sizeof event;
            at = name_at + event.len;
            if (at > static_cast<size_t>(n)) break;
            const std::string name(buffer + name_at, ::strnlen(buffer + name_at, event.len));
            apply_change(event, name.c_str());
        }
    }
}

// Reads `directory` into a listing to keep, watched from before the read
// (listing_lock held). False when it cannot be watched or read, or when the
// folder read is not the one watched (it was replaced meanwhile).
bool read_watched(const std::string& directory, Listing& listing) {
    const char* path = directory.empty() ? "/" : directory.c_str();
    const int watch = ::inotify_add_watch(watch_fd, path, WATCHED_CHANGES);
    if (watch < 0) return false;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path), ::closedir);
    struct stat folder;
    if (!dir || ::fstat(::dirfd(dir.get()), &folder) != 0) return false;
    while (const dirent* e = ::readdir(dir.get())) listing.read(e->d_name);
    listing.finish();
    listing.identify(folder);
    // Watching the same folder again gives the same watch; another folder at
    // this path a new one.
    if (::inotify_add_watch(watch_fd, path, WATCHED_CHANGES) != watch) return false;
    std::vector<std::string>& folders = watched[watch];
    if (std::find(folders.begin(), folders.end(), directory) == folders.end()) folders.push_back(directory);
    return true;
}

// The entry of `directory` that equals `name` without regard to case, or "".
// The first such entry in the order the folder lists them, kept or not.
std::string find_nocase(const std::string& directory, const std::string& name) {
    if (listings_on.load()) {
        std::lock_guard<std::mutex> guard(listing_lock);
        apply_queued_changes();
        const auto folder = listings.find(directory);
        if (folder != listings.end()) {
            if (folder->second.is_at(directory.empty() ? "/" : directory)) return folder->second.find(name);
            listings.erase(folder);
        }
        Listing listing;
        if (watch_fd >= 0 && read_watched(directory, listing)) {
            std::string found = listing.find(name);
            listings[directory] = std::move(listing);
            return found;
        }
    }
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
    int first = -1;
    for (int i = 25; i >= 0; --i)
        if (!drives[i].empty() && !(i == 'Z' - 'A' && z_automatic)) first = i;
    if (first < 0) return -1;
    const int here = drive_of_cwd(nullptr);
    if (here >= 0) return here;
    return drives['C' - 'A'].empty() ? first : 'C' - 'A';
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
    // Without a drive (the command-line program) the current directory is not asked for.
    const int drive = current_drive_index();
    if (drive < 0) return;
    if (rooted) {
        const size_t separators = std::min(path.find_first_not_of("\\/"), path.size());
        path.replace(0, separators, std::string(1, static_cast<char>('A' + drive)) + ":\\");
        return;
    }
    std::string rest;
    const int here = drive_of_cwd(&rest);
    if (here < 0) return;
    path = std::string(1, static_cast<char>('A' + here)) + ":\\" + (rest.empty() ? "" : rest + "\\") + path;
}

}  // namespace

void host_keep_folder_listings(bool on) {
    std::lock_guard<std::mutex> guard(listing_lock);
    listings.clear();
    watched.clear();
    if (watch_fd >= 0) ::close(watch_fd);
    // Without a watch on them, no listing is kept: each look-up reads its folder.
    watch_fd = on ? ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC) : -1;
    listings_on = watch_fd >= 0;
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
