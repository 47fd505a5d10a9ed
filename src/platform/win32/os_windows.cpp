// The Win32 layer's windows and controls: texts, enabled state, message boxes
// and posted messages.
#include <windows.h>

#include "platform/os_windows.h"
#include "platform/win32/os_win32.h"

namespace {

HWND hwnd(HWIN window) { return static_cast<HWND>(window); }

UINT box_style(int style) {
    if ((style & 0x0F) == (OS_MB_YESNO & 0x0F)) {
        if (style & OS_MB_DEFAULT_NO) return MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
        return MB_YESNO | MB_ICONQUESTION;
    }
    if (style == OS_MB_ERROR) return MB_OK | MB_ICONERROR;
    return MB_OK | MB_ICONINFORMATION;
}

}  // namespace

HWIN os_SubWin(HWIN window, int id) { return window ? GetDlgItem(hwnd(window), id) : nullptr; }

int os_SetWindowText(HWIN window, const char* text) {
    return window && SetWindowTextA(hwnd(window), text ? text : "") ? 1 : 0;
}

int os_QueryWindowText(HWIN window, int limit, char* buffer) {
    if (!buffer || limit <= 0) return 0;
    buffer[0] = '\0';
    if (!window) return 0;
    return GetWindowTextA(hwnd(window), buffer, limit);
}

int os_EnableWindow(HWIN window, int enable) {
    if (!window || !IsWindow(hwnd(window))) return 0;
    EnableWindow(hwnd(window), enable ? TRUE : FALSE);
    return 1;
}

int os_IsWindowEnabled(HWIN window) {
    return window && IsWindowEnabled(hwnd(window)) ? 1 : 0;
}

int os_MessageBox(HWIN owner, const char* caption, const char* text, int style) {
    const int answer = MessageBoxA(hwnd(owner), text ? text : "", caption ? caption : "",
                                   box_style(style) | MB_SETFOREGROUND);
    return answer == IDYES || answer == IDOK ? OS_MB_YES : 0;
}

int os_PostMsg(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2) {
    return PostMessageA(hwnd(window), code, param1, param2) ? 1 : 0;
}
