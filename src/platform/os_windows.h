// The portability layer's windows, dialogs and controls, painting, fonts,
// message boxes, posted messages and threads: the part that exists only on
// Windows (src/platform/win32), for the setup's window code (src/setup/win32).
// The rest of the layer is platform/os_layer.h.
#pragma once

#include "platform/os_layer.h"

// ---- Window and dialog procedures. The layer calls a procedure with the raw
// message of the system; the procedure turns it into the portable form with
// os_TranslateMsg and hands what it does not handle to os_DefDlgProc (a
// dialog) or os_DefWinProc (a window).
using OsWindowProc = intptr_t (*)(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2);

// Portable message codes returned by os_TranslateMsg. Codes of the program's
// own (0x400 and above, such as a posted WM_SETUP_DONE 0x402) come back unchanged.
constexpr uint32_t OS_MSG_INITDLG = 0x3B;  // the dialog is being initialised
constexpr uint32_t OS_MSG_COMMAND = 0x20;  // push button (or no control): id in the low 16 bits of param1
constexpr uint32_t OS_MSG_CONTROL = 0x30;  // other control: id low 16 bits, notification high 16 bits
constexpr uint32_t OS_MSG_CLOSE = 0x29;    // the window's close box (or Alt+F4, Escape)
constexpr uint32_t OS_NOTIFY_EDIT_CHANGED = 4;  // notification of OS_MSG_CONTROL: an edit's text changed
constexpr uint16_t os_msg_id(uintptr_t param1) { return static_cast<uint16_t>(param1 & 0xFFFF); }
constexpr uint16_t os_msg_notification(uintptr_t param1) {
    return static_cast<uint16_t>((param1 >> 16) & 0xFFFF);
}

// The portable code of a raw message. The layer may rewrite the parameters into
// the portable layout (for OS_MSG_COMMAND and OS_MSG_CONTROL above).
uint32_t os_TranslateMsg(HWIN window, uint32_t message, uintptr_t* param1, intptr_t* param2);
// Default handling of a raw message by a dialog or by a plain window, and its result.
intptr_t os_DefDlgProc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2);
intptr_t os_DefWinProc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2);

// ---- Dialogs.
// Creates dialog `resource_id` (of the program when `module` is 0) as a
// modeless dialog with `procedure`; the procedure receives OS_MSG_INITDLG before
// os_LoadDlg returns. Null on failure. The call the setup makes:
// os_LoadDlg(0, 0, procedure, 0, resource_id, 0).
HWIN os_LoadDlg(HWIN parent, HWIN owner, OsWindowProc procedure, intptr_t module, int resource_id,
                void* create_parameter);
// Serves the calling thread's messages (the dialog and every other window of
// the thread, such as text windows) until os_DismissDlg is called for the
// dialog; returns the result given there.
int os_ProcessDlg(HWIN dialog);
// Ends os_ProcessDlg for the dialog with `result`; the dialog still exists.
int os_DismissDlg(HWIN dialog, int result);
// Destroys a window or dialog and its children.
int os_DestroyWindow(HWIN window);

// ---- Windows and controls.
HWIN os_SubWin(HWIN window, int id);                      // child control by id; null if none
int os_SetWindowText(HWIN window, const char* text);     // 1 on success
int os_QueryWindowText(HWIN window, int limit, char* buffer);  // characters copied
int os_EnableWindow(HWIN window, int enable);            // 1 on success
int os_IsWindowEnabled(HWIN window);                     // 1 = enabled
// Setting an edit's text raises the same change notification as typing into it
// (OS_MSG_CONTROL with OS_NOTIFY_EDIT_CHANGED to the parent), synchronously,
// before os_SetWindowText returns.

// Check boxes: state 1 = checked, 0 = unchecked. Setting the state raises no notification.
int os_CheckControl(HWIN control, int state);
int os_IsButtonChecked(HWIN control);  // 1 = checked
int os_SetFocus(HWIN window);          // 1 on success
int os_ShowWindow(HWIN window, int show);  // show 1, hide 0

// os_SetWinPos flags, and the one z-order position the setup uses.
constexpr uint32_t OS_SWP_SIZE = 0x01;
constexpr uint32_t OS_SWP_MOVE = 0x02;
constexpr uint32_t OS_SWP_ZORDER = 0x04;
constexpr uint32_t OS_SWP_SHOW = 0x08;
constexpr uint32_t OS_SWP_HIDE = 0x10;
constexpr uint32_t OS_SWP_ACTIVATE = 0x80;
constexpr intptr_t OS_HWND_TOP = 3;  // insert_behind: on top of its siblings
// Position and size in pixels (lower-left corner; see Geometry). Only what the
// flags name changes; with OS_SWP_ZORDER, insert_behind places it (OS_HWND_TOP).
int os_SetWinPos(HWIN window, intptr_t insert_behind, int32_t x, int32_t y, int32_t cx, int32_t cy,
                 uint32_t flags);
int os_QueryWinPos(HWIN window, OS_POSITION* position);  // 1 on success
// Centres `window` over `over` (null: the desktop). Flags: 1 = move it there.
int os_CenterWinOverWin(HWIN over, HWIN window, int flags);
// The window's own rectangle (0, 0, width, height) and its client rectangle,
// both in the window's coordinates (y upwards). 1 on success.
int os_QueryWinRect(HWIN window, OS_RECT* rect);
int os_QueryWinClRect(HWIN window, OS_RECT* rect);

// ---- Painting. os_InvalidateRcl(window, 0, 0) marks the whole window for
// repainting (rect null: all of it; include_children 0: not its children).
int os_InvalidateRcl(HWIN window, const OS_RECT* rect, int include_children);
// The layer's paint record, valid from os_BeginPaint until os_EndPaint. Its
// first field is the device context (on Windows an HDC) that the window's
// procedure draws on with the system's drawing calls.
struct OS_PAINT {
    void* dc = nullptr;
    HWIN window = nullptr;
    OS_RECT update;  // the part to repaint, in window coordinates
};
// Called for the paint message; null when painting cannot start. `update`, when
// not null, receives the part to repaint. os_BeginPaint(window, 0, 0) in the setup.
OS_PAINT* os_BeginPaint(HWIN window, void* reserved, OS_RECT* update);
int os_EndPaint(OS_PAINT* paint);
// A 3-D frame one pixel wide along the inside of `rect`: style -1 recessed
// (dark top-left, light bottom-right), 1 raised.
constexpr int OS_FRAME_RECESSED = -1;
constexpr int OS_FRAME_RAISED = 1;
int os_NiceRCL(const OS_RECT* rect, OS_PAINT* paint, int style);

// ---- Fonts and control management.
// Sets a window's font from "points.Face" ("8.Courier"); the font lives as long
// as the window.
int os_SetFontNameSize(HWIN window, const char* points_dot_face);
// Operations on a control: OS_CM_PREPARE_EDIT limits an edit to OS_EDIT_LIMIT
// characters (the user cannot type or paste more); OS_CM_CARET_TO_END puts an
// edit's caret behind its last character (after the program replaced its
// text). os_ContrlMgr(edit, 0, 0x103, 0) in the setup. Returns 1 on success.
constexpr int OS_CM_PREPARE_EDIT = 0x103;
constexpr int OS_CM_CARET_TO_END = 0x104;
constexpr int OS_EDIT_LIMIT = 259;
intptr_t os_ContrlMgr(HWIN control, int reserved, int operation, intptr_t parameter);

// ---- Message boxes. The style is one of the box kinds, optionally with
// OS_MB_DEFAULT_NO; the result is OS_MB_YES for the affirmative answer.
constexpr int OS_MB_INFORMATION = 0x28;
constexpr int OS_MB_ERROR = 0x24;
constexpr int OS_MB_YESNO = 0x11;
constexpr int OS_MB_DEFAULT_NO = 0x80;
constexpr int OS_MB_YES = 1;
int os_MessageBox(HWIN owner, const char* caption, const char* text, int style);

// ---- Posted messages: queued for the window's thread, delivered asynchronously.
int os_PostMsg(HWIN window, uint32_t code, uintptr_t param1, intptr_t param2);  // 1 on success

// ---- Threads.
using OsThreadRoutine = void (*)(void* argument);
int os_CreateThread(OsThreadRoutine routine, void* argument);  // thread id; 0 on failure
// Waits until the thread `thread_id` of os_CreateThread has ended and releases
// its record; 1 when it was waited for, 0 for an unknown id (or one already waited for).
int os_WaitThread(int thread_id);
