// The progress bar (cell arithmetic, messages, painting) and the DOC viewer's
// text windows (cascade, the edit that fills the client area, the read limit,
// the end of the setup with the last window).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/os_layer.h"
#include "platform/posix/os_script.h"
#include "setup/dialog.h"
#include "setup/dialog_layout.h"
#include "setup/progress_bar.h"
#include "setup/setup_state.h"
#include "setup/text_viewer.h"
#include "support/engine_run.h"
#include "support/setup_env.h"

namespace {

// The setup dialog's bar: 394 by 16 dialog units are 591 by 26 pixels.
constexpr OS_RECT DIALOG_BAR{0, 0, 591, 26};

int filled_cells(const ProgressPaint& p) {
    int n = 0;
    for (const ProgressCell& c : p.cell) n += c.filled ? 1 : 0;
    return n;
}

bool same(const OS_RECT& a, const OS_RECT& b) {
    return a.left == b.left && a.bottom == b.bottom && a.right == b.right && a.top == b.top;
}

TEST(ProgressCells, FiveInEveryCellAndAFullBarAbove100) {
    const struct {
        uint32_t percent;
        int filled;
    } cases[] = {{0, 0}, {4, 0}, {5, 1}, {99, 19}, {100, 20}, {150, 20}};
    for (const auto& c : cases) EXPECT_EQ(filled_cells(progress_paint(DIALOG_BAR, c.percent)), c.filled) << c.percent;

    // Segments of 58 pixels, cells of 28, inside two frames and a margin of 2.
    const ProgressPaint p = progress_paint(DIALOG_BAR, 0);
    ASSERT_TRUE(p.frames && p.cells);
    EXPECT_TRUE(same(p.outer_frame, OS_RECT{0, 0, 585, 26}));
    EXPECT_TRUE(same(p.inner_frame, OS_RECT{1, 1, 584, 25}));
    EXPECT_EQ(p.bottom, 3);
    EXPECT_EQ(p.top, 23);
    const std::vector<std::pair<int32_t, int32_t>> expected = {{3, 31}, {31, 59}, {61, 89}, {525, 553}, {553, 581}};
    const int cells[] = {0, 1, 2, 18, 19};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(p.cell[cells[i]].left, expected[i].first) << cells[i];
        EXPECT_EQ(p.cell[cells[i]].right, expected[i].second) << cells[i];
    }
}

TEST(ProgressCells, TooSmallBarsDrawNothingWrong) {
    const struct {
        int32_t width, height;
        bool frames, cells;
    } cases[] = {{0, 26, false, false},  {5, 26, false, false}, {15, 26, false, false},
                 {16, 26, true, false},  {35, 26, true, false}, {36, 26, true, true},
                 {591, 6, false, false}, {591, 7, true, true}};
    for (const auto& c : cases) {
        const ProgressPaint p = progress_paint(OS_RECT{0, 0, c.width, c.height}, 100);
        EXPECT_EQ(p.frames, c.frames) << c.width << "x" << c.height;
        EXPECT_EQ(p.cells, c.cells) << c.width << "x" << c.height;
        if (p.cells) {
            for (const ProgressCell& cell : p.cell) EXPECT_GT(cell.right, cell.left);
        }
    }
}

class Windows : public ::testing::Test {
protected:
    tz::SetupEnv env;
    HWIN dialog = nullptr;

    void SetUp() override {
        load_dialog_templates();
        register_window_type(PROGRESS_BAR_CLASS, progress_bar_proc, 0, 0);
        dialog = os_LoadDlg(nullptr, nullptr, setup_dialog_proc, 0, DIALOG_RESOURCE_BASE, nullptr);
        ASSERT_NE(dialog, nullptr);
        S.dialog = dialog;
    }
    void TearDown() override {
        for (HWIN w : os_script_windows_of_class(TEXT_WINDOW_CLASS)) os_DestroyWindow(w);
    }
};

TEST_F(Windows, ProgressBarKeepsItsPercentageAndPaintsItsCells) {
    const auto bar = static_cast<HWND>(os_SubWin(dialog, ID_PROGRESS_BAR));
    ASSERT_EQ(os_script_window(bar).class_name, PROGRESS_BAR_CLASS);
    os_script_set_sys_value(OS_SV_HIGHLIGHT_COLOUR, 0x00D77800);
    const int objects = os_script_gdi_objects();
    const int invalidated = os_script_window(bar).invalidations;

    EXPECT_EQ(SendMessageA(bar, PB_SETPERCENT, 55, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PB_RESERVED, 0, 0x320000), 0);
    EXPECT_EQ(GetWindowLongA(bar, 0), 55);
    EXPECT_EQ(os_script_window(bar).invalidations, invalidated + 1);

    OsPaintLog paint = os_script_paint(bar);
    EXPECT_TRUE(paint.began && paint.ended);
    ASSERT_EQ(paint.frames.size(), 2u);
    EXPECT_TRUE(same(paint.frames[0].rect, OS_RECT{0, 0, 585, 26}));
    EXPECT_EQ(paint.frames[0].style, OS_FRAME_RECESSED);
    EXPECT_EQ(paint.frames[1].style, OS_FRAME_RAISED);
    ASSERT_EQ(paint.fills.size(), 20u);
    for (size_t i = 0; i < 20; ++i) {
        const OsFill& f = paint.fills[i];
        EXPECT_EQ(f.top, 3);
        EXPECT_EQ(f.bottom, 23);
        if (i < 11) {
            EXPECT_EQ(f.kind, OsBrushKind::solid) << i;
            EXPECT_EQ(f.colour, 0x00D77800u);
        } else {
            EXPECT_EQ(f.kind, OsBrushKind::pattern) << i;
            EXPECT_EQ(f.bitmap, CHECKER_BITMAP_ID);
        }
    }
    EXPECT_EQ(os_script_gdi_objects(), objects);  // brushes and bitmap deleted

    // Without bitmap 2 the empty cells are plain grey.
    os_script_set_bitmap_missing(CHECKER_BITMAP_ID, true);
    paint = os_script_paint(bar);
    os_script_set_bitmap_missing(CHECKER_BITMAP_ID, false);
    ASSERT_EQ(paint.fills.size(), 20u);
    EXPECT_EQ(paint.fills[19].kind, OsBrushKind::solid);
    EXPECT_EQ(paint.fills[19].colour, EMPTY_CELL_GREY);
    EXPECT_EQ(os_script_gdi_objects(), objects);

    // Narrower than 16 pixels: the paint begins and ends, nothing is drawn.
    os_SetWinPos(bar, 0, 0, 0, 12, 26, OS_SWP_SIZE);
    paint = os_script_paint(bar);
    EXPECT_TRUE(paint.began && paint.ended);
    EXPECT_TRUE(paint.fills.empty() && paint.frames.empty());
}

TEST_F(Windows, DocFilesOpenCascadedAndTheLastToCloseEndsTheSetup) {
    tz::ScopedCwd cwd(env.c_drive.path());
    os_script_set_sys_value(OS_SV_TITLE_HEIGHT, 20);
    os_script_set_sys_value(OS_SV_BORDER, 4);
    tz::write_text(env.c_drive / "DEVELOP.DOC", std::string(20000, 'x'));
    tz::write_text(env.c_drive / "README.DOC", "read me\r\n");

    EXPECT_EQ(show_doc_files(), 2);
    EXPECT_EQ(open_text_windows(), 2);
    const std::vector<HWIN> windows = os_script_windows_of_class(TEXT_WINDOW_CLASS);
    ASSERT_EQ(windows.size(), 2u);
    const OsWindowInfo first = os_script_window(windows[0]), second = os_script_window(windows[1]);
    EXPECT_EQ(first.text, "DEVELOP.DOC");
    EXPECT_EQ(second.text, "README.DOC");
    EXPECT_TRUE(first.visible && second.visible);
    // Three quarters of the 1024 by 768 screen; each window one step (24) right and down.
    EXPECT_EQ(first.position.cx, 768);
    EXPECT_EQ(first.position.cy, 576);
    EXPECT_EQ(first.position.x % 24, 0);
    EXPECT_EQ(first.position.x + first.position.y, 192);
    EXPECT_EQ(second.position.x, first.position.x + 24);
    EXPECT_EQ(second.position.y, first.position.y - 24);

    // The edit shows at most 16384 bytes in Courier and fills the client area, its border outside.
    HWIN edit = os_SubWin(windows[0], TEXT_EDIT_ID);
    EXPECT_EQ(os_script_window(edit).text, std::string(16384, 'x'));
    EXPECT_EQ(os_script_window(edit).font, "8.Courier");
    EXPECT_EQ(os_script_window(edit).class_name, "EDIT");
    for (const std::pair<int32_t, int32_t>& size : {std::pair{768, 576}, std::pair{500, 300}}) {
        os_SetWinPos(windows[0], 0, 0, 0, size.first, size.second, OS_SWP_SIZE);
        OS_RECT client;
        ASSERT_TRUE(os_QueryWinClRect(windows[0], &client));
        const OS_POSITION p = os_script_window(edit).position;
        EXPECT_EQ(p.x, -1);
        EXPECT_EQ(p.y, -1);
        EXPECT_EQ(p.cx, client.right + 1);
        EXPECT_EQ(p.cy, client.top + 2);
    }

    os_script_close(windows[1]);
    EXPECT_FALSE(os_script_window(windows[1]).exists);
    EXPECT_FALSE(os_script_window(dialog).dismissed);
    os_script_close(windows[0]);
    EXPECT_EQ(open_text_windows(), 0);
    EXPECT_TRUE(os_script_window(dialog).dismissed);
}

}  // namespace
