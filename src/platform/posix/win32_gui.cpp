// The Win32 window-class and drawing calls over the Linux layer's in-memory
// windows: registered classes by name, CreateWindowExA with WM_CREATE, window
// extra bytes, the program's icon and bitmaps, brushes as recorded objects,
// and painting that records what it fills and frames (os_script_paint).
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"
#include "platform/posix/window_table.h"
#include "platform/win32_gui.h"

using namespace window_table;

namespace {

struct ClassRecord {
    WNDPROC procedure = nullptr;
    int extra_bytes = 0;
};

// GDI objects: brushes and bitmaps made by the program (stock objects are not counted).
struct GdiObject {
    bool brush = false;
    OsBrushKind kind = OsBrushKind::stock;
    uint32_t colour = 0;
    int bitmap = 0;  // resource id of a bitmap, or of a pattern brush's bitmap
};

// Guarded by gui_lock (never taken while `lock` is held by the same thread
// except through find_class, which takes only gui_lock).
std::mutex gui_lock;
std::map<std::string, ClassRecord> classes;
std::map<uintptr_t, GdiObject> gdi_objects;
uintptr_t next_gdi = 0x1000;
std::set<int> missing_bitmaps;
std::map<size_t, std::unique_ptr<OS_PAINT>> paints;  // by window index + 1
std::map<size_t, OsPaintLog> paint_logs;

constexpr uintptr_t PROGRAM_INSTANCE = 0x400000;
constexpr uintptr_t STOCK_LTGRAY = 0x0F01;
constexpr uintptr_t ARROW_CURSOR = 0x0F02;
constexpr uintptr_t PROGRAM_ICON = 0x0F03;

int resource_id(LPCSTR name) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(name);
    return v < 0x10000 ? static_cast<int>(v) : -1;
}

bool is_program_bitmap(int id) { return id == 2 || id == 200 || id == 201; }

}  // namespace

namespace window_table {

bool find_class(const std::string& name, OsWindowProc* procedure, int* extra_bytes) {
    std::lock_guard<std::mutex> guard(gui_lock);
    const auto it = classes.find(name);
    if (it == classes.end()) return false;
    *procedure = it->second.procedure;
    *extra_bytes = it->second.extra_bytes;
    return true;
}

}  // namespace window_table

HMODULE GetModuleHandleA(LPCSTR name) {
    return name ? nullptr : reinterpret_cast<HMODULE>(PROGRAM_INSTANCE);
}

ATOM RegisterClassA(const WNDCLASSA* window_class) {
    if (!window_class || !window_class->lpszClassName || !window_class->lpfnWndProc) return 0;
    std::lock_guard<std::mutex> guard(gui_lock);
    if (classes.count(window_class->lpszClassName)) return 0;  // already registered
    classes[window_class->lpszClassName] = ClassRecord{window_class->lpfnWndProc, window_class->cbWndExtra};
    return static_cast<ATOM>(0xC000 + classes.size());
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu_or_id, HINSTANCE, void*) {
    if (!class_name) return nullptr;
    Window w;
    w.class_name = class_name;
    w.style = style;
    w.text = title ? title : "";
    w.visible = (style & WS_VISIBLE) != 0;
    if (w.class_name == "EDIT") {
        w.kind = Kind::edit;
        w.read_only = (style & ES_READONLY) != 0;
    } else if (w.class_name == "STATIC") {
        w.kind = Kind::label;
    } else if (w.class_name == "BUTTON") {
        w.kind = Kind::push_button;
    } else {
        int extra = 0;
        if (!find_class(w.class_name, &w.procedure, &extra)) return nullptr;
        w.kind = Kind::class_window;
        w.extra.assign(static_cast<size_t>(std::max(0, extra)), 0);
    }
    if ((style & 0x00C00000) == 0x00C00000) {  // a caption: an overlapped window's frame
        w.frame_side = WINDOW_FRAME_SIDE;
        w.frame_top = WINDOW_FRAME_TOP;
        w.frame_bottom = WINDOW_FRAME_BOTTOM;
    }
    HWND window = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock);
        const Window* p = lookup(parent);
        if (parent && !p) return nullptr;
        const int32_t parent_height = p ? client_height(*p) : os_QuerySysValue(OS_SV_SCREEN_HEIGHT);
        w.parent = p ? index_of(parent) : 0;
        w.id = p ? static_cast<int>(reinterpret_cast<intptr_t>(menu_or_id)) : 0;
        w.position.cx = width == CW_USEDEFAULT ? 640 : std::max(0, width);
        w.position.cy = width == CW_USEDEFAULT ? 480 : std::max(0, height);
        w.position.x = x == CW_USEDEFAULT ? 32 : x;
        const int32_t top = x == CW_USEDEFAULT ? 32 : y;  // Windows' y: downwards from the parent's top
        w.position.y = parent_height - top - w.position.cy;
        window = add(std::move(w));
    }
    if (deliver(window, WM_CREATE, 0, 0) == -1) {
        os_DestroyWindow(window);
        return nullptr;
    }
    return window;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM param1, LPARAM param2) {
    return os_DefWinProc(window, message, param1, param2);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    return instance && resource_id(name) == 1 ? reinterpret_cast<HICON>(PROGRAM_ICON) : nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return !instance && name == IDC_ARROW ? reinterpret_cast<HCURSOR>(ARROW_CURSOR) : nullptr;
}

HGDIOBJ GetStockObject(int index) {
    return index == LTGRAY_BRUSH ? reinterpret_cast<HGDIOBJ>(STOCK_LTGRAY) : nullptr;
}

LONG GetWindowLongA(HWND window, int offset) {
    std::lock_guard<std::mutex> guard(lock);
    const Window* w = lookup(window);
    if (!w || offset < 0 || static_cast<size_t>(offset) + 4 > w->extra.size()) return 0;
    uint32_t v = 0;
    std::memcpy(&v, w->extra.data() + offset, 4);
    return static_cast<LONG>(v);
}

LONG SetWindowLongA(HWND window, int offset, LONG value) {
    std::lock_guard<std::mutex> guard(lock);
    Window* w = lookup(window);
    if (!w || offset < 0 || static_cast<size_t>(offset) + 4 > w->extra.size()) return 0;
    LONG previous = 0;
    std::memcpy(&previous, w->extra.data() + offset, 4);
    std::memcpy(w->extra.data() + offset, &value, 4);
    return previous;
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
    const int id = resource_id(name);
    std::lock_guard<std::mutex> guard(gui_lock);
    if (!instance || !is_program_bitmap(id) || missing_bitmaps.count(id)) return nullptr;
    const uintptr_t handle = next_gdi++;
    gdi_objects[handle] = GdiObject{false, OsBrushKind::stock, 0, id};
    return reinterpret_cast<HBITMAP>(handle);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    std::lock_guard<std::mutex> guard(gui_lock);
    const auto it = gdi_objects.find(reinterpret_cast<uintptr_t>(bitmap));
    if (it == gdi_objects.end() || it->second.brush) return nullptr;
    const uintptr_t handle = next_gdi++;
    gdi_objects[handle] = GdiObject{true, OsBrushKind::pattern, 0, it->second.bitmap};
    return reinterpret_cast<HBRUSH>(handle);
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    std::lock_guard<std::mutex> guard(gui_lock);
    const uintptr_t handle = next_gdi++;
    gdi_objects[handle] = GdiObject{true, OsBrushKind::solid, colour, 0};
    return reinterpret_cast<HBRUSH>(handle);
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (!rect) return 0;
    std::lock_guard<std::mutex> guard(gui_lock);
    OsFill fill{rect->left, rect->top, rect->right, rect->bottom, OsBrushKind::stock, 0, 0};
    if (reinterpret_cast<uintptr_t>(brush) != STOCK_LTGRAY) {
        const auto it = gdi_objects.find(reinterpret_cast<uintptr_t>(brush));
        if (it == gdi_objects.end() || !it->second.brush) return 0;
        fill.kind = it->second.kind;
        fill.colour = it->second.colour;
        fill.bitmap = it->second.bitmap;
    }
    const size_t window = reinterpret_cast<uintptr_t>(dc);  // a device context is its window's handle
    if (!paints.count(window)) return 0;
    paint_logs[window].fills.push_back(fill);
    return 1;
}

BOOL DeleteObject(HGDIOBJ object) {
    std::lock_guard<std::mutex> guard(gui_lock);
    return gdi_objects.erase(reinterpret_cast<uintptr_t>(object)) ? TRUE : FALSE;
}

int os_InvalidateRcl(HWIN window, const OS_RECT*, int) {
    std::lock_guard<std::mutex> guard(lock);
    Window* w = lookup(window);
    if (!w) return 0;
    ++w->invalidations;
    return 1;
}

OS_PAINT* os_BeginPaint(HWIN window, void*, OS_RECT* update) {
    OS_RECT whole;
    if (!os_QueryWinRect(window, &whole)) return nullptr;
    std::lock_guard<std::mutex> guard(gui_lock);
    auto& paint = paints[index_of(window)];
    paint = std::make_unique<OS_PAINT>();
    paint->dc = window;
    paint->window = window;
    paint->update = whole;
    if (update) *update = whole;
    paint_logs[index_of(window)] = OsPaintLog{};
    paint_logs[index_of(window)].began = true;
    return paint.get();
}

int os_EndPaint(OS_PAINT* paint) {
    if (!paint) return 0;
    std::lock_guard<std::mutex> guard(gui_lock);
    const size_t window = index_of(paint->window);
    const auto it = paints.find(window);
    if (it == paints.end() || it->second.get() != paint) return 0;
    paint_logs[window].ended = true;
    paints.erase(it);
    return 1;
}

int os_NiceRCL(const OS_RECT* rect, OS_PAINT* paint, int style) {
    if (!rect || !paint) return 0;
    std::lock_guard<std::mutex> guard(gui_lock);
    const size_t window = index_of(paint->window);
    if (!paints.count(window)) return 0;
    paint_logs[window].frames.push_back(OsFrame{*rect, style});
    return 1;
}

OsPaintLog os_script_paint(HWIN window) {
    {
        std::lock_guard<std::mutex> guard(gui_lock);
        paint_logs.erase(index_of(window));
    }
    deliver(window, WM_PAINT, 0, 0);
    std::lock_guard<std::mutex> guard(gui_lock);
    const auto it = paint_logs.find(index_of(window));
    return it != paint_logs.end() ? it->second : OsPaintLog{};
}

int os_script_gdi_objects() {
    std::lock_guard<std::mutex> guard(gui_lock);
    return static_cast<int>(gdi_objects.size());
}

void os_script_set_bitmap_missing(int id, bool missing) {
    std::lock_guard<std::mutex> guard(gui_lock);
    if (missing) missing_bitmaps.insert(id);
    else missing_bitmaps.erase(id);
}
