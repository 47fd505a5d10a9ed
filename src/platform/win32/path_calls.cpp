// The host-encoding path calls over the wide-character API.
#include <windows.h>

#include <cstring>

#include "platform/win32/wide_paths.h"
#include "platform/win32_api.h"

HANDLE CreateFileU(LPCSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE template_file) {
    return CreateFileW(wide_path(path).c_str(), access, share,
                       static_cast<LPSECURITY_ATTRIBUTES>(security), disposition, flags, template_file);
}

BOOL SetFileAttributesU(LPCSTR path, DWORD attributes) {
    return SetFileAttributesW(wide_path(path).c_str(), attributes);
}

// Only the probe of the host layer is asked for: does the file open for reading
// (any sharing)? The handle is closed by _lclose, which takes it as it is.
HFILE OpenFileU(LPCSTR path, OFSTRUCT* info, UINT) {
    if (info) std::memset(info, 0, sizeof *info);
    const HANDLE h = CreateFileW(wide_path(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return HFILE_ERROR;
    return static_cast<HFILE>(reinterpret_cast<intptr_t>(h));
}

namespace {

void take_found(const WIN32_FIND_DATAW& wide, WIN32_FIND_DATAA* data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = wide.dwFileAttributes;
    data->ftCreationTime = wide.ftCreationTime;
    data->ftLastAccessTime = wide.ftLastAccessTime;
    data->ftLastWriteTime = wide.ftLastWriteTime;
    data->nFileSizeHigh = wide.nFileSizeHigh;
    data->nFileSizeLow = wide.nFileSizeLow;
    const std::string name = narrow_path(wide.cFileName);
    std::strncpy(data->cFileName, name.c_str(), MAX_PATH - 1);
}

}  // namespace

HANDLE FindFirstFileU(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    WIN32_FIND_DATAW wide;
    const HANDLE h = FindFirstFileW(wide_path(pattern).c_str(), &wide);
    if (h != INVALID_HANDLE_VALUE) take_found(wide, data);
    return h;
}

BOOL FindNextFileU(HANDLE search, WIN32_FIND_DATAA* data) {
    WIN32_FIND_DATAW wide;
    if (!FindNextFileW(search, &wide)) return FALSE;
    take_found(wide, data);
    return TRUE;
}
