// The progress bar's drawing as plain values: a segmented bar of 10 segments of
// two cells each (20 cells, 5 percent each), filled where done, inside two 3-D
// frames. The "ProgressBar" window class (src/setup/win32) paints what this
// computes.
#pragma once

#include <array>
#include <cstdint>

#include "platform/os_layer.h"

constexpr int PROGRESS_SEGMENTS = 10;
constexpr int PROGRESS_CELLS = 2 * PROGRESS_SEGMENTS;

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
// The drawing of a bar whose window rectangle is `window` showing `percent`
// (above 100: a full bar).
ProgressPaint progress_paint(const OS_RECT& window, uint32_t percent);
