// The portability layer the setup program is written against: windows and
// controls, message boxes, posted messages, threads, system values, the profile
// store, the current directory, file search and assertion reports.
//
// One header for both systems. On Windows the layer is built over the Win32 API;
// on Linux (src/platform/posix) it is an in-memory layer that tests script through
// src/platform/posix/os_script.h: windows are records in a table, message boxes
// are answered by a callback, the profile store and the system values are seeded.
#pragma once

#include <cstddef>
#include <cstdint>

// A window or control of the layer (on Windows, an HWND).
using HWIN = void*;

// Size of the path buffers the layer fills (259 characters and a terminator).
constexpr int OS_PATH_SIZE = 260;

// ---- Start and stop.
// os_Initialize(instance, ".", 0) starts the layer; os_Initialize(-1, 0, 0) stops it.
int os_Initialize(intptr_t instance, const char* directory, int flags);

// ---- Windows and controls.
HWIN os_SubWin(HWIN window, int id);                      // child control by id; null if none
int os_SetWindowText(HWIN window, const char* text);     // 1 on success
int os_QueryWindowText(HWIN window, int limit, char* buffer);  // characters copied
int os_EnableWindow(HWIN window, int enable);            // 1 on success
int os_IsWindowEnabled(HWIN window);                     // 1 = enabled

// ---- Message boxes. The style is one of the box kinds, optionally with
// OS_MB_DEFAULT_NO; the result is OS_MB_YES for the affirmative answer.
constexpr int OS_MB_INFORMATION = 0x28;
constexpr int OS_MB_ERROR = 0x24;
constexpr int OS_MB_YESNO = 0x11;
constexpr int OS_MB_DEFAULT_NO = 0x80;
constexpr int OS_MB_YES = 1;
int os_MessageBox(HWIN owner, const char* caption, const char* text, int style);

// ---- Posted messages: queued for the window's thread, delivered asynchronously.
int os_PostMsg(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2);  // 1 on success

// ---- Threads. Every thread that uses the layer's windows brackets its work
// with os_InitWinThread and os_CleanupWinThread on a context block of its own.
using OsThreadRoutine = void (*)(void* argument);
struct OS_THREADCTX {
    uintptr_t reserved[4] = {};
};
int os_CreateThread(OsThreadRoutine routine, void* argument);  // thread id; 0 on failure
int os_InitWinThread(OS_THREADCTX* context, int reserved1, int reserved2);
int os_CleanupWinThread(OS_THREADCTX* context);

// ---- System values: 0 system version x 100, 1 platform kind (OS_PLATFORM_NT
// for Windows NT), 7 and 10 cascade offsets, 11 and 12 screen width and height,
// 17 highlight colour.
constexpr int OS_SV_VERSION = 0;
constexpr int OS_SV_PLATFORM = 1;
constexpr int32_t OS_PLATFORM_NT = 4;
int32_t os_QuerySysValue(int index);

// ---- Profile store. Operation OS_INI_QUERY reads the value `key` of
// `application` into `buffer` (*size bytes, always terminated; *size becomes
// the number of bytes stored without the terminator). Non-zero when the value exists.
constexpr int OS_INI_QUERY = 2;
int os_IniMgr(int operation, int flags, const char* application, const char* key, char* buffer,
              uint32_t* size);

// ---- Current directory, with its drive ("C:\TEV"; a drive root is "C:\").
// 0 on success; otherwise the buffer holds an empty string.
int os_QueryCWD(char* buffer, size_t size);

// ---- File search. Operation 0 starts a search for the pattern in `name` and
// delivers the first entry, 1 delivers the next one, 2 ends the search. The
// result is 0 when an entry was delivered.
constexpr int OS_FIND_FIRST = 0;
constexpr int OS_FIND_NEXT = 1;
constexpr int OS_FIND_END = 2;
constexpr uint32_t OS_FILE_DIRECTORY = 8;
struct OS_FILEFIND {
    char name[OS_PATH_SIZE] = {};  // in: the pattern (first); out: the entry's name
    uint32_t attributes = 0;       // OS_FILE_DIRECTORY for a directory
    void* search = nullptr;        // the layer's search handle
};
int os_FileFindMgr(int operation, OS_FILEFIND* entry);

// ---- Assertion reports.
void os_AssertMsg(const char* expression, const char* source, int line);
