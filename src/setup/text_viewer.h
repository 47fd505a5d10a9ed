// The DOC files' text windows as plain values: what each window shows and
// where it goes. The windows themselves are Windows code (src/setup/win32).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/os_layer.h"

// The most bytes of a DOC file shown.
constexpr size_t DOC_READ_SIZE = 16384;

// The text a DOC file's window shows: at most DOC_READ_SIZE bytes from the
// file's beginning, as read, without any conversion. False when the file
// (relative to the current directory) cannot be opened.
bool read_doc_text(const char* name, std::string& text);

// Where the n-th text window (n from 1) goes, in the layer's coordinates (y
// upwards): three quarters of the screen wide and high, each window one step
// (title bar plus border) further right and further down than the one before.
OS_POSITION text_window_place(int n, int32_t screen_width, int32_t screen_height, int32_t step);
