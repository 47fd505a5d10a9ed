// The Win32 kernel calls of the setup program beyond those of the archive
// engine: copying a file and finding a program along the search path.
//
// On Windows these are the real API. On Linux the POSIX layer implements them
// with the same names and types; paths go through the drive mapping of
// hostfile.h.
#pragma once

#include "platform/win32_api.h"

#ifdef _WIN32
#include <windows.h>
#else

BOOL CopyFileA(LPCSTR source, LPCSTR target, BOOL fail_if_exists);
DWORD SearchPathA(LPCSTR path, LPCSTR file, LPCSTR extension, DWORD size, LPSTR buffer,
                  LPSTR* file_part);

#endif  // _WIN32
