// The Linux layer's dialogs and window geometry: dialogs built from the
// templates the program gives (os_script_add_dialog), the message loop over the
// posted messages, dismissal and destruction, the portable message form (the
// identity here: windows of a dialog receive the portable codes), default
// handling, and positions in pixels with y growing upwards.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"
#include "platform/posix/window_table.h"

using namespace window_table;

namespace {

constexpr uint32_t WM_CREATE_CODE = 0x0001;
constexpr uint32_t WM_DESTROY_CODE = 0x0002;
constexpr uint32_t WM_SIZE_CODE = 0x0005;
constexpr uint32_t WM_CLOSE_CODE = 0x0010;

std::map<int, OsDialogTemplate> dialog_templates;  // guarded by `lock`
int process_timeout_ms = 20000;                    // guarded by `lock`

// Dialog units to pixels, rounded as Windows rounds them.
int32_t dialog_x(int units) { return (units * OS_SCRIPT_BASE_X + 2) / 4; }
int32_t dialog_y(int units) { return (units * OS_SCRIPT_BASE_Y + 4) / 8; }

Kind kind_of(OsControlKind kind) {
    switch (kind) {
    case OsControlKind::edit:
    case OsControlKind::edit_read_only: return Kind::edit;
    case OsControlKind::button:
    case OsControlKind::default_button: return Kind::push_button;
    case OsControlKind::check_box: return Kind::check_box;
    case OsControlKind::bitmap: return Kind::picture;
    case OsControlKind::custom: return Kind::class_window;
    default: return Kind::label;
    }
}

const char* class_of(OsControlKind kind) {
    switch (kind) {
    case OsControlKind::edit:
    case OsControlKind::edit_read_only: return "EDIT";
    case OsControlKind::button:
    case OsControlKind::default_button:
    case OsControlKind::check_box:
    case OsControlKind::group_box: return "BUTTON";
    default: return "STATIC";
    }
}

// Every live window below `index` (index + 1 form), parents before children.
void collect_tree(size_t index, std::vector<size_t>& out) {
    out.push_back(index);
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i].alive && windows[i].parent == index) collect_tree(i + 1, out);
}

}  // namespace

void os_script_add_dialog(int resource_id, OsDialogTemplate dialog) {
    std::lock_guard<std::mutex> guard(lock);
    dialog_templates[resource_id] = std::move(dialog);
}

void os_script_set_process_timeout(int timeout_ms) {
    std::lock_guard<std::mutex> guard(lock);
    process_timeout_ms = timeout_ms;
}

uint32_t os_TranslateMsg(HWIN, uint32_t message, uintptr_t*, intptr_t*) { return message; }

intptr_t os_DefDlgProc(HWIN, uint32_t, uintptr_t, intptr_t) { return 0; }

intptr_t os_DefWinProc(HWIN window, uint32_t message, uintptr_t, intptr_t) {
    if (message == WM_CLOSE_CODE) os_DestroyWindow(window);
    return 0;
}

HWIN os_LoadDlg(HWIN parent, HWIN, OsWindowProc procedure, intptr_t, int resource_id, void* create_parameter) {
    HWIN dialog = nullptr;
    std::vector<HWIN> created;  // custom controls, to receive WM_CREATE
    HWIN first_control = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock);
        const auto found = dialog_templates.find(resource_id);
        if (found == dialog_templates.end()) return nullptr;
        const OsDialogTemplate& t = found->second;

        // Custom controls need their class; without it there is no dialog.
        std::vector<std::pair<OsWindowProc, int>> classes(t.controls.size());
        for (size_t i = 0; i < t.controls.size(); ++i)
            if (t.controls[i].kind == OsControlKind::custom &&
                !find_class(t.controls[i].class_name, &classes[i].first, &classes[i].second))
                return nullptr;

        Window d;
        d.parent = lookup(parent) ? index_of(parent) : 0;
        d.id = resource_id;
        d.kind = Kind::dialog;
        d.class_name = "#32770";
        d.text = t.caption;
        d.visible = false;
        d.procedure = procedure;
        d.frame_side = DIALOG_FRAME_SIDE;
        d.frame_top = DIALOG_FRAME_TOP;
        d.frame_bottom = DIALOG_FRAME_BOTTOM;
        d.position.cx = dialog_x(t.cx) + 2 * DIALOG_FRAME_SIDE;
        d.position.cy = dialog_y(t.cy) + DIALOG_FRAME_TOP + DIALOG_FRAME_BOTTOM;
        d.font = std::to_string(t.points) + "." + t.font;
        dialog = add(std::move(d));
        const int32_t height = dialog_y(t.cy);

        for (size_t i = 0; i < t.controls.size(); ++i) {
            const OsControlTemplate& c = t.controls[i];
            Window w;
            w.parent = index_of(dialog);
            w.id = c.id;
            w.kind = kind_of(c.kind);
            w.class_name = c.kind == OsControlKind::custom ? c.class_name : class_of(c.kind);
            w.read_only = c.kind == OsControlKind::edit_read_only;
            w.text = c.text;
            w.position.x = dialog_x(c.x);
            w.position.cx = dialog_x(c.cx);
            w.position.cy = dialog_y(c.cy);
            w.position.y = height - dialog_y(c.y) - w.position.cy;
            w.procedure = classes[i].first;
            w.extra.assign(static_cast<size_t>(std::max(0, classes[i].second)), 0);
            const HWIN control = add(std::move(w));
            if (c.kind == OsControlKind::custom) created.push_back(control);
            if (!first_control && c.kind != OsControlKind::label && c.kind != OsControlKind::label_right &&
                c.kind != OsControlKind::bitmap && c.kind != OsControlKind::group_box)
                first_control = control;
        }
        focus = index_of(first_control);
    }
    for (HWIN control : created) deliver(control, WM_CREATE_CODE, 0, 0);
    deliver(dialog, OS_MSG_INITDLG, reinterpret_cast<uintptr_t>(first_control),
            reinterpret_cast<intptr_t>(create_parameter));
    return dialog;
}

int os_ProcessDlg(HWIN dialog) {
    for (;;) {
        HWIN target = nullptr;
        OsMessage message;
        {
            std::unique_lock<std::mutex> guard(lock);
            const auto next = [&]() -> Window* {
                Window* best = nullptr;
                for (Window& w : windows)
                    if (w.alive && !w.posted.empty() &&
                        (!best || w.posted.front().sequence < best->posted.front().sequence))
                        best = &w;
                return best;
            };
            const auto ready = [&] {
                const Window* d = lookup(dialog);
                return !d || d->dismissed || next() != nullptr;
            };
            if (!changed.wait_for(guard, std::chrono::milliseconds(process_timeout_ms), ready)) {
                std::fprintf(stderr, "os_ProcessDlg: no message for %d ms, giving up\n", process_timeout_ms);
                return -1;
            }
            const Window* d = lookup(dialog);
            if (!d) return -1;
            if (d->dismissed) return d->dismiss_result;
            Window* w = next();
            target = handle_of(static_cast<size_t>(w - windows.data()) + 1);
            message = w->posted.front().message;
            w->posted.pop_front();
        }
        deliver(target, message.code, message.param1, message.param2);
    }
}

int os_script_pump() {
    int delivered = 0;
    for (;;) {
        HWIN target = nullptr;
        OsMessage message;
        {
            std::lock_guard<std::mutex> guard(lock);
            Window* best = nullptr;
            for (Window& w : windows)
                if (w.alive && !w.posted.empty() &&
                    (!best || w.posted.front().sequence < best->posted.front().sequence))
                    best = &w;
            if (!best) return delivered;
            target = handle_of(static_cast<size_t>(best - windows.data()) + 1);
            message = best->posted.front().message;
            best->posted.pop_front();
        }
        deliver(target, message.code, message.param1, message.param2);
        ++delivered;
    }
}

int os_DismissDlg(HWIN dialog, int result) {
    {
        std::lock_guard<std::mutex> guard(lock);
        Window* d = lookup(dialog);
        if (!d || d->kind != Kind::dialog) return 0;
        d->dismissed = true;
        d->dismiss_result = result;
    }
    changed.notify_all();
    return 1;
}

int os_DestroyWindow(HWIN window) {
    std::vector<size_t> tree;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!lookup(window)) return 0;
        collect_tree(index_of(window), tree);
    }
    for (size_t i : tree) deliver(handle_of(i), WM_DESTROY_CODE, 0, 0);
    {
        std::lock_guard<std::mutex> guard(lock);
        for (size_t i : tree) {
            windows[i - 1].alive = false;
            windows[i - 1].posted.clear();
            if (focus == i) focus = 0;
            if (active == i) active = 0;
        }
    }
    changed.notify_all();
    return 1;
}

int os_SetWinPos(HWIN window, intptr_t, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t flags) {
    bool resized = false;
    uint32_t client = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        Window* w = lookup(window);
        if (!w) return 0;
        if (flags & OS_SWP_MOVE) {
            w->position.x = x;
            w->position.y = y;
        }
        if (flags & OS_SWP_SIZE) {
            w->position.cx = std::max(0, cx);
            w->position.cy = std::max(0, cy);
            resized = w->kind == Kind::class_window;
            client = (static_cast<uint32_t>(client_height(*w)) << 16) | (static_cast<uint32_t>(client_width(*w)) & 0xFFFF);
        }
        if (flags & OS_SWP_SHOW) w->visible = true;
        if (flags & OS_SWP_HIDE) w->visible = false;
        if (flags & OS_SWP_ACTIVATE) active = index_of(window);
    }
    if (resized) deliver(window, WM_SIZE_CODE, 0, static_cast<intptr_t>(client));
    return 1;
}

int os_QueryWinPos(HWIN window, OS_POSITION* position) {
    std::lock_guard<std::mutex> guard(lock);
    const Window* w = lookup(window);
    if (!w || !position) return 0;
    *position = w->position;
    return 1;
}

int os_CenterWinOverWin(HWIN over, HWIN window, int flags) {
    int32_t width = 0, height = 0, left = 0, bottom = 0;
    if (over) {
        std::lock_guard<std::mutex> guard(lock);
        const Window* o = lookup(over);
        if (!o) return 0;
        left = o->position.x;
        bottom = o->position.y;
        width = o->position.cx;
        height = o->position.cy;
    } else {
        width = os_QuerySysValue(OS_SV_SCREEN_WIDTH);
        height = os_QuerySysValue(OS_SV_SCREEN_HEIGHT);
    }
    std::lock_guard<std::mutex> guard(lock);
    Window* w = lookup(window);
    if (!w) return 0;
    if (flags & 1) {
        w->position.x = left + (width - w->position.cx) / 2;
        w->position.y = bottom + (height - w->position.cy) / 2;
    }
    return 1;
}

int os_QueryWinRect(HWIN window, OS_RECT* rect) {
    std::lock_guard<std::mutex> guard(lock);
    const Window* w = lookup(window);
    if (!w || !rect) return 0;
    *rect = OS_RECT{0, 0, w->position.cx, w->position.cy};
    return 1;
}

int os_QueryWinClRect(HWIN window, OS_RECT* rect) {
    std::lock_guard<std::mutex> guard(lock);
    const Window* w = lookup(window);
    if (!w || !rect) return 0;
    *rect = OS_RECT{0, 0, client_width(*w), client_height(*w)};
    return 1;
}
