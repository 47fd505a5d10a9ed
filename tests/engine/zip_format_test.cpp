// The format's decoders on edge values: the blocks of damaged extra fields, the
// Zip64 values that replace saturated header fields, and DOS dates.
#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/zip_format.h"
#include "support/zip_writer.h"

namespace {

using tz::Bytes;

Bytes block(uint16_t id, const Bytes& data) {
    Bytes b = {static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(data.size()),
               static_cast<uint8_t>(data.size() >> 8)};
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes le64(uint64_t v) {
    Bytes b;
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return b;
}

TEST(ExtraBlocks, WholeBlocksUpToTheFirstDamagedOne) {
    using Seen = std::vector<std::pair<uint16_t, size_t>>;  // id, data size
    const struct {
        const char* what;
        Bytes field;
        Seen blocks;
    } cases[] = {
        {"empty", {}, {}},
        {"one", block(0x5455, {1, 2, 3, 4, 5}), {{0x5455, 5}}},
        {"empty block between", block(7, {}) + block(1, Bytes(8)), {{7, 0}, {1, 8}}},
        {"header cut", block(7, {9}) + Bytes{0x01, 0x00, 0x08}, {{7, 1}}},
        {"data running past the end", block(7, {9}) + block(1, Bytes(8)) + Bytes{0x55, 0x54, 0x03, 0x00, 1},
         {{7, 1}, {1, 8}}},
        {"size of the whole field and more", Bytes{0x01, 0x00, 0xFF, 0xFF, 0, 0, 0, 0}, {}},
    };
    for (const auto& c : cases) {
        Seen seen;
        for (const ExtraBlock& b : ExtraBlocks(c.field)) seen.emplace_back(b.id, b.data.size());
        EXPECT_EQ(c.blocks, seen) << c.what;
    }
    const Bytes twice = block(1, {1}) + block(2, {2, 2}) + block(2, {3});
    ASSERT_TRUE(find_extra_block(twice, 2));
    EXPECT_EQ(Bytes({2, 2}), Bytes(find_extra_block(twice, 2)->begin(), find_extra_block(twice, 2)->end()));
    EXPECT_FALSE(find_extra_block(twice, 9));
}

TEST(Zip64Values, TakeTheSaturatedFieldsInTheirOrder) {
    constexpr uint64_t S = SATURATED_32;
    const struct {
        const char* what;
        uint64_t unpacked, packed, offset;  // as the header states them
        uint32_t disk;
        Bytes field;
        uint64_t want_unpacked, want_packed, want_offset;
        uint32_t want_disk;
    } cases[] = {
        {"all three and the disk", S, S, S, SATURATED_16,
         block(EXTRA_ZIP64, le64(1) + le64(2) + le64(3) + Bytes{4, 0, 0, 0}), 1, 2, 3, 4},
        {"the offset alone takes the first value", 10, 20, S, 0, block(EXTRA_ZIP64, le64(1ull << 40)), 10, 20,
         1ull << 40, 0},
        {"a field too short keeps what is saturated", S, S, 5, 0, block(EXTRA_ZIP64, le64(7) + Bytes(7)), 7, S, 5,
         0},
        {"no Zip64 block", S, S, S, 0, block(0x5455, le64(7)), S, S, S, 0},
        {"after another block", S, 20, 30, 0, block(0x5455, {1}) + block(EXTRA_ZIP64, le64(9)), 9, 20, 30, 0},
    };
    for (const auto& c : cases) {
        CentralHeader h;
        h.unpacked_size = c.unpacked;
        h.packed_size = c.packed;
        h.local_header_offset = c.offset;
        h.start_disk = c.disk;
        widen_central_header(h, c.field);
        EXPECT_EQ(c.want_unpacked, h.unpacked_size) << c.what;
        EXPECT_EQ(c.want_packed, h.packed_size) << c.what;
        EXPECT_EQ(c.want_offset, h.local_header_offset) << c.what;
        EXPECT_EQ(c.want_disk, h.start_disk) << c.what;
    }
}

TEST(DosDate, FieldsAsStoredIncludingDamagedOnes) {
    const struct {
        uint16_t date, time;
        DosDateTime want;
    } cases[] = {
        {tz::dos_date(2026, 12, 8), tz::dos_time(10, 20, 30), {2026, 12, 8, 10, 20, 30}},
        {0x0000, 0x0000, {1980, 0, 0, 0, 0, 0}},
        {0xFFFF, 0xFFFF, {2107, 15, 31, 31, 63, 62}},
        {tz::dos_date(2000, 2, 29), tz::dos_time(23, 59, 59), {2000, 2, 29, 23, 59, 58}},
    };
    for (const auto& c : cases) {
        const DosDateTime t = decode_dos_date(c.date, c.time);
        EXPECT_EQ((std::vector<unsigned>{c.want.year, c.want.month, c.want.day, c.want.hour, c.want.minute,
                                         c.want.second}),
                  (std::vector<unsigned>{t.year, t.month, t.day, t.hour, t.minute, t.second}))
            << std::hex << c.date << " " << c.time;
    }
}

// The exact-time blocks: which modification time wins, and damaged blocks.
TEST(ExactTimes, ModificationTimeOfTheBlocks) {
    const uint64_t unix_epoch = 116444736000000000ull;  // 1970-01-01 in 100 ns ticks since 1601
    const auto cat = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Bytes ext = tz::extended_time_block(7, {1721032207, 5, 6});
    const Bytes ntfs = tz::ntfs_time_block(unix_epoch + 17210322071234567ull, 1, 2);
    struct Case {
        Bytes field;
        std::optional<uint64_t> want;
    };
    const std::vector<Case> cases = {
        {{}, std::nullopt},
        {ext, unix_epoch + 17210322070000000ull},
        {ntfs, unix_epoch + 17210322071234567ull},
        {cat(ext, ntfs), unix_epoch + 17210322071234567ull},  // NTFS is the more precise
        {cat(ntfs, ext), unix_epoch + 17210322071234567ull},
        {tz::extended_time_block(6, {5, 6}), std::nullopt},  // no modification time
        {tz::extended_time_block(1, {}), std::nullopt},       // cut off
        {tz::extended_time_block(1, {-1}), unix_epoch - 10000000},
        {cat(tz::ntfs_time_block(0, 1, 2), ext), unix_epoch + 17210322070000000ull},  // NTFS time 0: none
        {Bytes{0x0a, 0, 4, 0, 0, 0, 0, 0}, std::nullopt},    // NTFS without times
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].want, exact_modification_time(cases[i].field)) << i;

    const ExtendedTimes t = decode_extended_times(std::span(ext).subspan(4));
    EXPECT_EQ(7, t.flags);
    EXPECT_EQ((std::optional<int64_t>(5)), t.accessed);
    EXPECT_EQ((std::optional<int64_t>(6)), t.created);
    const ExtendedTimes central = decode_extended_times(std::span(ext).subspan(4, 5));
    EXPECT_EQ((std::optional<int64_t>(1721032207)), central.modified);
    EXPECT_FALSE(central.accessed) << "a central copy holds the modification time only";
}

TEST(ExactTimes, CalendarDates) {
    struct Case {
        uint64_t ticks;
        UtcTime want;
    };
    const std::vector<Case> cases = {
        {0, {1601, 1, 1, 0, 0, 0, 0}},
        {116444736000000000ull, {1970, 1, 1, 0, 0, 0, 0}},
        {unix_to_file_time(1721032207) + 1234567, {2024, 7, 15, 8, 30, 7, 1234567}},
        {unix_to_file_time(951782400), {2000, 2, 29, 0, 0, 0, 0}},
        {unix_to_file_time(4107542399), {2100, 2, 28, 23, 59, 59, 0}},
        {unix_to_file_time(-2147483648LL), {1901, 12, 13, 20, 45, 52, 0}},
    };
    for (const Case& c : cases) {
        const UtcTime t = utc_from_file_time(c.ticks);
        EXPECT_EQ(c.want.year, t.year) << c.ticks;
        EXPECT_EQ((std::vector<unsigned>{c.want.month, c.want.day, c.want.hour, c.want.minute, c.want.second,
                                         c.want.ticks}),
                  (std::vector<unsigned>{t.month, t.day, t.hour, t.minute, t.second, t.ticks}))
            << c.ticks;
    }
}

}  // namespace
