// The "ProgressBar" window class: a segmented bar of 10 segments of two cells
// each (20 cells, 5 percent each), drawn in the highlight colour where done and
// in a grey checkerboard (bitmap 2) where not, inside two 3-D frames. The
// percentage lives in the window's extra bytes at offset 0.
#pragma once

#include <array>
#include <cstdint>

#include "platform/os_layer.h"
#include "platform/win32_gui.h"
#include "setup/install_ui.h"  // PB_SETPERCENT: the percentage (first parameter; above 100 a full bar)

inline constexpr const char* PROGRESS_BAR_CLASS = "ProgressBar";
// Accepted and ignored.
constexpr UINT PB_RESERVED = 0x401;
// Resource id of the checkerboard bitmap of the empty cells.
constexpr int CHECKER_BITMAP_ID = 2;
// Shown in place of the checkerboard when bitmap 2 cannot be loaded.
constexpr COLORREF EMPTY_CELL_GREY = 0x808080;

constexpr int PROGRESS_SEGMENTS = 10;
constexpr int PROGRESS_CELLS = 2 * PROGRESS_SEGMENTS;

// Registers a window class of the program: the given style and procedure, 4
// window extra bytes, the icon `icon_id` (icon 1 when that cannot be loaded),
// the arrow cursor, the light-grey background. The class atom, 0 on failure
// (also when the class exists already).
ATOM register_window_type(const char* class_name, WNDPROC procedure, UINT class_style, int icon_id);

// What one paint of a bar draws, in the window's coordinates (y upwards).
struct ProgressCell {
    int32_t left = 0, right = 0;
    bool filled = false;
};
struct ProgressPaint {
    bool frames = false;  // false: the bar is too small, nothing is drawn
    OS_RECT outer_frame;  // first frame (recessed)
    OS_RECT inner_frame;  // second frame (raised), one pixel inside
    bool cells = false;   // false: no room for the cells
    int32_t bottom = 0, top = 0;  // of every cell
    std::array<ProgressCell, PROGRESS_CELLS> cell{};
};
// The drawing of a bar whose window rectangle is `window` showing `percent`.
ProgressPaint progress_paint(const OS_RECT& window, uint32_t percent);

LRESULT CALLBACK progress_bar_proc(HWND window, UINT message, WPARAM param1, LPARAM param2);
