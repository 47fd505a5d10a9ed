// Directory search (FindFirstFileA / FindNextFileA / FindClose) over opendir.
// A pattern is a directory, a separator and a name pattern; "*.*" and "*" take
// every entry, other patterns are matched with '*' and '?' without regard to case.
#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "platform/hostfile.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/posix_util.h"
#include "platform/win32_api.h"

namespace {

struct Search {
    DIR* dir = nullptr;
    std::string directory;
    std::string pattern;
    ~Search() {
        if (dir) closedir(dir);
    }
};

HandleTable<Search> searches(1);

bool name_matches(const char* p, const char* s) {
    for (;; ++p, ++s) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (!*p) return true;
            for (; *s; ++s)
                if (name_matches(p, s)) return true;
            return name_matches(p, s);
        }
        if (!*p) return !*s;
        if (!*s) return false;
        if (*p != '?' && std::tolower(static_cast<unsigned char>(*p)) !=
                             std::tolower(static_cast<unsigned char>(*s)))
            return false;
    }
}

bool matches(const std::string& pattern, const char* name) {
    if (pattern == "*.*" || pattern == "*") return true;
    return name_matches(pattern.c_str(), name);
}

void fill(const Search& s, const char* name, WIN32_FIND_DATAA* data) {
    std::memset(data, 0, sizeof *data);
    std::strncpy(data->cFileName, name, MAX_PATH - 1);
    struct stat st;
    const std::string full = s.directory + "/" + name;
    if (::stat(full.c_str(), &st) == 0) {
        data->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        if (!(st.st_mode & S_IWUSR)) data->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        data->nFileSizeLow = static_cast<DWORD>(size);
        data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data->ftLastWriteTime = unix_to_filetime(st.st_mtime);
    }
}

// The next entry of a search that matches its pattern, or false at the end.
bool advance(Search& s, WIN32_FIND_DATAA* data) {
    while (dirent* e = readdir(s.dir)) {
        if (std::strlen(e->d_name) >= MAX_PATH) continue;
        if (matches(s.pattern, e->d_name)) {
            fill(s, e->d_name, data);
            return true;
        }
    }
    return false;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    const std::string native = host_native_path(pattern);
    const size_t slash = native.rfind('/');
    auto s = std::make_unique<Search>();
    s->directory = slash == std::string::npos ? "." : native.substr(0, slash);
    if (s->directory.empty()) s->directory.assign(1, '/');  // the literal trips a false -Wrestrict
    s->pattern = slash == std::string::npos ? native : native.substr(slash + 1);
    s->dir = opendir(s->directory.c_str());
    if (!s->dir) {
        set_last_error_from_errno();
        return INVALID_HANDLE_VALUE;
    }
    if (!advance(*s, data)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return searches.store(std::move(s));
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data) {
    bool found = false;
    if (!searches.with(search, [&](Search& s) { found = advance(s, data); })) return FALSE;
    if (!found) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE search) { return searches.take(search) ? TRUE : FALSE; }
