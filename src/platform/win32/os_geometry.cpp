// The Win32 layer's geometry, visibility, focus, check boxes, painting, fonts
// and control management. The portable y grows upwards from the bottom of the
// parent's client area (the screen for a top-level window).
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/os_windows.h"
#include "platform/win32/os_win32.h"

namespace {

HWND hwnd(HWIN window) { return static_cast<HWND>(window); }

// Height of the area that `window`'s position is measured in: its parent's
// client area, or the screen for a top-level window.
int reference_height(HWND window) {
    const HWND parent = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr;
    if (parent) {
        RECT client;
        GetClientRect(parent, &client);
        return client.bottom;
    }
    return GetSystemMetrics(SM_CYSCREEN);
}

// The window's rectangle in its parent's client coordinates (screen for top-level).
RECT placed_rect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    const HWND parent = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr;
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT to_windows(const OS_RECT& r, int height) {
    return RECT{r.left, height - r.top, r.right, height - r.bottom};
}

// A window with a font of this layer keeps it in a property and is subclassed
// by font_keeper, which deletes the font when the window goes.
constexpr const char* PROP_FONT = "TevFont";
constexpr const char* PROP_FONT_PROC = "TevFontProc";

LRESULT CALLBACK font_keeper(HWND window, UINT message, WPARAM param1, LPARAM param2) {
    const auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, PROP_FONT_PROC));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        DeleteObject(static_cast<HFONT>(RemovePropA(window, PROP_FONT)));
        RemovePropA(window, PROP_FONT_PROC);
    }
    return CallWindowProcA(previous, window, message, param1, param2);
}

}  // namespace

int os_CheckControl(HWIN control, int state) {
    if (!control) return 0;
    SendMessageA(hwnd(control), BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
    return 1;
}

int os_IsButtonChecked(HWIN control) {
    return control && SendMessageA(hwnd(control), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

int os_SetFocus(HWIN window) {
    if (!window || !IsWindow(hwnd(window))) return 0;
    SetFocus(hwnd(window));  // returns the previous focus, which may be none
    return 1;
}

int os_ShowWindow(HWIN window, int show) {
    if (!window || !IsWindow(hwnd(window))) return 0;
    ShowWindow(hwnd(window), show ? SW_SHOW : SW_HIDE);
    return 1;
}

int os_QueryWinPos(HWIN window, OS_POSITION* position) {
    if (!window || !position || !IsWindow(hwnd(window))) return 0;
    const RECT r = placed_rect(hwnd(window));
    position->x = r.left;
    position->cx = r.right - r.left;
    position->cy = r.bottom - r.top;
    position->y = reference_height(hwnd(window)) - r.bottom;
    return 1;
}

int os_SetWinPos(HWIN window, intptr_t insert_behind, int32_t x, int32_t y, int32_t cx, int32_t cy,
                 uint32_t flags) {
    const HWND w = hwnd(window);
    if (!w || !IsWindow(w)) return 0;
    const RECT current = placed_rect(w);
    const int32_t height = (flags & OS_SWP_SIZE) ? cy : current.bottom - current.top;
    UINT swp = SWP_NOACTIVATE;
    if (!(flags & OS_SWP_SIZE)) swp |= SWP_NOSIZE;
    if (!(flags & OS_SWP_MOVE)) swp |= SWP_NOMOVE;
    if (!(flags & OS_SWP_ZORDER)) swp |= SWP_NOZORDER;
    if (flags & OS_SWP_SHOW) swp |= SWP_SHOWWINDOW;
    if (flags & OS_SWP_HIDE) swp |= SWP_HIDEWINDOW;
    // Activation as asked, and, as Windows does for a window it shows the first
    // time, for a top-level window that appears now.
    const bool appears = (flags & OS_SWP_SHOW) && !IsWindowVisible(w) &&
                         !(GetWindowLongA(w, GWL_STYLE) & WS_CHILD);
    if ((flags & OS_SWP_ACTIVATE) || appears) swp &= ~static_cast<UINT>(SWP_NOACTIVATE);
    // A move keeps the bottom edge at y; a resize alone keeps the bottom edge where it is.
    const int32_t bottom = (flags & OS_SWP_MOVE) ? y : reference_height(w) - current.bottom;
    const int left = (flags & OS_SWP_MOVE) ? x : current.left;
    const int top = reference_height(w) - bottom - height;
    if ((flags & OS_SWP_SIZE) && !(flags & OS_SWP_MOVE)) swp &= ~static_cast<UINT>(SWP_NOMOVE);
    const HWND after = insert_behind == OS_HWND_TOP ? HWND_TOP : nullptr;
    if (!SetWindowPos(w, after, left, top, cx, cy, swp)) return 0;
    if (flags & OS_SWP_ACTIVATE) SetForegroundWindow(w);
    return 1;
}

int os_CenterWinOverWin(HWIN over, HWIN window, int flags) {
    const HWND w = hwnd(window);
    if (!w || !IsWindow(w)) return 0;
    RECT area;
    if (over) GetWindowRect(hwnd(over), &area);
    else SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT r;
    GetWindowRect(w, &r);
    int left = area.left + ((area.right - area.left) - (r.right - r.left)) / 2;
    int top = area.top + ((area.bottom - area.top) - (r.bottom - r.top)) / 2;
    if (left < area.left) left = area.left;
    if (top < area.top) top = area.top;
    if (!(flags & 1)) return 1;
    POINT p{left, top};
    if (GetWindowLongA(w, GWL_STYLE) & WS_CHILD) ScreenToClient(GetParent(w), &p);
    return SetWindowPos(w, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 1 : 0;
}

int os_QueryWinRect(HWIN window, OS_RECT* rect) {
    if (!window || !rect) return 0;
    RECT r;
    if (!GetWindowRect(hwnd(window), &r)) return 0;
    *rect = OS_RECT{0, 0, r.right - r.left, r.bottom - r.top};
    return 1;
}

int os_QueryWinClRect(HWIN window, OS_RECT* rect) {
    if (!window || !rect) return 0;
    RECT r;
    if (!GetClientRect(hwnd(window), &r)) return 0;
    *rect = OS_RECT{0, 0, r.right, r.bottom};
    return 1;
}

int os_InvalidateRcl(HWIN window, const OS_RECT* rect, int include_children) {
    const HWND w = hwnd(window);
    if (!w) return 0;
    RECT client;
    GetClientRect(w, &client);
    const RECT r = rect ? to_windows(*rect, client.bottom) : client;
    const UINT how = RDW_INVALIDATE | RDW_ERASE | (include_children ? RDW_ALLCHILDREN : RDW_NOCHILDREN);
    return RedrawWindow(w, &r, nullptr, how) ? 1 : 0;
}

namespace {

// One paint in progress per thread is what a window procedure needs; the
// record and the Win32 paint structure live here between begin and end.
struct PaintRecord {
    OS_PAINT paint;
    PAINTSTRUCT ps;
    int height = 0;
};
thread_local PaintRecord current_paint;

}  // namespace

OS_PAINT* os_BeginPaint(HWIN window, void*, OS_RECT* update) {
    const HWND w = hwnd(window);
    if (!w) return nullptr;
    PaintRecord& p = current_paint;
    p = PaintRecord{};
    const HDC dc = BeginPaint(w, &p.ps);
    if (!dc) return nullptr;
    RECT client;
    GetClientRect(w, &client);
    p.height = client.bottom;
    p.paint.dc = dc;
    p.paint.window = window;
    p.paint.update = OS_RECT{p.ps.rcPaint.left, p.height - p.ps.rcPaint.bottom, p.ps.rcPaint.right,
                             p.height - p.ps.rcPaint.top};
    if (update) *update = p.paint.update;
    return &p.paint;
}

int os_EndPaint(OS_PAINT* paint) {
    if (!paint || paint != &current_paint.paint || !paint->window) return 0;
    EndPaint(hwnd(paint->window), &current_paint.ps);
    paint->window = nullptr;
    paint->dc = nullptr;
    return 1;
}

int os_NiceRCL(const OS_RECT* rect, OS_PAINT* paint, int style) {
    if (!rect || !paint || !paint->dc) return 0;
    const int height = paint == &current_paint.paint ? current_paint.height : rect->top;
    RECT r = to_windows(*rect, height);
    if (r.right <= r.left || r.bottom <= r.top) return 1;  // nothing to frame
    const UINT edge = style == OS_FRAME_RECESSED ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
    return DrawEdge(static_cast<HDC>(paint->dc), &r, edge, BF_RECT) ? 1 : 0;
}

int os_SetFontNameSize(HWIN window, const char* points_dot_face) {
    const HWND w = hwnd(window);
    if (!w || !points_dot_face) return 0;
    const char* dot = std::strchr(points_dot_face, '.');
    if (!dot || dot == points_dot_face) return 0;
    const int points = std::atoi(points_dot_face);
    const std::string face(dot + 1);
    const HDC dc = GetDC(w);
    const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(w, dc);
    const HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   FIXED_PITCH | FF_MODERN, face.c_str());
    if (!font) return 0;
    // The font goes with the window; one set earlier goes now.
    const auto earlier = static_cast<HFONT>(GetPropA(w, PROP_FONT));
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SetPropA(w, PROP_FONT, font);
    if (earlier) {
        DeleteObject(earlier);
    } else {
        const LONG_PTR previous = SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(font_keeper));
        SetPropA(w, PROP_FONT_PROC, reinterpret_cast<HANDLE>(previous));
    }
    return 1;
}

intptr_t os_ContrlMgr(HWIN control, int, int operation, intptr_t) {
    const HWND c = hwnd(control);
    if (!c || !IsWindow(c)) return 0;
    switch (operation) {
    case OS_CM_PREPARE_EDIT:
        SendMessageA(c, EM_LIMITTEXT, OS_EDIT_LIMIT, 0);
        return 1;
    case OS_CM_CARET_TO_END:
    {
        const LRESULT length = SendMessageA(c, WM_GETTEXTLENGTH, 0, 0);
        SendMessageA(c, EM_SETSEL, static_cast<WPARAM>(length), length);
        return 1;
    }
    default:
        return 0;
    }
}
