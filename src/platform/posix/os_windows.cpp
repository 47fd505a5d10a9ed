// The Linux layer's windows: an in-memory table of window records (id, text,
// state, geometry, procedure, posted messages, messages sent), the operations
// on controls, message boxes through the installed answerer, posted messages,
// and the scripted user: typing, clicking, closing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"
#include "platform/posix/window_table.h"
#include "platform/win32_shell.h"

namespace window_table {

std::mutex lock;
std::condition_variable changed;
std::vector<Window> windows;
size_t focus = 0;
size_t active = 0;
uint64_t post_sequence = 0;

Window* lookup(HWIN window) {
    const size_t i = index_of(window);
    if (i == 0 || i > windows.size() || !windows[i - 1].alive) return nullptr;
    return &windows[i - 1];
}

HWIN add(Window record) {
    windows.push_back(std::move(record));
    return handle_of(windows.size());
}

int32_t client_width(const Window& w) { return std::max(0, w.position.cx - 2 * w.frame_side); }
int32_t client_height(const Window& w) {
    return std::max(0, w.position.cy - w.frame_top - w.frame_bottom);
}

intptr_t deliver(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2) {
    OsWindowProc procedure = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock);
        const Window* w = lookup(window);
        if (w) procedure = w->procedure;
    }
    return procedure ? procedure(window, code, param1, param2) : 0;
}

}  // namespace window_table

using namespace window_table;

namespace {

OsAnswerer answerer;

// The dialog a control belongs to (its parent, when that is a dialog), or null;
// `lock` must be held.
HWIN dialog_of(const Window& control) {
    if (!control.parent) return nullptr;
    const Window& parent = windows[control.parent - 1];
    return parent.alive && parent.kind == Kind::dialog ? handle_of(control.parent) : nullptr;
}

uintptr_t control_param(int id, unsigned notification) {
    return (static_cast<uintptr_t>(notification) << 16) | static_cast<uint16_t>(id);
}

}  // namespace

HWIN os_script_create_window(HWIN parent, int id, const char* text) {
    std::lock_guard<std::mutex> guard(lock);
    Window record;
    record.parent = lookup(parent) ? index_of(parent) : 0;
    record.id = id;
    record.text = text ? text : "";
    return add(std::move(record));
}

void os_script_reset_windows() {
    std::lock_guard<std::mutex> guard(lock);
    windows.clear();
    focus = active = 0;
}

bool os_script_wait_message(HWIN window, OsMessage* message, int timeout_ms) {
    std::unique_lock<std::mutex> guard(lock);
    const auto ready = [&] {
        const Window* w = lookup(window);
        return w && !w->posted.empty();
    };
    if (!changed.wait_for(guard, std::chrono::milliseconds(timeout_ms), ready)) return false;
    Window* w = lookup(window);
    *message = w->posted.front().message;
    w->posted.pop_front();
    return true;
}

std::vector<OsMessage> os_script_sent_messages(HWIN window) {
    std::lock_guard<std::mutex> guard(lock);
    const Window* w = lookup(window);
    return w ? w->sent : std::vector<OsMessage>{};
}

void os_script_set_answerer(OsAnswerer a) {
    std::lock_guard<std::mutex> guard(lock);
    answerer = std::move(a);
}

HWIN os_SubWin(HWIN window, int id) {
    std::lock_guard<std::mutex> guard(lock);
    const size_t parent = index_of(window);
    if (!lookup(window)) return nullptr;
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i].alive && windows[i].parent == parent && windows[i].id == id) return handle_of(i + 1);
    return nullptr;
}

int os_SetWindowText(HWIN window, const char* text) {
    HWIN notify = nullptr;
    uintptr_t param = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        Window* w = lookup(window);
        if (!w) return 0;
        w->text = text ? text : "";
        if (w->kind == Kind::edit) {
            w->caret = 0;  // a replaced text leaves the caret at its start
            notify = dialog_of(*w);
            param = control_param(w->id, OS_NOTIFY_EDIT_CHANGED);
        }
    }
    // As on Windows: a new text is a change, reported before the call returns.
    if (notify) deliver(notify, OS_MSG_CONTROL, param, reinterpret_cast<intptr_t>(window));
    return 1;
}

int os_QueryWindowText(HWIN window, int limit, char* buffer) {
    if (!buffer || limit <= 0) return 0;
    std::lock_guard<std::mutex> guard(lock);
    const Window* w = lookup(window);
    const std::string text = w ? w->text : "";
    const size_t n = std::min(text.size(), static_cast<size_t>(limit - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

int os_EnableWindow(HWIN window, int enable) {
    std::lock_guard<std::mutex> guard(lock);
    Window* w = lookup(window);
    if (!w) return 0;
    w->enabled = enable != 0;
    return 1;
}

int os_IsWindowEnabled(HWIN window) {
    std::lock_guard<std::mutex> guard(lock);
    const Window* w = lookup(window);
    return w && w->enabled ? 1 : 0;
}

int os_CheckControl(HWIN control, int state) {
    std::lock_guard<std::mutex> guard(lock);
    Window* w = lookup(control);
    if (!w) return 0;
    w->checked = state != 0;
    return 1;
}

int os_IsButtonChecked(HWIN control) {
    std::lock_guard<std::mutex> guard(lock);
    const Window* w = lookup(control);
    return w && w->checked ? 1 : 0;
}

int os_SetFocus(HWIN window) {
    std::lock_guard<std::mutex> guard(lock);
    if (!lookup(window)) return 0;
    focus = index_of(window);
    return 1;
}

int os_ShowWindow(HWIN window, int show) {
    std::lock_guard<std::mutex> guard(lock);
    Window* w = lookup(window);
    if (!w) return 0;
    w->visible = show != 0;
    return 1;
}

intptr_t os_ContrlMgr(HWIN control, int, int operation, intptr_t) {
    std::lock_guard<std::mutex> guard(lock);
    Window* w = lookup(control);
    if (!w || w->kind != Kind::edit) return 0;
    switch (operation) {
    case OS_CM_PREPARE_EDIT: w->limit = OS_EDIT_LIMIT; return 1;
    case OS_CM_CARET_TO_END: w->caret = w->text.size(); return 1;
    default: return 0;
    }
}

int os_SetFontNameSize(HWIN window, const char* points_dot_face) {
    std::lock_guard<std::mutex> guard(lock);
    Window* w = lookup(window);
    if (!w || !points_dot_face) return 0;
    w->font = points_dot_face;
    return 1;
}

int os_PostMsg(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2) {
    {
        std::lock_guard<std::mutex> guard(lock);
        Window* w = lookup(window);
        if (!w) return 0;
        w->posted.push_back(Posted{++post_sequence, OsMessage{code, param1, param2}});
    }
    changed.notify_all();
    return 1;
}

LRESULT SendMessageA(HWND window, UINT code, WPARAM param1, LPARAM param2) {
    {
        std::lock_guard<std::mutex> guard(lock);
        Window* w = lookup(window);
        if (!w) return 0;
        w->sent.push_back(OsMessage{code, param1, param2});
    }
    return deliver(window, code, param1, param2);
}

int os_MessageBox(HWIN owner, const char* caption, const char* text, int style) {
    OsAnswerer a;
    {
        std::lock_guard<std::mutex> guard(lock);
        a = answerer;
    }
    // The answerer runs without the lock: it may call back into the layer.
    if (a) return a(owner, caption ? caption : "", text ? text : "", style);
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
    return 0;
}

// ---- The scripted user.

int os_script_type(HWIN edit, const char* text) {
    int taken = 0;
    for (const char* p = text ? text : ""; *p; ++p) {
        HWIN notify = nullptr;
        uintptr_t param = 0;
        {
            std::lock_guard<std::mutex> guard(lock);
            Window* w = lookup(edit);
            if (!w || w->kind != Kind::edit || !w->enabled || w->read_only) break;
            if (w->limit && w->text.size() >= w->limit) continue;  // full: the key is refused
            w->caret = std::min(w->caret, w->text.size());
            w->text.insert(w->caret, 1, *p);
            ++w->caret;
            ++taken;
            notify = dialog_of(*w);
            param = control_param(w->id, OS_NOTIFY_EDIT_CHANGED);
        }
        if (notify) deliver(notify, OS_MSG_CONTROL, param, reinterpret_cast<intptr_t>(edit));
    }
    return taken;
}

int os_script_click(HWIN control) {
    HWIN notify = nullptr;
    uint32_t code = 0;
    uintptr_t param = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        Window* w = lookup(control);
        if (!w || !w->enabled || !w->visible) return 0;
        if (w->kind == Kind::check_box) {
            w->checked = !w->checked;
            code = OS_MSG_CONTROL;
        } else if (w->kind == Kind::push_button) {
            code = OS_MSG_COMMAND;
        } else {
            return 0;
        }
        notify = dialog_of(*w);
        param = control_param(w->id, 0);
        focus = index_of(control);
    }
    if (notify) deliver(notify, code, param, reinterpret_cast<intptr_t>(control));
    return 1;
}

intptr_t os_script_close(HWIN window) {
    bool dialog = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        const Window* w = lookup(window);
        if (!w) return 0;
        dialog = w->kind == Kind::dialog;
    }
    return deliver(window, dialog ? OS_MSG_CLOSE : 0x0010 /* WM_CLOSE */, 0, 0);
}

intptr_t os_script_send(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2) {
    return deliver(window, code, param1, param2);
}

OsWindowInfo os_script_window(HWIN window) {
    std::lock_guard<std::mutex> guard(lock);
    OsWindowInfo info;
    const Window* w = lookup(window);
    if (!w) return info;
    info.exists = true;
    info.parent = handle_of(w->parent);
    info.id = w->id;
    info.class_name = w->class_name;
    info.style = w->style;
    info.text = w->text;
    info.enabled = w->enabled;
    info.visible = w->visible;
    info.checked = w->checked;
    info.position = w->position;
    info.caret = w->caret;
    info.limit = w->limit;
    info.font = w->font;
    info.invalidations = w->invalidations;
    info.dismissed = w->dismissed;
    info.dismiss_result = w->dismiss_result;
    return info;
}

HWIN os_script_focus() {
    std::lock_guard<std::mutex> guard(lock);
    return lookup(handle_of(focus)) ? handle_of(focus) : nullptr;
}

HWIN os_script_active() {
    std::lock_guard<std::mutex> guard(lock);
    return lookup(handle_of(active)) ? handle_of(active) : nullptr;
}

std::vector<HWIN> os_script_windows_of_class(const char* class_name) {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<HWIN> found;
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i].alive && class_name && windows[i].class_name == class_name) found.push_back(handle_of(i + 1));
    return found;
}
