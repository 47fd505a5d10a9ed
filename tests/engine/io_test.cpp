// Engine I/O services: CRC-32, the little-endian readers and bit masks, and
// write_out with its line-end conversion and the disk-full question.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "engine/io.h"
#include "engine_test_util.h"

namespace {

uint32_t crc_of(const std::string& s) {
    return crc32_of(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(Crc32, KnownAnswers) {
    EXPECT_EQ(0xCBF43926u, crc_of("123456789"));
    EXPECT_EQ(0x00000000u, crc_of(""));
    EXPECT_EQ(0xE8B7BE43u, crc_of("a"));
    EXPECT_EQ(0xD202EF8Du, crc_of(std::string(1, '\0')));
    EXPECT_EQ(0x414FA339u, crc_of("The quick brown fox jumps over the lazy dog"));
    EXPECT_EQ(0x00000000u, crc_table[0]);
    EXPECT_EQ(0x77073096u, crc_table[1]);
    EXPECT_EQ(0xEDB88320u, crc_table[128]);
    EXPECT_EQ(0x2D02EF8Du, crc_table[255]);
}

TEST(Crc32, RegisterCarriesAcrossBlocks) {
    const std::string text = "123456789";
    uint32_t reg = 0xFFFFFFFFu;
    for (char c : text) reg = crc32_update(reg, reinterpret_cast<const uint8_t*>(&c), 1);
    EXPECT_EQ(0xCBF43926u, reg ^ 0xFFFFFFFFu);
}

TEST(LittleEndian, ReadersAndMasks) {
    const uint8_t b[4] = {0x01, 0x82, 0xF3, 0xFF};
    EXPECT_EQ(0x8201u, get_u16le(b));
    EXPECT_EQ(0xFFF38201u, get_u32le(b));
    EXPECT_EQ(0x0000u, low_bit_masks[0]);
    EXPECT_EQ(0x0001u, low_bit_masks[1]);
    EXPECT_EQ(0x0003u, low_bit_masks[2]);
    EXPECT_EQ(0x7FFFu, low_bit_masks[15]);
    EXPECT_EQ(0xFFFFu, low_bit_masks[16]);
}

// ---- write_out

class WriteOut : public ::testing::Test {
protected:
    void SetUp() override {
        G.convert_buf.assign(CONVERT_BUF_SIZE, 0);
        G.test_only = 0;
        G.to_stdout = 0;
        G.disk_full_state = 0;
        G.answer_buf.fill('\0');
        member_.convert_text = false;
        G.crlf_line_ends = true;  // the CR LF form; LocalLineEnds tries both
        G.cur = &member_;
        G.member_name = "docs/readme.txt";
        begin_member_output();
    }
    void TearDown() override {
        G.crlf_line_ends = LOCAL_CRLF_LINE_ENDS;
        if (G.out_file) std::fclose(G.out_file);
        G.out_file = nullptr;
        G.cur = nullptr;
        G.convert_buf = std::vector<uint8_t>();
        G.unshrink_buffer = std::vector<uint8_t>();
    }
    void open_output() {
        path_ = dir_ / "out";
        G.out_file = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(nullptr, G.out_file);
    }
    std::string finish() {
        std::fclose(G.out_file);
        G.out_file = nullptr;
        return tz::read_text(path_);
    }
    int put(const std::string& block, int from_unshrink = 0) {
        return write_out(reinterpret_cast<const uint8_t*>(block.data()),
                         static_cast<uint32_t>(block.size()), from_unshrink);
    }
    // Writes `blocks` one after the other with conversion and returns the file.
    std::string converted(const std::vector<std::string>& blocks) {
        member_.convert_text = true;
        begin_member_output();
        open_output();
        for (const std::string& b : blocks) EXPECT_EQ(0, put(b));
        return finish();
    }
    tz::TempDir dir_;
    std::string path_;
    MemberInfo member_;
};

TEST_F(WriteOut, PlainBlocksAreWrittenAsTheyAre) {
    open_output();
    std::string data;
    for (int i = 0; i < 256; ++i) data += static_cast<char>(i);
    EXPECT_EQ(0, put(data));
    EXPECT_EQ(0, put("\r\n"));
    EXPECT_EQ(0, put(""));
    EXPECT_EQ(data + "\r\n", finish());
    EXPECT_EQ(crc_of(data + "\r\n"), G.running_crc ^ 0xFFFFFFFFu);
}

TEST_F(WriteOut, LineEndsBecomeCrLf) {
    EXPECT_EQ(std::string("a\r\nb\r\nc\r\nd"), converted({std::string("a\rb\nc\r\nd")}));
    EXPECT_EQ("\r\n\r\n\r\n", converted({"\n\r\r\n"}));
    // The CRC is the one of the member's data, not of the converted bytes.
    EXPECT_EQ(crc_of("\n\r\r\n"), G.running_crc ^ 0xFFFFFFFFu);
    EXPECT_EQ("x\r\n\r\ny", converted({"x\n\ny"}));
    EXPECT_EQ("", converted({""}));
}

TEST_F(WriteOut, LocalLineEnds) {
    G.crlf_line_ends = false;
    EXPECT_EQ("a\nb\nc\n\nd\n", converted({"a\rb\nc\r\n\r", "\nd\n"}));
    EXPECT_EQ("a\n\nb", converted({"a\r", "\rb"}));
#ifdef _WIN32
    EXPECT_TRUE(LOCAL_CRLF_LINE_ENDS);
#else
    EXPECT_FALSE(LOCAL_CRLF_LINE_ENDS);
#endif
}

TEST_F(WriteOut, CrLfSplitBetweenBlocksGivesOneLineEnd) {
    EXPECT_EQ("a\r\nb", converted({"a\r", "\nb"}));
    EXPECT_EQ("a\r\n", converted({"a\r", "\n"}));
    // A carriage return ending a block followed by another carriage return: two line ends.
    EXPECT_EQ("a\r\n\r\nb", converted({"a\r", "\rb"}));
    // A line feed opening a block after an ordinary byte is its own line end.
    EXPECT_EQ("a\r\nb", converted({"a", "\nb"}));
    // The pending carriage return is forgotten after one block.
    EXPECT_EQ("\r\nx\r\n", converted({"\r", "x", "\n"}));
    // And at the start of the next member.
    EXPECT_EQ("\r\n", converted({"\r"}));
    EXPECT_EQ("\r\nz", converted({"\nz"}));
}

TEST_F(WriteOut, FullWindowBlocks) {
    // Two 32768-byte blocks whose CR and LF fall into different blocks, and a
    // block of nothing but line feeds (the converted size is twice the input).
    std::string first(32767, 'x');
    first += '\r';
    std::string second = "\n" + std::string(32767, '\n');
    const std::string got = converted({first, second});
    std::string want(32767, 'x');
    for (int i = 0; i < 32768; ++i) want += "\r\n";
    EXPECT_EQ(want.size(), got.size());
    EXPECT_TRUE(want == got);
    EXPECT_EQ(crc_of(first + second), G.running_crc ^ 0xFFFFFFFFu);
}

TEST_F(WriteOut, UnshrinkBlocksUseTheirOwnTarget) {
    G.unshrink_buffer.assign(UNSHRINK_BUF_SIZE, 0);
    member_.convert_text = true;
    begin_member_output();
    open_output();
    const std::string block(65536, '\n');
    EXPECT_EQ(0, put(block, 1));
    const std::string got = finish();
    EXPECT_EQ(131072u, got.size());
    EXPECT_EQ(std::string::npos, got.find_first_not_of("\r\n"));
    EXPECT_EQ("\r\n\r\n", got.substr(got.size() - 4));
}

TEST_F(WriteOut, TestModeWritesNothingButKeepsTheCrc) {
    open_output();
    G.test_only = 1;
    EXPECT_EQ(0, put("123"));
    EXPECT_EQ(0, put("456789"));
    G.test_only = 0;
    EXPECT_EQ("", finish());
    EXPECT_EQ(0xCBF43926u, G.running_crc ^ 0xFFFFFFFFu);
}

// The disk-full question: /dev/full fails every write with "no space".
class DiskFull : public WriteOut {
protected:
    void SetUp() override {
        WriteOut::SetUp();
        G.out_file = std::fopen("/dev/full", "wb");
        if (!G.out_file) GTEST_SKIP() << "no /dev/full";
    }
    const std::string question =
        "\ndocs/readme.txt:  write error (disk full?).  Continue? (y/n/^C) ";
};

TEST_F(DiskFull, AnswerNoStopsTheMember) {
    const auto r = tz::capture_streams(
        [&] {
            const int first = put("data");
            const int again = put("more");   // no second question
            return first * 100 + again;
        },
        "n\n");
    EXPECT_EQ(50 * 100 + 50, r.code);
    EXPECT_EQ(question, r.err);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(2, G.disk_full_state);
    EXPECT_EQ(crc_of("datamore"), G.running_crc ^ 0xFFFFFFFFu) << "the CRC still follows";
}

TEST_F(DiskFull, AnswerYesGoesOnWithoutWriting) {
    const auto r = tz::capture_streams([&] { return put("data"); }, "yes please, go on\n");
    EXPECT_EQ(50, r.code);
    EXPECT_EQ(question, r.err);
    EXPECT_EQ(1, G.disk_full_state);
    EXPECT_EQ(std::string("yes plea"), std::string(G.answer_buf.data())) << "8 characters kept";
    EXPECT_EQ(50, tz::capture_streams([&] { return put("x"); }).code);
}

TEST_F(DiskFull, ConvertedTextAsksToo) {
    member_.convert_text = true;
    const auto r = tz::capture_streams([&] { return put("line\n"); }, "n\n");
    EXPECT_EQ(50, r.code);
    EXPECT_EQ(question, r.err);
    EXPECT_EQ(2, G.disk_full_state);
}

TEST_F(DiskFull, NothingToReadKeepsThePreviousAnswer) {
    auto r = tz::capture_streams([&] { return put("data"); }, "");
    EXPECT_EQ(50, r.code);
    EXPECT_EQ(2, G.disk_full_state) << "an empty answer is no";

    G.disk_full_state = 0;
    G.answer_buf[0] = 'y';
    G.answer_buf[1] = '\0';
    r = tz::capture_streams([&] { return put("data"); }, "");
    EXPECT_EQ(1, G.disk_full_state);
}

TEST_F(DiskFull, StandardOutputThatTakesNothingMoreStopsTheRun) {
    G.to_stdout = 1;
    G.member_name = "m.txt";
    G.packed_left = 1000;
    const auto r = tz::capture_streams([&] { return put("data"); }, "n\n");
    EXPECT_EQ(50, r.code);
    EXPECT_EQ("\nerror:  cannot write m.txt to standard output\n", r.err);
    EXPECT_EQ(2, G.disk_full_state);
    EXPECT_EQ(0, G.packed_left) << "the member's input is cut off: the method ends at once";
}

}  // namespace
