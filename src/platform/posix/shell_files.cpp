// The setup's kernel calls on Linux: file copy and search path.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/hostfile.h"
#include "platform/posix/posix_util.h"
#include "platform/win32_shell.h"

namespace {

constexpr DWORD ERROR_FILE_EXISTS = 80;

// Copies `text` with its terminator into a buffer of `size` bytes. Returns the
// length copied, or the size needed (with the terminator) when it does not fit.
DWORD give_string(const std::string& text, LPSTR buffer, DWORD size) {
    if (text.size() + 1 > size) {
        if (buffer && size > 0) buffer[0] = '\0';
        return static_cast<DWORD>(text.size() + 1);
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

bool write_all(int fd, const char* data, size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// Copies the open file `in` into a new file beside `target` and renames it over
// the target, so that the target is either fully replaced or left as it was.
bool copy_into(int in, const struct stat& source, const std::string& target) {
    std::string temp = target + ".copy-XXXXXX";
    const int out = ::mkstemp(temp.data());
    if (out < 0) {
        set_last_error_from_errno();
        return false;
    }
    std::vector<char> block(65536);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (!write_all(out, block.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    if (ok) ok = ::fchmod(out, source.st_mode & 07777) == 0;
    if (ok) {
        // A copy keeps the source's modification time, as on Windows.
        const struct timeval times[2] = {{source.st_atime, 0}, {source.st_mtime, 0}};
        ::futimes(out, times);
    }
    if (::close(out) != 0) ok = false;
    forget_folder_listings();
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        set_last_error_from_errno();
        ::unlink(temp.c_str());
    }
    return ok;
}

}  // namespace

BOOL CopyFileA(LPCSTR source, LPCSTR target, BOOL fail_if_exists) {
    if (!source || !target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string from = host_native_path(source);
    const std::string to = host_native_path(target);
    const int in = ::open(from.c_str(), O_RDONLY);
    if (in < 0) {
        set_last_error_from_errno();
        return FALSE;
    }
    struct stat s;
    struct stat t;
    BOOL ok = FALSE;
    if (::fstat(in, &s) != 0 || S_ISDIR(s.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
    } else if (::stat(to.c_str(), &t) == 0) {
        if (fail_if_exists) SetLastError(ERROR_FILE_EXISTS);
        // A file copied onto itself, a read-only target or a directory in the
        // way is refused, as Windows refuses it.
        else if ((t.st_dev == s.st_dev && t.st_ino == s.st_ino) || S_ISDIR(t.st_mode) ||
                 !(t.st_mode & S_IWUSR))
            SetLastError(ERROR_ACCESS_DENIED);
        else ok = copy_into(in, s, to) ? TRUE : FALSE;
    } else {
        ok = copy_into(in, s, to) ? TRUE : FALSE;
    }
    ::close(in);
    return ok;
}

DWORD SearchPathA(LPCSTR path, LPCSTR file, LPCSTR extension, DWORD size, LPSTR buffer,
                  LPSTR* file_part) {
    if (!file || !*file) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string name = file;
    if (extension && *extension && name.find('.') == std::string::npos) name += extension;

    // The directories searched: those given, else the current directory and PATH.
    std::vector<std::string> directories;
    const char* env_path = std::getenv("PATH");
    const std::string list = path ? path : std::string(".:") + (env_path ? env_path : "");
    const char separator = path ? ';' : ':';
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(separator, pos);
        if (end == std::string::npos) end = list.size();
        if (end > pos) directories.push_back(host_native_path(list.substr(pos, end - pos).c_str()));
        pos = end + 1;
    }
    for (const std::string& dir : directories) {
        std::string candidate = dir + "/" + name;
        struct stat s;
        if (::stat(candidate.c_str(), &s) != 0 || S_ISDIR(s.st_mode)) continue;
        const std::string found = posix_to_windows_path(candidate);
        const DWORD r = give_string(found, buffer, size);
        if (file_part && r < size) {
            const size_t slash = found.rfind('\\');
            *file_part = buffer + (slash == std::string::npos ? 0 : slash + 1);
        }
        return r;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
}
