// The Linux layer's window table, shared by its window, dialog and Win32 GUI
// modules. A handle is the index of its record plus one; records of destroyed
// windows stay (dead) so that a handle is never reused.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"

namespace window_table {

enum class Kind { plain, dialog, edit, label, push_button, check_box, picture, class_window };

struct Posted {
    uint64_t sequence = 0;
    OsMessage message;
};

struct Window {
    bool alive = true;
    size_t parent = 0;  // index + 1 of the parent; 0 for a top-level window
    int id = 0;
    Kind kind = Kind::plain;
    std::string class_name;
    uint32_t style = 0;
    bool read_only = false;
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    OS_POSITION position;
    int32_t frame_side = 0, frame_top = 0, frame_bottom = 0;  // window minus these is the client area
    OsWindowProc procedure = nullptr;
    bool dismissed = false;
    int dismiss_result = 0;
    size_t limit = 0;
    size_t caret = 0;
    std::string font;
    std::vector<uint8_t> extra;  // window extra bytes
    std::deque<Posted> posted;
    std::vector<OsMessage> sent;
    int invalidations = 0;
};

// Everything below is guarded by `lock`.
extern std::mutex lock;
extern std::condition_variable changed;  // a message was posted or a dialog dismissed
extern std::vector<Window> windows;
extern size_t focus;   // index + 1
extern size_t active;  // index + 1
extern uint64_t post_sequence;

inline size_t index_of(HWIN window) { return reinterpret_cast<uintptr_t>(window); }
inline HWIN handle_of(size_t index_plus_one) {
    return reinterpret_cast<HWIN>(static_cast<uintptr_t>(index_plus_one));
}
// The record of a live window, or null; `lock` must be held.
Window* lookup(HWIN window);
// Appends a record; returns its handle. `lock` must be held.
HWIN add(Window record);
// Width and height of a window's client area.
int32_t client_width(const Window& w);
int32_t client_height(const Window& w);

// Calls the window's procedure (without holding `lock`); 0 when it has none.
intptr_t deliver(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2);

// The procedure and window extra bytes of a registered class; false when no
// class of that name was registered. Takes its own lock (not `lock`).
bool find_class(const std::string& name, OsWindowProc* procedure, int* extra_bytes);

// Top-level frames: a dialog's border and title bar, and those of an
// overlapped window (whose client area is smaller by them).
constexpr int32_t DIALOG_FRAME_SIDE = 3, DIALOG_FRAME_TOP = 22, DIALOG_FRAME_BOTTOM = 3;
constexpr int32_t WINDOW_FRAME_SIDE = 4, WINDOW_FRAME_TOP = 23, WINDOW_FRAME_BOTTOM = 4;

}  // namespace window_table
