#include "setup/progress_bar.h"

ProgressPaint progress_paint(const OS_RECT& window, uint32_t percent) {
    ProgressPaint p;
    const int32_t segment = (window.right - window.left - 6) / PROGRESS_SEGMENTS;
    const int32_t cell = (segment - 1) / 2;
    // Below 16 pixels there is no segment to draw; a bar too low for its frames
    // has no inside. Neither draws anything.
    if (segment < 1) return p;
    OS_RECT r{window.left, window.bottom, window.left + PROGRESS_SEGMENTS * segment + 5, window.top};
    p.outer_frame = r;
    r = OS_RECT{r.left + 1, r.bottom + 1, r.right - 1, r.top - 1};
    p.inner_frame = r;
    r = OS_RECT{r.left + 2, r.bottom + 2, r.right - 2, r.top - 2};
    if (r.top <= r.bottom || p.inner_frame.top <= p.inner_frame.bottom) return p;
    p.frames = true;
    if (cell < 1) return p;
    p.cells = true;
    p.bottom = r.bottom;
    p.top = r.top;
    const uint32_t filled = percent / 5;
    for (int i = 0; i < PROGRESS_CELLS; ++i) {
        ProgressCell& c = p.cell[i];
        c.left = (i / 2) * segment + r.left + (i % 2) * cell;
        c.right = c.left + cell;
        c.filled = static_cast<uint32_t>(i) < filled;
    }
    return p;
}
