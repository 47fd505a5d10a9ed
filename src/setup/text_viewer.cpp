#include "setup/text_viewer.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/crt.h"
#include "platform/os_layer.h"
#include "setup/install_worker.h"
#include "setup/progress_bar.h"
#include "setup/setup_state.h"

namespace {

int windows_created = 0;  // never decreases: drives the cascade
int windows_open = 0;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

constexpr DWORD TEXT_EDIT_STYLE =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;

HWIN text_edit(HWND window) { return os_SubWin(window, TEXT_EDIT_ID); }

}  // namespace

int open_text_windows() { return windows_open; }

int show_doc_files() {
    // One byte more than is read: the text always ends inside the buffer.
    std::vector<char> buffer(DOC_READ_SIZE + 1);
    int opened = 0;
    for (const char* name : doc_files) {
        std::unique_ptr<std::FILE, FileCloser> file(crt_fopen(name, "rb"));
        if (!file) continue;
        std::fill(buffer.begin(), buffer.end(), '\0');
        const size_t n = std::fread(buffer.data(), 1, DOC_READ_SIZE, file.get());
        buffer[n] = '\0';
        if (open_text_window(buffer.data(), name)) ++opened;
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
    const int32_t screen_width = os_QuerySysValue(OS_SV_SCREEN_WIDTH);
    const int32_t screen_height = os_QuerySysValue(OS_SV_SCREEN_HEIGHT);
    const int32_t step = os_QuerySysValue(OS_SV_TITLE_HEIGHT) + os_QuerySysValue(OS_SV_BORDER);
    os_SetWinPos(window, 0, step * n, screen_height / 4 - step * n, screen_width * 3 / 4,
                 screen_height * 3 / 4, OS_SWP_SIZE | OS_SWP_MOVE | OS_SWP_SHOW);
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
