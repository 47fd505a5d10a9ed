// The setup program's windows, built for Windows only and proven under Wine:
// the setup dialog (a binding of the dialog model to the real dialog), its
// view for the install worker, the three message boxes, the "ProgressBar"
// window class and the DOC files' text windows. What these windows compute
// lives in portable code (dialog_model.h, progress_bar.h, text_viewer.h).
#pragma once

#include <windows.h>

#include "platform/os_windows.h"
#include "setup/install_ui.h"

// ---- The setup dialog.
// Dialog resources: 100 English, 101 German, 102 French (100 + language).
constexpr int DIALOG_RESOURCE_BASE = 100;

// The dialog procedure given to os_LoadDlg.
intptr_t setup_dialog_proc(HWIN window, uint32_t message, uintptr_t param1, intptr_t param2);

// The dialog phase of start-up: registers the "ProgressBar" class, creates the
// dialog of the payload's language, runs it until it is dismissed, destroys it,
// and waits for the install worker to end.
void run_setup_dialog();
// Makes the dialog's view the install_ui() and run_setup_dialog start-up's
// dialog runner. The program entry calls this before setup_main.
void install_dialog_runner();

// The view over the setup dialog (S.dialog): status line 309, progress bar 308,
// check boxes 303-305, message boxes owned by the dialog, WM_SETUP_DONE posted to it.
InstallUi dialog_install_ui();

// ---- Message boxes; texts from the message table (code page 1252 by now).
// Information box (caption message 12), owned by the dialog when it exists.
void show_info(const char* text);
// Error box (caption message 13), owned by the dialog when it exists.
void show_error(const char* text);
// Yes/no question owned by `owner`; `extra_style` OS_MB_DEFAULT_NO makes No the
// default (the warnings). True exactly when the user answered yes.
bool ask_yes_no(HWIN owner, const char* caption, const char* text, int extra_style);

// ---- The "ProgressBar" window class: the percentage lives in the window's
// extra bytes at offset 0; PB_SETPERCENT (install_ui.h) sets it.
inline constexpr const char* PROGRESS_BAR_CLASS = "ProgressBar";
// Accepted and ignored.
constexpr UINT PB_RESERVED = 0x401;
// Resource id of the checkerboard bitmap of the empty cells.
constexpr int CHECKER_BITMAP_ID = 2;
// Shown in place of the checkerboard when bitmap 2 cannot be loaded.
constexpr COLORREF EMPTY_CELL_GREY = 0x808080;

// Registers a window class of the program: the given style and procedure, 4
// window extra bytes, the icon `icon_id` (icon 1 when that cannot be loaded),
// the arrow cursor, the light-grey background. The class atom, 0 on failure
// (also when the class exists already).
ATOM register_window_type(const char* class_name, WNDPROC procedure, UINT class_style, int icon_id);

LRESULT CALLBACK progress_bar_proc(HWND window, UINT message, WPARAM param1, LPARAM param2);

// ---- The DOC files' text windows: one read-only text window per DOC file,
// cascaded over the screen; closing the last of them ends the setup dialog.
inline constexpr const char* TEXT_WINDOW_CLASS = "ShowTextWindow";
constexpr int TEXT_EDIT_ID = 257;
inline constexpr const char* TEXT_FONT = "8.Courier";

// Opens a text window for each DOC file (doc_files, in the current directory)
// that can be read; returns how many windows were opened.
int show_doc_files();

// Creates one text window titled `title` showing `text`; null when it could not be made.
HWND open_text_window(const char* text, const char* title);

LRESULT CALLBACK text_window_proc(HWND window, UINT message, WPARAM param1, LPARAM param2);
