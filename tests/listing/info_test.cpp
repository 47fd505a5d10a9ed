// The information mode in-process: what one engine run leaves for the next, and
// the bounds of the extra-field and date readers.
#include "listing/info.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/globals.h"
#include "support/engine_run.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace {

TEST(InfoRuns, FormatDoesNotCarryOverToTheNextRun) {
    tz::TempDir dir;
    tz::ScopedCwd cwd(dir.path());
    tz::Archive a;
    a.add("one", "1").made_by_host = 3;
    const size_t size = a.write("t.zip").bytes.size();

    EXPECT_EQ("one\n", tz::run_engine({"-1", "t.zip"}, "", "zipinfo").out);
    const tz::EngineRun r = tz::run_engine({"t.zip"}, "", "zipinfo");
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("Archive:  t.zip   " + std::to_string(size) + " bytes   1 file\n"
              "?---------  2.0 unx       1 b- stor  3-Feb-01 12:34 one\n"
              "1 file, 1 bytes uncompressed, 1 bytes compressed:  0.0%\n",
              r.out);
}

TEST(InfoRuns, Os2ExtendedAttributeSize) {
    const uint8_t ea[] = {0x09, 0x00, 0x04, 0x00, 0x78, 0x56, 0x34, 0x12, 0xEE};
    EXPECT_EQ(0x12345678u, os2_ea_size(ea, 8));
    EXPECT_EQ(0u, os2_ea_size(ea, 7)) << "a field too short for the size is not read";
    const uint8_t other[] = {0x0A, 0x00, 0x04, 0x00, 0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(0u, os2_ea_size(other, 8));
    EXPECT_EQ(0u, os2_ea_size(nullptr, 0));
}

TEST(InfoRuns, MonthsOutsideTheTableHaveNoName) {
    G.info.format = INFO_SHORT;
    for (unsigned month : {0u, 13u, 14u, 15u}) {
        const uint16_t date = static_cast<uint16_t>((46u << 9) | (month << 5) | 8u);
        EXPECT_STREQ(" 8-?\?\?-26 10:20", format_member_time(date, tz::dos_time(10, 20, 30)));
    }
    EXPECT_STREQ(" 8-Dec-26 10:20", format_member_time(tz::dos_date(2026, 12, 8),
                                                       tz::dos_time(10, 20, 30)));
    G.info.format = INFO_VERBOSE;
    EXPECT_STREQ("2026 ??? 8 10:20:30",
                 format_member_time(static_cast<uint16_t>((46u << 9) | (15u << 5) | 8u),
                                    tz::dos_time(10, 20, 30)));
    EXPECT_STREQ("2107 Jan 1 00:00:00", format_member_time(tz::dos_date(2107, 1, 1), 0));
    G.info.format = INFO_UNCHOSEN;
}

}  // namespace
