// File handles, times, attributes and the name probe (CreateFileA, SetFileTime,
// CloseHandle, SetFileAttributesA, GetFileAttributesA, OpenFile, _lclose, and the
// finishing of an open output file) over
// POSIX descriptors, through the drive mapping of hostfile.h.
//
// Attributes map onto permissions: read-only is "no write permission for anyone";
// hidden, system and archive have no equivalent and are ignored.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "platform/hostfile.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/posix_util.h"
#include "platform/posix/test_overrides.h"
#include "platform/win32_api.h"

namespace {

struct FileHandle {
    int fd = -1;
    explicit FileHandle(int descriptor) : fd(descriptor) {}
    ~FileHandle() {
        if (fd >= 0) ::close(fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
};

// File handles are FILE_HANDLE_BASE + index, a range apart from the small numbers
// of the directory searches, so that one kind is never taken for the other.
constexpr uintptr_t FILE_HANDLE_BASE = 0x10000;

HandleTable<FileHandle> files(FILE_HANDLE_BASE);

constexpr mode_t ALL_WRITE = S_IWUSR | S_IWGRP | S_IWOTH;

timespec to_timespec(const FILETIME& ft) {
    const int64_t ticks = filetime_to_int(ft) - FILETIME_UNIX_EPOCH;  // 100 ns since 1970
    int64_t seconds = ticks / 10000000LL;
    int64_t rest = ticks % 10000000LL;
    if (rest < 0) {
        rest += 10000000LL;
        --seconds;
    }
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>(rest * 100);
    return ts;
}

// The last component of a path (after '/' or '\').
std::string_view last_component(const char* path) {
    const std::string_view p(path);
    const size_t sep = p.find_last_of("/\\");
    return sep == std::string_view::npos ? p : p.substr(sep + 1);
}

}  // namespace

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string native = host_native_path(path);
    int flags = O_CLOEXEC | O_NOCTTY;
    const bool reads = (access & GENERIC_READ) != 0;
    const bool writes = (access & GENERIC_WRITE) != 0;
    flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    switch (disposition) {
    case OPEN_EXISTING: break;
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    if (::stat(native.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        // A read-only file cannot be opened for writing, whoever asks (as on Windows,
        // where the attribute binds administrators too).
        if (writes && !(st.st_mode & S_IWUSR)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    const int fd = ::open(native.c_str(), flags, 0666);
    if (fd < 0) {
        set_last_error_from_errno();
        return INVALID_HANDLE_VALUE;
    }
    if (flags & O_CREAT) forget_folder_listings();
    SetLastError(ERROR_SUCCESS);
    return files.store(std::make_unique<FileHandle>(fd));
}

BOOL SetFileTime(HANDLE file, const FILETIME*, const FILETIME* last_access,
                 const FILETIME* last_write) {
    // Linux keeps no creation time that could be set; a null time is left alone.
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = 0;
    times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
    if (last_access) times[0] = to_timespec(*last_access);
    if (last_write) times[1] = to_timespec(*last_write);
    bool set = false;
    if (!files.with(file, [&](FileHandle& f) { set = ::futimens(f.fd, times) == 0; })) return FALSE;
    if (!set) {
        set_last_error_from_errno();
        return FALSE;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    const std::unique_ptr<FileHandle> f = files.take(handle);
    if (!f) return FALSE;
    const int fd = f->fd;
    f->fd = -1;
    if (::close(fd) != 0) {
        set_last_error_from_errno();
        return FALSE;
    }
    return TRUE;
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string native = host_native_path(path);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) {
        set_last_error_from_errno();
        return FALSE;
    }
    mode_t mode = st.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~ALL_WRITE;
    else
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && ::chmod(native.c_str(), mode) != 0) {
        set_last_error_from_errno();
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat st;
    if (::stat(host_native_path(path).c_str(), &st) != 0) {
        set_last_error_from_errno();
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

HFILE OpenFile(LPCSTR path, OFSTRUCT* info, UINT style) {
    if (info) {
        std::memset(info, 0, sizeof *info);
        info->cBytes = static_cast<BYTE>(sizeof *info);
    }
    auto fail = [info](DWORD code) {
        SetLastError(code);
        if (info) info->nErrCode = static_cast<WORD>(code);
        return HFILE_ERROR;
    };
    // Only reading (with any sharing mode) is offered: this layer's OpenFile never
    // creates or changes a file.
    const UINT mode_bits = style & 0x0003;
    if (!path || mode_bits != OF_READ || (style & ~(0x0003u | 0x0070u)) != 0)
        return fail(ERROR_INVALID_PARAMETER);
    if (fat_names_override() && !is_legal_8_3_name(last_component(path)))
        return fail(ERROR_INVALID_NAME);
    const std::string native = host_native_path(path);
    // Non-blocking, so that a FIFO or a terminal in the way does not hang the probe.
    const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case ENAMETOOLONG: return fail(ERROR_FILENAME_EXCED_RANGE);
        case EINVAL:
        case EILSEQ: return fail(ERROR_INVALID_NAME);
        case ENOENT: return fail(ERROR_FILE_NOT_FOUND);
        default: return fail(win32_error_from_errno(errno));
        }
    }
    if (info) std::strncpy(info->szPathName, native.c_str(), sizeof info->szPathName - 1);
    return fd;
}

HFILE _lclose(HFILE file) {
    if (file < 0 || ::close(file) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return HFILE_ERROR;
    }
    return 0;
}

bool host_same_destination(FILE* a, FILE* b) {
    struct stat sa, sb;
    if (::fstat(::fileno(a), &sa) != 0 || ::fstat(::fileno(b), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int host_make_link(const char* target, const char* path) {
    return ::symlink(target, host_native_path(path).c_str());
}

int host_set_path_time(const char* path, uint64_t write_time) {
    const timespec times[2] = {{0, UTIME_OMIT}, to_timespec(int_to_filetime(static_cast<int64_t>(write_time)))};
    return ::utimensat(AT_FDCWD, host_native_path(path).c_str(), times, AT_SYMLINK_NOFOLLOW);
}

HostOutputDone host_set_output_info(FILE* f, const HostOutputInfo& info) {
    HostOutputDone done;
    const int fd = ::fileno(f);
    if (info.set_time) {
        const FILETIME time = int_to_filetime(static_cast<int64_t>(info.write_time));
        const timespec times[2] = {{0, UTIME_OMIT}, to_timespec(time)};
        if (::futimens(fd, times) != 0) done.time_error = win32_error_from_errno(errno);
    }
    // A Unix mode replaces all permissions, whatever the attributes say.
    if (info.unix_mode) {
        if (::fchmod(fd, static_cast<mode_t>(info.unix_mode & 0777)) != 0) {
            done.attributes_left = true;
            done.unix_mode_left = true;
        }
        return done;
    }
    // Read-only is "no write permission for anyone"; otherwise the owner may write.
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        done.attributes_left = true;
        return done;
    }
    mode_t mode = st.st_mode & 07777;
    if (info.attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~ALL_WRITE;
    else
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && ::fchmod(fd, mode) != 0) done.attributes_left = true;
    return done;
}
