// The portability layer the setup program is written against, the part that
// exists on every system: start and stop, thread contexts, system values, the
// profile store, the current directory, file search and assertion reports,
// and the plain geometry records. Windows, dialogs, painting, message boxes,
// posted messages and threads of the layer exist only on Windows
// (platform/os_windows.h).
//
// On Windows the layer is built over the Win32 API (src/platform/win32). On
// Linux (src/platform/posix) it serves the setup's start-up and install worker
// without any window: the system values and the profile store hold what the
// program that hosts the setup gives them (platform/posix/os_values.h).
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

// ---- Geometry. Coordinates grow to the right and UPWARDS: a window's position
// is its lower-left corner in its parent's client area (the screen for a
// top-level window), and a control's top is its y plus its height.
struct OS_RECT {
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;
    int32_t top = 0;
};
// A window's position (lower-left corner) and size.
struct OS_POSITION {
    int32_t x = 0;
    int32_t y = 0;
    int32_t cx = 0;
    int32_t cy = 0;
};

// ---- Thread contexts. Every thread that uses the layer brackets its work
// with os_InitWinThread and os_CleanupWinThread on a context block of its own.
struct OS_THREADCTX {
    uintptr_t reserved[4] = {};
};
int os_InitWinThread(OS_THREADCTX* context, int reserved1, int reserved2);
int os_CleanupWinThread(OS_THREADCTX* context);

// ---- System values: 0 system version x 100, 1 platform kind (OS_PLATFORM_NT
// for Windows NT), 7 and 10 cascade offsets, 11 and 12 screen width and height,
// 17 highlight colour.
constexpr int OS_SV_VERSION = 0;
constexpr int OS_SV_PLATFORM = 1;
constexpr int OS_SV_BORDER = 7;          // cascade offset: sizing border
constexpr int OS_SV_TITLE_HEIGHT = 10;   // cascade offset: title bar
constexpr int OS_SV_SCREEN_WIDTH = 11;
constexpr int OS_SV_SCREEN_HEIGHT = 12;
constexpr int OS_SV_HIGHLIGHT_COLOUR = 17;  // 0x00BBGGRR
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
