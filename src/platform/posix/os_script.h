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

// ---- Dialog resources: the program's dialog templates (on Windows they are
// resources of the program). Positions and sizes in dialog units, y downwards,
// as in a Windows dialog template; a dialog unit is OS_SCRIPT_BASE_X / 4
// pixels across and OS_SCRIPT_BASE_Y / 8 pixels down (the base units of an
// 8-point "MS Sans Serif").
constexpr int OS_SCRIPT_BASE_X = 6;
constexpr int OS_SCRIPT_BASE_Y = 13;
enum class OsControlKind { label, label_right, edit, edit_read_only, button, default_button, check_box,
                           group_box, bitmap, custom };
struct OsControlTemplate {
    int id = 0;
    OsControlKind kind = OsControlKind::label;
    std::string class_name;  // the window class of a custom control
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string text;
};
struct OsDialogTemplate {
    int cx = 0, cy = 0;
    std::string font;
    int points = 0;
    std::string caption;
    std::vector<OsControlTemplate> controls;
};
// os_LoadDlg(..., resource_id, ...) builds its dialog from this template.
void os_script_add_dialog(int resource_id, OsDialogTemplate dialog);

// ---- Acting as the user. Windows of a dialog get the portable messages
// (os_TranslateMsg leaves them as they are); windows of a registered class get
// the Win32 messages of win32_gui.h.
// Types `text` key by key at the edit's caret: each key is refused when the
// edit is disabled, read-only or full (its os_ContrlMgr limit), else it is
// inserted, the caret moves behind it and the dialog is notified. Returns the
// number of keys taken.
int os_script_type(HWIN edit, const char* text);
// Clicks a push button (OS_MSG_COMMAND to the dialog) or a check box (toggles
// it, then OS_MSG_CONTROL); nothing for a disabled or hidden control. 1 when it reacted.
int os_script_click(HWIN control);
// The close box: OS_MSG_CLOSE to a dialog, WM_CLOSE to a class window.
intptr_t os_script_close(HWIN window);
// Calls the window's procedure with a message and returns its result.
intptr_t os_script_send(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2);
// Delivers every posted message that waits now (to dialogs and class windows);
// returns how many.
int os_script_pump();
// os_ProcessDlg gives up, returning -1, when no message came for this long
// (default 20000 ms), so that a test cannot hang.
void os_script_set_process_timeout(int timeout_ms);

// ---- Looking at windows.
struct OsWindowInfo {
    bool exists = false;  // created and not destroyed
    HWIN parent = nullptr;
    int id = 0;
    std::string class_name;  // "#32770" for a dialog, "EDIT", "STATIC", "BUTTON" or a registered class
    uint32_t style = 0;
    std::string text;
    bool enabled = false, visible = false, checked = false;
    OS_POSITION position;
    size_t caret = 0;  // edits: position of the caret
    size_t limit = 0;  // edits: most characters the user can type; 0 without a limit
    std::string font;  // as given to os_SetFontNameSize
    int invalidations = 0;
    bool dismissed = false;  // dialogs: os_DismissDlg was called
    int dismiss_result = 0;
};
OsWindowInfo os_script_window(HWIN window);
HWIN os_script_focus();   // the window with the focus, or null
HWIN os_script_active();  // the window last activated, or null
// Windows of a class that exist, in the order of their creation.
std::vector<HWIN> os_script_windows_of_class(const char* class_name);

// ---- Painting. os_script_paint sends WM_PAINT to a class window and returns
// what the procedure drew between os_BeginPaint and os_EndPaint.
enum class OsBrushKind { solid, pattern, stock };
struct OsFill {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // as given to FillRect (y downwards)
    OsBrushKind kind = OsBrushKind::stock;
    uint32_t colour = 0;  // solid brushes
    int bitmap = 0;       // pattern brushes: the bitmap's resource id
};
struct OsFrame {
    OS_RECT rect;
    int style = 0;
};
struct OsPaintLog {
    bool began = false;
    bool ended = false;
    std::vector<OsFill> fills;
    std::vector<OsFrame> frames;
};
OsPaintLog os_script_paint(HWIN window);
// Brushes and bitmaps created and not yet deleted.
int os_script_gdi_objects();
// The program's bitmaps are 2, 200 and 201 and its icon 1; a missing bitmap
// cannot be loaded.
void os_script_set_bitmap_missing(int id, bool missing);

// ---- Message boxes.
// Answers each os_MessageBox call; the result is what os_MessageBox returns.
// Without an answerer every box is written to standard error and answered 0.
using OsAnswerer = std::function<int(HWIN owner, const char* caption, const char* text, int style)>;
void os_script_set_answerer(OsAnswerer answerer);

// ---- Threads.
// Waits for every thread started by os_CreateThread that has not been joined yet.
void os_script_join_threads();
// Threads started by os_CreateThread and not yet waited for (os_WaitThread or
// os_script_join_threads).
int os_script_pending_threads();
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
