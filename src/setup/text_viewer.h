// The DOC-file viewer: one read-only text window per DOC file, cascaded over
// the screen; closing the last of them ends the setup dialog.
#pragma once

#include <cstddef>

#include "platform/win32_gui.h"

inline constexpr const char* TEXT_WINDOW_CLASS = "ShowTextWindow";
constexpr int TEXT_EDIT_ID = 257;
inline constexpr const char* TEXT_FONT = "8.Courier";
// The most bytes of a DOC file shown.
constexpr size_t DOC_READ_SIZE = 16384;

// Opens a text window for each DOC file (doc_files, in the current directory)
// that can be read; returns how many windows were opened.
int show_doc_files();

// Creates one text window titled `title` showing `text`; null when it could not be made.
HWND open_text_window(const char* text, const char* title);

// Text windows open now.
int open_text_windows();

LRESULT CALLBACK text_window_proc(HWND window, UINT message, WPARAM param1, LPARAM param2);
