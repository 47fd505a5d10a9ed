// Archive input: the read-ahead layer answers every read and seek as the file
// itself would, and runs taken with take_input leave the same bytes and the same
// block state as next_byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/globals.h"
#include "engine/io.h"
#include "engine/read_ahead.h"
#include "support/method_harness.h"
#include "support/run.h"
#include "support/sample_data.h"
#include "support/zip_writer.h"

namespace {

using tz::Bytes;

// ---- The read-ahead layer

class ReadAheadLayer : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = tz::sample_data(tz::SampleKind::random, 3 * READ_AHEAD_SIZE + 777, 4);
        name_ = dir_ / "archive.bin";
        tz::write_file(name_, file_);
        G.input_buf.assign(INPUT_BUF_SIZE + INPUT_SPARE, 0);
        G.input_held = 0;
        open(name_);
    }
    void TearDown() override {
        close_archive();
        G.archive_name = nullptr;
    }
    void open(std::string& name) {
        G.archive_name = name.data();
        ASSERT_EQ(0, open_archive());
    }
    // One read (or view) at the position, checked against the file's bytes.
    void read_and_check(int64_t& pos, long count, bool view) {
        const long available = std::clamp<long>(static_cast<long>(file_.size()) - static_cast<long>(pos), 0, count);
        Bytes got(static_cast<size_t>(count));
        long n;
        if (view) {
            const uint8_t* data = nullptr;
            n = archive_view(&data, count);
            // A view may stop at the buffer's end, but never returns nothing early.
            ASSERT_LE(n, available);
            ASSERT_EQ(available > 0, n > 0);
            if (n > 0) std::copy(data, data + n, got.begin());
        } else {
            n = archive_read(got.data(), count);
            ASSERT_EQ(available, n) << "at " << pos;
        }
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + n, file_.begin() + pos)) << "at " << pos;
        pos += n;
        ASSERT_EQ(pos, archive_position());
    }
    tz::TempDir dir_;
    std::string name_;
    Bytes file_;
};

struct Step {
    int64_t seek;  // -1: read on from where the last step ended
    long count;
    bool view;
};

TEST_F(ReadAheadLayer, ReadsAndSeeksGiveTheFilesBytes) {
    const int64_t size = static_cast<int64_t>(file_.size());
    const int64_t last_block = size - size % INPUT_BUF_SIZE;
    std::vector<std::pair<std::string, std::vector<Step>>> scripts;

    std::vector<Step> in_order = {{0, INPUT_BUF_SIZE, false}};
    for (int64_t at = INPUT_BUF_SIZE; at < size + 3 * INPUT_BUF_SIZE; at += INPUT_BUF_SIZE)
        in_order.push_back({-1, INPUT_BUF_SIZE, false});
    scripts.emplace_back("blocks in order, past the end", in_order);

    // The end-record search: the tail, then whole blocks going back.
    std::vector<Step> backwards = {{last_block, static_cast<long>(size - last_block), false}};
    for (int64_t at = last_block - INPUT_BUF_SIZE; at >= 0; at -= INPUT_BUF_SIZE)
        backwards.push_back({at, INPUT_BUF_SIZE, false});
    scripts.emplace_back("blocks going back", backwards);

    scripts.emplace_back("odd positions and lengths",
                         std::vector<Step>{{5, 20, false},
                                           {-1, 4000, false},
                                           {READ_AHEAD_SIZE - 2, 10, false},  // across the buffer's end
                                           {-1, 3, false},
                                           {1, 2 * READ_AHEAD_SIZE + 1, false},  // more than the buffer
                                           {size - 3, 10, false},
                                           {-1, 10, false},
                                           {size + 100, 10, false},
                                           {0, 1, false}});

    std::vector<Step> views = {{INPUT_BUF_SIZE, 100, false}};
    for (int i = 0; i < 12; ++i) views.push_back({-1, READ_AHEAD_SIZE, true});
    views.push_back({INPUT_BUF_SIZE * 3 + 1, READ_AHEAD_SIZE, true});
    views.push_back({-1, 5, false});
    scripts.emplace_back("views", views);

    for (const auto& [what, steps] : scripts) {
        SCOPED_TRACE(what);
        close_archive();
        open(name_);
        int64_t pos = 0;
        for (const Step& s : steps) {
            if (s.seek >= 0) {
                ASSERT_EQ(s.seek, archive_seek(s.seek));
                pos = s.seek;
            }
            read_and_check(pos, s.count, s.view);
        }
    }
}

TEST_F(ReadAheadLayer, ReadingOnFillsTheWholeBuffer) {
    int64_t pos = 0;
    archive_seek(0);
    for (int i = 0; i < 2 * READ_AHEAD_SIZE / INPUT_BUF_SIZE; ++i) read_and_check(pos, INPUT_BUF_SIZE, false);
    EXPECT_EQ(READ_AHEAD_SIZE, G.ahead.held) << "blocks read in order come from reads of the buffer's size";
}

TEST_F(ReadAheadLayer, ReadErrorsAreReportedEveryTime) {
    close_archive();
    std::string folder = dir_.path();  // reading a folder fails
    open(folder);
    uint8_t b[INPUT_BUF_SIZE];
    const uint8_t* data = nullptr;
    EXPECT_EQ(-1, archive_read(b, INPUT_BUF_SIZE));
    EXPECT_EQ(-1, archive_read(b, INPUT_BUF_SIZE));
    EXPECT_EQ(-1, archive_view(&data, READ_AHEAD_SIZE));
    EXPECT_EQ(ENG_EARLY_EOF, position_input(0));
}

// ---- take_input against next_byte

// What a reader leaves behind: its bytes and the block state.
struct InputState {
    Bytes taken;
    int64_t buf_offset = 0;
    int32_t held = 0;
    int32_t left = 0;
    long pos_in_buf = 0;
    int64_t packed_left = 0;
    Bytes block;

    bool operator==(const InputState&) const = default;
};

InputState state_after(Bytes taken) {
    InputState s;
    s.taken = std::move(taken);
    s.buf_offset = G.input_buf_offset;
    s.held = G.input_held;
    s.left = G.input_left;
    s.pos_in_buf = static_cast<long>(G.input_pos - G.input_buf.data());
    s.packed_left = G.packed_left;
    s.block.assign(G.input_buf.begin(), G.input_buf.begin() + std::max(G.input_held, 0));
    return s;
}

TEST(TakeInput, RunsLeaveWhatNextByteLeaves) {
    struct Case {
        const char* what;
        size_t leading;
        size_t data;
        size_t trailing;
        int64_t packed;  // the compressed size the member declares
    };
    const Case cases[] = {
        {"a long member from a block's start", 0, 300000, 64, 300000},
        {"a long member from inside a block", 1000, 300000, 64, 300000},
        {"a short member across one block boundary", 2047, 5000, 64, 5000},
        {"a member running past the archive's end", 3000, 400000, 64, 500000},
        {"data ending with the archive on a block boundary", 0, 2048 * 70, 0, 2048 * 80},
        {"a member inside one block", 100, 10, 64, 10},
    };
    const long maxima[] = {1, 100, 2048, 5000, READ_AHEAD_SIZE, 1 << 20};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes data = tz::sample_data(tz::SampleKind::random, c.data, 7);
        tz::MethodSetup setup;
        setup.leading_bytes = c.leading;
        setup.trailing_bytes = c.trailing;
        InputState by_bytes, by_runs;
        tz::run_method(
            [&] {
                G.packed_left = c.packed;
                Bytes taken;
                for (int64_t i = 0; i < c.packed; ++i) {
                    const int b = next_byte();
                    if (b < 0) break;
                    taken.push_back(static_cast<uint8_t>(b));
                }
                by_bytes = state_after(std::move(taken));
                return 0;
            },
            data, setup);
        for (bool mixed : {false, true}) {
            tz::run_method(
                [&] {
                    G.packed_left = c.packed;
                    Bytes taken;
                    const uint8_t* run = nullptr;
                    long n;
                    for (size_t k = 0; (n = take_input(&run, mixed ? maxima[k % 6] : READ_AHEAD_SIZE)) > 0; ++k)
                        taken.insert(taken.end(), run, run + n);
                    by_runs = state_after(std::move(taken));
                    return 0;
                },
                data, setup);
            EXPECT_EQ(by_bytes.taken.size(), by_runs.taken.size()) << "mixed " << mixed;
            EXPECT_TRUE(by_bytes == by_runs) << "mixed " << mixed << ": block at " << by_bytes.buf_offset << "/"
                                             << by_runs.buf_offset << ", left " << by_bytes.left << "/"
                                             << by_runs.left << ", packed_left " << by_bytes.packed_left << "/"
                                             << by_runs.packed_left;
        }
    }
}

}  // namespace
