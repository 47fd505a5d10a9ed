// What the setup's windows compute: the progress bar's cells and the DOC
// files' text windows (their cascade and the text each shows).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/os_layer.h"
#include "setup/progress_bar.h"
#include "setup/text_viewer.h"
#include "support/engine_run.h"
#include "support/run.h"

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

TEST(TextWindows, CascadeOverThreeQuartersOfTheScreen) {
    // Each window one step (title bar 20 + border 4) right and down (y grows upwards).
    const struct {
        int n;
        OS_POSITION place;
    } cases[] = {{1, {24, 168, 768, 576}}, {2, {48, 144, 768, 576}}, {8, {192, 0, 768, 576}}};
    for (const auto& c : cases) {
        const OS_POSITION p = text_window_place(c.n, 1024, 768, 24);
        EXPECT_EQ((std::vector<int32_t>{p.x, p.y, p.cx, p.cy}),
                  (std::vector<int32_t>{c.place.x, c.place.y, c.place.cx, c.place.cy}))
            << c.n;
    }
}

TEST(TextWindows, ADocFileShowsAtMostItsFirst16384Bytes) {
    tz::TempDir dir;
    tz::ScopedCwd cwd(dir.path());
    tz::write_text(dir / "DEVELOP.DOC", std::string(16384, 'x') + "beyond");
    tz::write_text(dir / "README.DOC", "read me\r\n");
    std::string text = "left over";
    ASSERT_TRUE(read_doc_text("DEVELOP.DOC", text));
    EXPECT_EQ(text, std::string(16384, 'x'));
    ASSERT_TRUE(read_doc_text("README.DOC", text));
    EXPECT_EQ(text, "read me\r\n");  // as read, no conversion
    EXPECT_FALSE(read_doc_text("MISSING.DOC", text));
}

}  // namespace
