// finish_output_file, dos_time_to_file_time and map_host_attributes.
#include "hostfs/file_finish.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "hostfs_fixture.h"
#include "support/zip_writer.h"
#include "support/expect_text.h"

namespace hostfs_test {
namespace {

// Runs its test in a time zone of its choice (restored afterwards).
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (had_)
            ::setenv("TZ", old_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

class FinishOutput : public HostFsTest {
protected:
    // An output file written and still open, as the extraction leaves it.
    void open_output(const std::string& path, int attributes) {
        G.member_name = path;
        G.out_file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(G.out_file, nullptr);
        std::fputs("member data", G.out_file);  // still in the stream's buffer
        member_.host_attributes = attributes;
    }

    tz::EngineRun finish() {
        return tz::capture_streams([] {
            finish_output_file();
            return 0;
        });
    }

    static struct stat status(const std::string& path) {
        struct stat st = {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st;
    }
};

TEST_F(FinishOutput, ModificationTimeIsTheMembersLocalTime) {
    ScopedTimeZone zone("TEV-3");  // three hours east of UTC, no daylight time
    G.local.dos_date = tz::dos_date(2001, 2, 3);
    G.local.dos_time = tz::dos_time(12, 34, 56);
    open_output("f.txt", 0x20);
    const auto r = finish();
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(G.out_file, nullptr);
    EXPECT_EQ(tz::read_text("f.txt"), "member data");
    EXPECT_EQ(status("f.txt").st_mtime, tz::local_time(2001, 2, 3, 12, 34, 56));
    EXPECT_EQ(status("f.txt").st_mtime, 981203696 - 3 * 3600);
}

TEST_F(FinishOutput, DaylightTimeOfTheMembersDate) {
    ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
    G.local.dos_date = tz::dos_date(2010, 7, 14);
    G.local.dos_time = tz::dos_time(8, 0, 2);
    open_output("summer.txt", 0x20);
    finish();
    EXPECT_EQ(status("summer.txt").st_mtime, 1279108802);  // 12:00:02 UTC
}

TEST_F(FinishOutput, AccessTimeIsLeftAlone) {
    G.local.dos_date = tz::dos_date(1999, 12, 31);
    G.local.dos_time = tz::dos_time(23, 59, 58);
    open_output("a.txt", 0x20);
    std::fflush(G.out_file);
    const timespec times[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, "a.txt", times, 0), 0);
    finish();
    EXPECT_EQ(status("a.txt").st_atime, 1000000000);
    EXPECT_EQ(status("a.txt").st_mtime, tz::local_time(1999, 12, 31, 23, 59, 58));
}

TEST_F(FinishOutput, ReadOnlyMemberEndsReadOnlyAfterItsTime) {
    G.local.dos_date = tz::dos_date(2003, 4, 5);
    G.local.dos_time = tz::dos_time(6, 7, 8);
    open_output("ro.txt", 0x21);
    const auto r = finish();
    // Setting the time needs the file writable: an error would show here.
    EXPECT_EQ(r.out + r.err, "");
    const struct stat st = status("ro.txt");
    EXPECT_EQ(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
    EXPECT_NE(st.st_mode & S_IRUSR, 0u);
    EXPECT_EQ(st.st_mtime, tz::local_time(2003, 4, 5, 6, 7, 8));
    EXPECT_EQ(tz::read_text("ro.txt"), "member data");
}

TEST_F(FinishOutput, WritableMemberGetsOwnerWrite) {
    G.local.dos_date = tz::dos_date(2003, 4, 5);
    G.local.dos_time = 0;
    open_output("rw.txt", 0x20 | 0x02 | 0x04);  // hidden and system mean nothing here
    ASSERT_EQ(::chmod("rw.txt", 0444), 0);
    finish();
    const struct stat st = status("rw.txt");
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    EXPECT_EQ(st.st_mode & (S_IWGRP | S_IWOTH), 0u);
}

TEST_F(FinishOutput, UnconvertibleDateKeepsTheFileTime) {
    G.local.dos_date = tz::dos_date(2001, 13, 3);  // month 13
    G.local.dos_time = tz::dos_time(1, 2, 3);
    open_output("bad.txt", 0x21);
    const time_t before = std::time(nullptr);
    const auto r = finish();
    EXPECT_EQ(r.out, "DosDateTime failed: 87\n");
    EXPECT_EQ(r.err, "");
    EXPECT_GE(status("bad.txt").st_mtime, before - 5);
    EXPECT_EQ(status("bad.txt").st_mode & S_IWUSR, 0u);  // the attributes still apply
}

TEST_F(FinishOutput, FileGoneBeforeItsTimeWasSet) {
    G.local.dos_date = tz::dos_date(2001, 2, 3);
    open_output("gone.txt", 0x20);
    ASSERT_EQ(std::remove("gone.txt"), 0);
    const auto r = finish();
    EXPECT_EQ(r.err, "\nCreateFile error 2 when trying set file time\n"
                     "\nwarning (2): could not set file attributes\n");
    EXPECT_EQ(G.out_file, nullptr);
}

TEST_F(FinishOutput, WriteFailureAtCloseIsReported) {
    // The last buffered bytes go out at close; a full disk fails them there.
    G.local.dos_date = tz::dos_date(2001, 2, 3);
    G.member_name = "closed.txt";
    tz::write_text("closed.txt", "partial");
    G.out_file = std::fopen("/dev/full", "wb");
    ASSERT_NE(G.out_file, nullptr);
    std::fputs("lost bytes", G.out_file);
    member_.host_attributes = 0x20;
    const auto r = finish();
    EXPECT_EQ(r.err, "\nerror:  cannot finish writing closed.txt\n");
    EXPECT_EQ(G.out_file, nullptr);
}

TEST_F(FinishOutput, StandardOutputIsOnlyFlushed) {
    G.to_stdout = 1;
    G.member_name = "not-there.txt";  // no time or attribute call may touch it
    const auto r = tz::capture_streams([] {
        G.out_file = stdout;
        std::fputs("member bytes", G.out_file);
        finish_output_file();
        std::fputs(" and more", stdout);  // standard output is still open
        return G.out_file == nullptr ? 0 : 1;
    });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "member bytes and more");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(tz::file_exists("not-there.txt"));
}

TEST(HostAttributes, LowByteAndArchiveBit) {
    MemberInfo m;
    G.cur = &m;
    const struct {
        uint32_t external;
        int32_t expected;
    } cases[] = {
        {0x00, 0x20}, {0x01, 0x21}, {0x27, 0x27}, {0x10, 0x30}, {0x81A40001, 0x21}, {0xFF, 0xFF},
    };
    for (const auto& c : cases) {
        G.central.external_attributes = c.external;
        EXPECT_EQ(map_host_attributes(), 0);
        EXPECT_EQ(m.host_attributes, c.expected) << std::hex << c.external;
    }
    G.cur = nullptr;
}

TEST_F(FinishOutput, NormalBitIsNeverApplied) {
    // 0x80 is masked off; 0xA1 applies read-only (and archive).
    G.local.dos_date = tz::dos_date(2001, 2, 3);
    open_output("mask.txt", 0xA1);
    const auto r = finish();
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(status("mask.txt").st_mode & S_IWUSR, 0u);
}

}  // namespace
}  // namespace hostfs_test
