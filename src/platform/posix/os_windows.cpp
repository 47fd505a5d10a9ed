// The Linux layer's windows: an in-memory table of window records with their
// id, text, enabled state, posted-message queue and the messages sent to them;
// message boxes go to the installed answerer.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"
#include "platform/win32_shell.h"

namespace {

struct WindowRecord {
    size_t parent = 0;  // index + 1 of the parent window; 0 for a top-level window
    int id = 0;
    std::string text;
    bool enabled = true;
    std::deque<OsMessage> posted;
    std::vector<OsMessage> sent;
};

std::mutex window_lock;
std::condition_variable window_posted;
std::vector<WindowRecord> windows;  // a handle is its index + 1
OsAnswerer answerer;

size_t index_of(HWIN window) { return reinterpret_cast<uintptr_t>(window); }

HWIN handle_of(size_t index_plus_one) {
    return reinterpret_cast<HWIN>(static_cast<uintptr_t>(index_plus_one));
}

// The record of a handle, or null; window_lock must be held.
WindowRecord* lookup(HWIN window) {
    const size_t i = index_of(window);
    if (i == 0 || i > windows.size()) return nullptr;
    return &windows[i - 1];
}

}  // namespace

HWIN os_script_create_window(HWIN parent, int id, const char* text) {
    std::lock_guard<std::mutex> guard(window_lock);
    WindowRecord record;
    record.parent = lookup(parent) ? index_of(parent) : 0;
    record.id = id;
    record.text = text ? text : "";
    windows.push_back(std::move(record));
    return handle_of(windows.size());
}

void os_script_reset_windows() {
    std::lock_guard<std::mutex> guard(window_lock);
    windows.clear();
}

bool os_script_wait_message(HWIN window, OsMessage* message, int timeout_ms) {
    std::unique_lock<std::mutex> guard(window_lock);
    const auto ready = [&] {
        const WindowRecord* w = lookup(window);
        return w && !w->posted.empty();
    };
    if (!window_posted.wait_for(guard, std::chrono::milliseconds(timeout_ms), ready)) return false;
    WindowRecord* w = lookup(window);
    *message = w->posted.front();
    w->posted.pop_front();
    return true;
}

std::vector<OsMessage> os_script_sent_messages(HWIN window) {
    std::lock_guard<std::mutex> guard(window_lock);
    const WindowRecord* w = lookup(window);
    return w ? w->sent : std::vector<OsMessage>{};
}

void os_script_set_answerer(OsAnswerer a) {
    std::lock_guard<std::mutex> guard(window_lock);
    answerer = std::move(a);
}

HWIN os_SubWin(HWIN window, int id) {
    std::lock_guard<std::mutex> guard(window_lock);
    const size_t parent = index_of(window);
    if (!lookup(window)) return nullptr;
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i].parent == parent && windows[i].id == id) return handle_of(i + 1);
    return nullptr;
}

int os_SetWindowText(HWIN window, const char* text) {
    std::lock_guard<std::mutex> guard(window_lock);
    WindowRecord* w = lookup(window);
    if (!w) return 0;
    w->text = text ? text : "";
    return 1;
}

int os_QueryWindowText(HWIN window, int limit, char* buffer) {
    if (!buffer || limit <= 0) return 0;
    std::lock_guard<std::mutex> guard(window_lock);
    const WindowRecord* w = lookup(window);
    const std::string text = w ? w->text : "";
    const size_t n = std::min(text.size(), static_cast<size_t>(limit - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

int os_EnableWindow(HWIN window, int enable) {
    std::lock_guard<std::mutex> guard(window_lock);
    WindowRecord* w = lookup(window);
    if (!w) return 0;
    w->enabled = enable != 0;
    return 1;
}

int os_IsWindowEnabled(HWIN window) {
    std::lock_guard<std::mutex> guard(window_lock);
    const WindowRecord* w = lookup(window);
    return w && w->enabled ? 1 : 0;
}

int os_PostMsg(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2) {
    {
        std::lock_guard<std::mutex> guard(window_lock);
        WindowRecord* w = lookup(window);
        if (!w) return 0;
        w->posted.push_back(OsMessage{code, param1, param2});
    }
    window_posted.notify_all();
    return 1;
}

LRESULT SendMessageA(HWND window, UINT code, WPARAM param1, LPARAM param2) {
    std::lock_guard<std::mutex> guard(window_lock);
    WindowRecord* w = lookup(window);
    if (!w) return 0;
    w->sent.push_back(OsMessage{code, param1, param2});
    return 0;
}

int os_MessageBox(HWIN owner, const char* caption, const char* text, int style) {
    OsAnswerer a;
    {
        std::lock_guard<std::mutex> guard(window_lock);
        a = answerer;
    }
    // The answerer runs without the lock: it may call back into the layer.
    if (a) return a(owner, caption ? caption : "", text ? text : "", style);
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
    return 0;
}
