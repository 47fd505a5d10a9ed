// The Win32 window-class and drawing calls of the setup program: its own window
// classes (the progress bar and the text viewer), window extra bytes, icons,
// cursors, bitmaps, brushes and rectangle fills.
//
// On Windows this is the real API. On Linux the POSIX layer implements the same
// names over its in-memory windows (src/platform/posix/win32_gui.cpp): classes
// are remembered by name, CreateWindowExA makes a window record and calls the
// class procedure with WM_CREATE, drawing calls record what they fill so that
// tests can look at a paint (os_script.h), and bitmap 2 is a 4 by 4 pattern
// that tests may take away.
#pragma once

#include "platform/win32_shell.h"

#ifdef _WIN32
#include <windows.h>
#else

#include <cstdint>

using HINSTANCE = void*;
using HICON = void*;
using HCURSOR = void*;
using HBRUSH = void*;
using HBITMAP = void*;
using HGDIOBJ = void*;
using HDC = void*;
using HMENU = void*;
using ATOM = uint16_t;
using COLORREF = uint32_t;
using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM param1, LPARAM param2);

#define CALLBACK
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<uint16_t>(id))))
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define CW_USEDEFAULT (static_cast<int>(0x80000000))

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

// Messages
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;

// Window styles
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_READONLY = 0x0800;

// Stock objects
constexpr int LTGRAY_BRUSH = 1;

HMODULE GetModuleHandleA(LPCSTR name);
ATOM RegisterClassA(const WNDCLASSA* window_class);
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance,
                     void* parameter);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM param1, LPARAM param2);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HGDIOBJ GetStockObject(int index);
LONG GetWindowLongA(HWND window, int offset);
LONG SetWindowLongA(HWND window, int offset, LONG value);  // the previous value
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateSolidBrush(COLORREF colour);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL DeleteObject(HGDIOBJ object);

#endif  // _WIN32
