// The DOC files' text windows: the "ShowTextWindow" class with its read-only
// edit, cascaded over the screen; the last one to close ends the setup dialog.
#include <string>

#include "setup/install_worker.h"
#include "setup/setup_state.h"
#include "setup/text_viewer.h"
#include "setup/win32/setup_windows.h"

namespace {

int windows_created = 0;  // never decreases: drives the cascade
int windows_open = 0;

constexpr DWORD TEXT_EDIT_STYLE =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;

HWIN text_edit(HWND window) { return os_SubWin(window, TEXT_EDIT_ID); }

}  // namespace

int show_doc_files() {
    int opened = 0;
    std::string text;
    for (const char* name : doc_files) {
        // Shown as a string: it ends at the first zero byte, if any.
        if (read_doc_text(name, text) && open_text_window(text.c_str(), name)) ++opened;
    }
    return opened;
}

HWND open_text_window(const char* text, const char* title) {
    static bool registered = false;
    if (!registered) {
        register_window_type(TEXT_WINDOW_CLASS, text_window_proc, 0, 1);
        registered = true;
    }
    const int n = ++windows_created;
    const auto instance = static_cast<HINSTANCE>(GetModuleHandleA(nullptr));
    HWND window = CreateWindowExA(0, TEXT_WINDOW_CLASS, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                                  nullptr);
    if (!window) return nullptr;
    const OS_POSITION place =
        text_window_place(n, os_QuerySysValue(OS_SV_SCREEN_WIDTH), os_QuerySysValue(OS_SV_SCREEN_HEIGHT),
                          os_QuerySysValue(OS_SV_TITLE_HEIGHT) + os_QuerySysValue(OS_SV_BORDER));
    os_SetWinPos(window, 0, place.x, place.y, place.cx, place.cy, OS_SWP_SIZE | OS_SWP_MOVE | OS_SWP_SHOW);
    os_SetWindowText(text_edit(window), text);
    return window;
}

LRESULT CALLBACK text_window_proc(HWND window, UINT message, WPARAM param1, LPARAM param2) {
    switch (message) {
    case WM_CREATE: {
        ++windows_open;
        OS_RECT client;
        if (!os_QueryWinClRect(window, &client)) client = OS_RECT{};
        HWND edit = CreateWindowExA(0, "EDIT", "x", TEXT_EDIT_STYLE, 0, 0, client.right - client.left,
                                    client.top - client.bottom, window,
                                    reinterpret_cast<HMENU>(static_cast<intptr_t>(TEXT_EDIT_ID)),
                                    static_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr);
        if (edit) os_SetFontNameSize(edit, TEXT_FONT);
        return 0;
    }
    case WM_SIZE: {
        HWIN edit = text_edit(window);
        OS_RECT client;
        if (edit && os_QueryWinClRect(window, &client)) {
            // The edit's border lies just outside the client area.
            os_SetWinPos(edit, 0, -1, -1, client.right - client.left + 1, client.top - client.bottom + 2,
                         OS_SWP_SIZE | OS_SWP_MOVE);
        }
        return 0;
    }
    case WM_CLOSE: os_DestroyWindow(window); return 0;
    case WM_DESTROY:
        if (windows_open > 0 && --windows_open == 0) os_DismissDlg(S.dialog, 0);
        return 0;
    default: return DefWindowProcA(window, message, param1, param2);
    }
}
