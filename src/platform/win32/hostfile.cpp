// Host file operations over the Windows C runtime and the wide-character API.
// Drives are real here. Paths are converted to UTF-16 from UTF-8 (the
// command-line program) or from the ANSI code page (the setup program).
#include "platform/hostfile.h"

#include <windows.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/win32/wide_paths.h"

namespace {

std::atomic<bool> utf8_paths{false};

}  // namespace

void host_use_utf8_paths(bool on) { utf8_paths = on; }

unsigned host_path_code_page() { return utf8_paths ? CP_UTF8 : CP_ACP; }

std::wstring wide_path(const char* path) {
    if (!path || !*path) return std::wstring();
    const UINT cp = host_path_code_page();
    const int n = MultiByteToWideChar(cp, 0, path, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, path, -1, w.data(), n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

std::string narrow_path(const wchar_t* path) {
    const UINT cp = host_path_code_page();
    const int n = WideCharToMultiByte(cp, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, 0, path, -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

int host_stat(const char* path, HostStat* st) {
    struct _stat64 s;
    if (_wstat64(wide_path(path).c_str(), &s) != 0) return -1;
    st->is_dir = (s.st_mode & _S_IFDIR) != 0;
    st->owner_exec = (s.st_mode & _S_IEXEC) != 0;
    st->writable = (s.st_mode & _S_IWRITE) != 0;
    st->size = static_cast<uint64_t>(s.st_size);
    st->mtime = static_cast<int64_t>(s.st_mtime);
    return 0;
}

int host_open_read(const char* path) { return _wopen(wide_path(path).c_str(), _O_RDONLY | _O_BINARY); }

long host_read(int fd, void* buf, unsigned long count) {
    return _read(fd, buf, static_cast<unsigned>(count));
}

long host_write(int fd, const void* buf, unsigned long count) {
    unsigned long done = 0;
    while (done < count) {
        const int n = _write(fd, static_cast<const char*>(buf) + done, static_cast<unsigned>(count - done));
        if (n <= 0) return done > 0 ? static_cast<long>(done) : n;
        done += static_cast<unsigned long>(n);
    }
    return static_cast<long>(done);
}

int64_t host_seek(int fd, int64_t offset) { return _lseeki64(fd, offset, SEEK_SET); }

int host_close(int fd) { return _close(fd); }

FILE* host_fopen(const char* path, const char* mode) {
    std::wstring wmode;
    for (const char* m = mode; *m; ++m) wmode += static_cast<wchar_t>(*m);
    return _wfopen(wide_path(path).c_str(), wmode.c_str());
}

int host_fileno(FILE* f) { return _fileno(f); }

int host_mkdir(const char* path) { return _wmkdir(wide_path(path).c_str()); }

int host_rmdir(const char* path) { return _wrmdir(wide_path(path).c_str()); }

int host_chdir(const char* path) { return _wchdir(wide_path(path).c_str()); }

int host_access(const char* path, int mode) { return _waccess(wide_path(path).c_str(), mode); }

int host_remove(const char* path) { return _wremove(wide_path(path).c_str()); }

int host_make_writable(const char* path) {
    return _wchmod(wide_path(path).c_str(), _S_IREAD | _S_IWRITE);
}

namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which the MinGW headers lack.
constexpr DWORD DISK_QUOTA_EXCEEDED = 1295;

// errno for the last failed Windows call, as the C runtime's calls would set it.
void set_errno_from_last_error() {
    switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case DISK_QUOTA_EXCEEDED: errno = ENOSPC; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION: errno = EACCES; break;
    default: errno = EINVAL; break;
    }
}

}  // namespace

FILE* host_create_new(const char* path) {
    // Shared for deletion, so that an interruption can remove the file while open.
    // A link of that name is the name taken, never followed to create its target.
    const HANDLE h = CreateFileW(wide_path(path).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        set_errno_from_last_error();
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
}

int host_replace(const char* from, const char* to) {
    if (MoveFileExW(wide_path(from).c_str(), wide_path(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
    set_errno_from_last_error();
    return -1;
}

HostOutputDone host_set_output_info(FILE* f, const HostOutputInfo& info) {
    HostOutputDone done;
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    // Time and attributes in one call, unless the file becomes read-only: a
    // read-only file could no longer be renamed over an older one or removed, so
    // that attribute waits until the file has its name.
    if (!(info.attributes & FILE_ATTRIBUTE_READONLY)) {
        FILE_BASIC_INFO basic{};
        if (info.set_time) basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(info.write_time);
        basic.FileAttributes = info.attributes;
        if (SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic)) return done;
    }
    done.attributes_left = true;
    const FILETIME time{static_cast<DWORD>(info.write_time & 0xFFFFFFFFu),
                        static_cast<DWORD>(info.write_time >> 32)};
    if (info.set_time && !SetFileTime(h, nullptr, nullptr, &time)) done.time_error = GetLastError();
    return done;
}

bool host_same_destination(FILE* a, FILE* b) {
    const auto handle = [](FILE* f) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f))); };
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!GetFileInformationByHandle(handle(a), &ia) || !GetFileInformationByHandle(handle(b), &ib)) return true;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

int host_make_link(const char*, const char*) {
    errno = ENOSYS;  // links need rights that a user seldom has: never made here
    return -1;
}

int host_set_path_time(const char* path, uint64_t write_time) {
    // A folder opens only with backup semantics; a link is not followed.
    const HANDLE h = CreateFileW(wide_path(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    const FILETIME time{static_cast<DWORD>(write_time & 0xFFFFFFFFu), static_cast<DWORD>(write_time >> 32)};
    const bool done = SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
    return done ? 0 : -1;
}

int host_set_unix_mode(const char*, unsigned) { return 0; }

bool host_windows_names() { return true; }

void host_set_binary(FILE* f) { _setmode(_fileno(f), _O_BINARY); }

void host_map_drive(char, const char*) {}

void host_keep_folder_listings(bool) {}

std::string host_native_path(const char* path) { return path ? path : ""; }

extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** env, int glob, void* start_info);

std::vector<std::string> host_program_arguments(int argc, char** argv) {
    if (utf8_paths) {
        int wargc = 0;
        wchar_t** wargv = nullptr;
        wchar_t** wenv = nullptr;
        int start_info = 0;
        if (__wgetmainargs(&wargc, &wargv, &wenv, 0, &start_info) == 0 && wargv && wargc == argc) {
            std::vector<std::string> words;
            for (int i = 0; i < wargc; ++i) words.push_back(narrow_path(wargv[i]));
            return words;
        }
    }
    return std::vector<std::string>(argv, argv + argc);
}
