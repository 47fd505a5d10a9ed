// The Win32 calls used by the archive engine and the host file-system layer.
//
// On Windows this is the real API. On Linux the POSIX layer (src/platform/posix)
// implements the same calls with the same names and types over POSIX, so that the
// engine and host-layer code is identical on both systems. Paths handed to the
// Linux versions go through the drive mapping of hostfile.h.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else

#include <cstdint>

using BYTE = unsigned char;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using BOOL = int;
using HANDLE = void*;
using HFILE = int;
using LPSTR = char*;
using LPCSTR = const char*;
using WCHAR = char16_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define HFILE_ERROR (-1)

// Error codes (GetLastError)
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;

// File attributes
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// CreateFileA
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;

// OpenFile
constexpr UINT OF_READ = 0x0000;
constexpr UINT OF_SHARE_DENY_NONE = 0x0040;
constexpr UINT OF_EXIST = 0x4000;

// GetDriveTypeA
constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;

// GetTimeZoneInformation
constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;
constexpr DWORD TIME_ZONE_ID_INVALID = 0xFFFFFFFF;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct SYSTEMTIME {
    WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

struct TIME_ZONE_INFORMATION {
    LONG Bias;
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};

struct OFSTRUCT {
    BYTE cBytes;
    BYTE fFixedDisk;
    WORD nErrCode;
    WORD Reserved1;
    WORD Reserved2;
    char szPathName[128];
};

DWORD GetLastError();
void SetLastError(DWORD code);

// Directory search
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE search);

// Time
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info);
BOOL DosDateTimeToFileTime(WORD dos_date, WORD dos_time, FILETIME* local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);

// Files
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE template_file);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* last_access,
                 const FILETIME* last_write);
BOOL CloseHandle(HANDLE handle);
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
DWORD GetFileAttributesA(LPCSTR path);
HFILE OpenFile(LPCSTR path, OFSTRUCT* info, UINT style);
HFILE _lclose(HFILE file);

// Volumes and names
DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* file_part);
BOOL GetVolumeInformationA(LPCSTR root, LPSTR volume_name, DWORD volume_name_size,
                           DWORD* serial, DWORD* max_component, DWORD* fs_flags,
                           LPSTR fs_name, DWORD fs_name_size);
UINT GetDriveTypeA(LPCSTR root);
BOOL SetVolumeLabelA(LPCSTR root, LPCSTR label);

#endif  // _WIN32

// The path calls of the host layer with paths in the host path encoding
// (platform/hostfile.h): on Windows they go through the wide-character API, so
// that UTF-8 names land as the characters they spell; on Linux they are the
// calls above. FindFirstFileU and FindNextFileU return names in that encoding.
HANDLE CreateFileU(LPCSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE template_file);
BOOL SetFileAttributesU(LPCSTR path, DWORD attributes);
HFILE OpenFileU(LPCSTR path, OFSTRUCT* info, UINT style);
HANDLE FindFirstFileU(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileU(HANDLE search, WIN32_FIND_DATAA* data);
