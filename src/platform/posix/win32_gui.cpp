// The Win32 window-class and drawing calls over the Linux layer's in-memory
// windows (placeholders until the in-memory classes land).
#include "platform/win32_gui.h"

HMODULE GetModuleHandleA(LPCSTR) { return nullptr; }
ATOM RegisterClassA(const WNDCLASSA*) { return 0; }
HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, void*) {
    return nullptr;
}
LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }
HICON LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
HGDIOBJ GetStockObject(int) { return nullptr; }
LONG GetWindowLongA(HWND, int) { return 0; }
LONG SetWindowLongA(HWND, int, LONG) { return 0; }
HBITMAP LoadBitmapA(HINSTANCE, LPCSTR) { return nullptr; }
HBRUSH CreatePatternBrush(HBITMAP) { return nullptr; }
HBRUSH CreateSolidBrush(COLORREF) { return nullptr; }
int FillRect(HDC, const RECT*, HBRUSH) { return 0; }
BOOL DeleteObject(HGDIOBJ) { return FALSE; }
