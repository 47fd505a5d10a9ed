// The portability layer over Win32: how the portable operations of
// platform/os_layer.h and platform/os_windows.h meet Windows, and what the
// layer's files share.
//
// Choices of this layer:
// - Dialogs are modeless (CreateDialogParamA from the program's resources) and
//   os_ProcessDlg runs a GetMessage / IsDialogMessage loop on the calling thread
//   until os_DismissDlg marks the dialog dismissed; other windows of the thread
//   (the text windows) are served by the same loop.
// - The portable dialog procedure is called through a Win32 dialog procedure of
//   the layer, which returns what Windows needs so that the portable behaviour
//   holds: after WM_INITDIALOG it returns FALSE when the procedure put the focus
//   on a control (TRUE would move the focus to the first tab stop); a message
//   that the procedure handled returns TRUE with its result in DWLP_MSGRESULT,
//   and only a message the procedure handed to os_DefDlgProc returns FALSE for
//   the dialog manager's default handling. So WM_CLOSE does not also arrive as
//   IDCANCEL, and the posted 0x402 is not also taken as DM_REPOSITION.
// - Diagnosis: with the environment variable TEV_TRACE_DIALOG set, every message
//   that a portable dialog procedure handled is written to the error stream as
//   "dialog <portable code> <parameter 1>" (the Wine tests count them).
// - os_TranslateMsg: WM_INITDIALOG is 0x3B; WM_COMMAND from a push button, or
//   without a control (Enter, Escape), is 0x20 with the id in the low 16 bits;
//   WM_COMMAND from any other control is 0x30 with the id in the low 16 bits and
//   the notification in the high 16 bits (EN_CHANGE becomes 4, others keep their
//   Windows code); WM_CLOSE is 0x29. Raw messages whose numbers equal a portable
//   code (WM_SETCURSOR 0x20, WM_SETFONT 0x30, 0x29, 0x3B) become 0 so that they
//   are never mistaken for one; every other message keeps its number.
// - Message boxes: 0x28 is MB_OK | MB_ICONINFORMATION, 0x24 MB_OK | MB_ICONERROR,
//   0x11 MB_YESNO | MB_ICONQUESTION, and 0x80 adds MB_DEFBUTTON2 with a warning
//   icon. IDYES and IDOK are 1, every other answer 0.
// - Coordinates: the portable y grows upwards from the bottom edge of the parent's
//   client area (the screen for top-level windows); a window's portable y is the
//   position of its bottom edge. Rectangles of a window's own area (os_QueryWinRect,
//   os_QueryWinClRect) are 0,0 to width,height.
// - os_SetWinPos flags: 0x01 size, 0x02 move, 0x04 z-order, 0x08 show, 0x10 hide,
//   0x80 activate (a top-level window that the call shows for the first time is
//   activated too, as Windows does); the insert-behind value 3 means the top of
//   the z-order.
// - System values: 0 version x 100 (GetVersionExA), 1 platform kind (4 Windows NT,
//   WIN32_PLATFORM_95 for the Windows '95 family), 7 sizing-frame height,
//   10 caption height (their sum is the cascade step), 11 and 12 screen width and
//   height, 17 the highlight colour (COLORREF); any other value is 0.
// - Profile store: HKEY_CURRENT_USER\Software\<application> (the application name
//   as given, trailing blank included), one value per key; read-only.
// - os_ContrlMgr(edit, 0, 0x103, 0) limits the edit to 259 characters (EM_LIMITTEXT).
// - os_SetFontNameSize("8.Courier"): the font is created for the window and deleted
//   when the window is destroyed.
// - os_WaitThread serves messages sent to the waiting thread's windows while it
//   waits, so that a worker that still sets a control's text cannot block it.
// - os_AssertMsg writes the report to the error stream and to the debugger; it
//   never stops the program.
#pragma once

#include <windows.h>

// The platform kinds besides Windows NT.
constexpr int WIN32_PLATFORM_95 = 2;
constexpr int WIN32_PLATFORM_OTHER = 1;

// Registry key (below HKEY_CURRENT_USER) that holds the profile applications.
inline constexpr const char* WIN32_PROFILE_ROOT = "Software\\";

// The instance given to os_Initialize (the program's own module before that).
HINSTANCE win32_instance();
