// The host-encoding path calls: Linux paths are bytes, so these are the A calls.
#include "platform/win32_api.h"

HANDLE CreateFileU(LPCSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE template_file) {
    return CreateFileA(path, access, share, security, disposition, flags, template_file);
}
BOOL SetFileAttributesU(LPCSTR path, DWORD attributes) { return SetFileAttributesA(path, attributes); }
HFILE OpenFileU(LPCSTR path, OFSTRUCT* info, UINT style) { return OpenFile(path, info, style); }
HANDLE FindFirstFileU(LPCSTR pattern, WIN32_FIND_DATAA* data) { return FindFirstFileA(pattern, data); }
BOOL FindNextFileU(HANDLE search, WIN32_FIND_DATAA* data) { return FindNextFileA(search, data); }
