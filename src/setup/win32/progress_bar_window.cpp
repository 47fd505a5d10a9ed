// The "ProgressBar" window class: it keeps its percentage in its extra bytes
// and paints the cells that progress_paint computes, filled in the highlight
// colour and empty ones in the grey checkerboard of bitmap 2.
#include "setup/progress_bar.h"
#include "setup/win32/setup_windows.h"

namespace {

// A window-coordinate rectangle (y upwards) as a Win32 RECT (y downwards) of
// a window `height` pixels high.
RECT win32_rect(int32_t left, int32_t bottom, int32_t right, int32_t top, int32_t height) {
    return RECT{left, height - top, right, height - bottom};
}

void paint_bar(HWND window) {
    OS_RECT rect;
    if (!os_QueryWinRect(window, &rect)) rect = OS_RECT{};
    const auto colour = static_cast<COLORREF>(os_QuerySysValue(OS_SV_HIGHLIGHT_COLOUR));
    const uint32_t percent = static_cast<uint32_t>(GetWindowLongA(window, 0));

    OS_PAINT* paint = os_BeginPaint(window, nullptr, nullptr);
    if (!paint) return;
    const ProgressPaint p = progress_paint(rect, percent);
    if (p.frames) {
        os_NiceRCL(&p.outer_frame, paint, OS_FRAME_RECESSED);
        os_NiceRCL(&p.inner_frame, paint, OS_FRAME_RAISED);
    }
    if (p.cells) {
        const auto dc = static_cast<HDC>(paint->dc);
        HBRUSH solid = CreateSolidBrush(colour);
        HBITMAP checker = LoadBitmapA(static_cast<HINSTANCE>(GetModuleHandleA(nullptr)),
                                      MAKEINTRESOURCEA(CHECKER_BITMAP_ID));
        HBRUSH pattern = checker ? CreatePatternBrush(checker) : nullptr;
        if (!pattern) pattern = CreateSolidBrush(EMPTY_CELL_GREY);  // no checkerboard: plain grey
        const int32_t height = rect.top - rect.bottom;
        for (const ProgressCell& cell : p.cell) {
            const RECT r = win32_rect(cell.left, p.bottom, cell.right, p.top, height);
            HBRUSH brush = cell.filled ? solid : pattern;
            if (brush) FillRect(dc, &r, brush);
        }
        if (solid) DeleteObject(solid);
        if (pattern) DeleteObject(pattern);
        if (checker) DeleteObject(checker);
    }
    os_EndPaint(paint);
}

}  // namespace

ATOM register_window_type(const char* class_name, WNDPROC procedure, UINT class_style, int icon_id) {
    const auto instance = static_cast<HINSTANCE>(GetModuleHandleA(nullptr));
    WNDCLASSA wc{};
    wc.style = class_style;
    wc.lpfnWndProc = procedure;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 4;
    wc.hInstance = instance;
    wc.hIcon = icon_id ? LoadIconA(instance, MAKEINTRESOURCEA(icon_id)) : nullptr;
    if (!wc.hIcon) wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = class_name;
    return RegisterClassA(&wc);
}

LRESULT CALLBACK progress_bar_proc(HWND window, UINT message, WPARAM param1, LPARAM param2) {
    switch (message) {
    case PB_SETPERCENT:
        SetWindowLongA(window, 0, static_cast<LONG>(param1));
        os_InvalidateRcl(window, nullptr, 0);
        return 0;
    case PB_RESERVED: return 0;
    case WM_PAINT: paint_bar(window); return 0;
    default: return os_DefWinProc(window, message, param1, param2);
    }
}
