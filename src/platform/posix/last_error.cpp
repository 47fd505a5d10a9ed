// GetLastError / SetLastError: a per-thread code, set from errno by the calls here.
#include <cerrno>

#include "platform/posix/posix_util.h"
#include "platform/win32_api.h"

namespace {
thread_local DWORD last_error = 0;
}

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD code) { last_error = code; }

DWORD win32_error_from_errno(int err) {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL: return ERROR_INVALID_NAME;
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_ACCESS_DENIED;
    }
}

void set_last_error_from_errno() { SetLastError(win32_error_from_errno(errno)); }
