// Scripting the Linux portability layer. On Linux the layer has no real windows:
// windows are records in an in-memory table, message boxes are answered by a
// callback, posted messages wait in a per-window queue, and the profile store,
// the registry and the system values are seeded by the program (in practice, by
// tests). Everything here is safe to call from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/os_layer.h"

// ---- Windows.
// Creates a window (a child control when `parent` is not null) with an id and
// a text; it starts enabled. Returns its handle.
HWIN os_script_create_window(HWIN parent, int id, const char* text = "");
// Forgets every window, its queue and its sent messages.
void os_script_reset_windows();

// One posted or sent message.
struct OsMessage {
    uint32_t code = 0;
    uintptr_t param1 = 0;
    intptr_t param2 = 0;
};
// Waits up to `timeout_ms` for a posted message to `window` and takes it off the
// queue; false when none arrived in time.
bool os_script_wait_message(HWIN window, OsMessage* message, int timeout_ms);
// Messages sent (synchronously) to `window` so far, in order.
std::vector<OsMessage> os_script_sent_messages(HWIN window);

// ---- Message boxes.
// Answers each os_MessageBox call; the result is what os_MessageBox returns.
// Without an answerer every box is written to standard error and answered 0.
using OsAnswerer = std::function<int(HWIN owner, const char* caption, const char* text, int style)>;
void os_script_set_answerer(OsAnswerer answerer);

// ---- Threads.
// Waits for every thread started by os_CreateThread that has not been joined yet.
void os_script_join_threads();
// Thread contexts initialised and not yet cleaned up.
int os_script_live_contexts();

// ---- System values (defaults: version 400, platform kind 4 = Windows NT,
// screen 1024 by 768, every other value 0).
void os_script_set_sys_value(int index, int32_t value);
void os_script_reset_sys_values();

// ---- Profile store.
void os_script_ini_set(const char* application, const char* key, const char* value);
void os_script_ini_clear();

// ---- Assertion reports received by os_AssertMsg, oldest first.
struct OsAssertion {
    std::string expression;
    std::string source;
    int line = 0;
};
std::vector<OsAssertion> os_script_assertions();
void os_script_clear_assertions();
