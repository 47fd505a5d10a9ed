// The record reader on hostile layouts, in-process: what the end-record search
// and the step over a central entry find and return. (The messages that runs
// print for the same layouts are checked through whole runs in
// directory_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/globals.h"
#include "engine/io.h"
#include "engine/zip_reader.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace {

using tz::Bytes;

// `bytes` opened as the archive of a run, as process_archive opens it.
class OpenedArchive {
public:
    explicit OpenedArchive(const Bytes& bytes) : name_(dir_ / "a.zip") {
        tz::write_file(name_, bytes);
        G.archive_name = name_.data();
        G.archive_size = static_cast<int64_t>(bytes.size());
        G.input_buf.assign(INPUT_BUF_SIZE + INPUT_SPARE, 0);
        G.input_buf_offset = -1;
        G.input_held = 0;
        G.offset_shift = 0;
        G.names_keep_case = true;
        G.cur = &member_;
        EXPECT_EQ(0, open_archive());
    }
    ~OpenedArchive() {
        close_archive();
        G.archive_name = nullptr;
        G.cur = nullptr;
    }

private:
    tz::TempDir dir_;
    std::string name_;
    MemberInfo member_;
};

tz::Archive two_members() {
    tz::Archive a;
    a.add("one.txt", "1").made_by_host = HOST_UNIX;
    a.add("two.txt", "22").made_by_host = HOST_UNIX;
    return a;
}

TEST(EndRecordSearch, HostileLayouts) {
    tz::Archive zip64 = two_members();
    zip64.zip64_end = true;
    const tz::Built wide = zip64.build();
    const size_t locator = wide.end_offset - ZIP64_LOCATOR_SIZE;
    tz::Archive shifted = zip64;
    shifted.prefix = Bytes(300, 'p');

    const auto with = [](Bytes b, size_t at, const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    const Bytes far_offset = {0, 0, 0, 0, 0, 0, 0, 0x80};  // 2^63
    const struct {
        const char* what;
        Bytes bytes;
        int code;
        int64_t end_at;  // where the end record was found
        bool zip64;
        int zip64_warning;
        uint64_t entries;
    } cases[] = {
        {"sound", two_members().build().bytes, 0, int64_t(two_members().build().end_offset), false, 0, 2},
        {"no signature", Bytes(5000, 'x'), ENG_ERROR, 0, false, 0, 0},
        {"record cut by a byte", Bytes(wide.bytes.begin(), wide.bytes.end() - 1), ENG_ERROR, 0, false, 0, 0},
        {"Zip64", wide.bytes, 0, int64_t(wide.end_offset), true, 0, 2},
        {"Zip64 after other data", shifted.build().bytes, 0, int64_t(wide.end_offset + 300), true, 0, 2},
        {"Zip64 offset near 2^63", with(wide.bytes, locator + 8, far_offset), 0, int64_t(wide.end_offset), true,
         0, 2},
        {"locator without record", with(wide.bytes, locator - ZIP64_END_SIZE, Bytes(4, 0)), 0,
         int64_t(wide.end_offset), false, ENG_WARNING, 0xFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenedArchive open(c.bytes);
        G.end = EndRecord();
        G.zip64_warning = 0;
        ASSERT_EQ(c.code, find_end_record(G.archive_size));
        if (c.code != 0) continue;
        EXPECT_EQ(c.end_at, G.end_record_offset);
        EXPECT_EQ(c.zip64, G.end.zip64);
        EXPECT_EQ(c.zip64_warning, G.zip64_warning);
        EXPECT_EQ(c.entries, G.end.entries_total);
    }
}

TEST(CentralEntry, HostileLayouts) {
    tz::Archive a;
    tz::Member& m = a.add("name.txt", "data");
    m.made_by_host = HOST_UNIX;
    m.central_extra = {0x55, 0x54, 0x01, 0x00, 0x03};
    m.comment = "c";
    tz::Archive longer;
    tz::Member& n = longer.add(std::string(300, 'n'), "data");
    n.made_by_host = HOST_UNIX;
    n.comment = "c";

    const auto entry_bytes = [](const tz::Archive& archive, size_t keep, size_t flip = 0) {
        const tz::Built built = archive.build();
        const size_t end = built.central_offset + std::min(keep, built.end_offset - built.central_offset);
        Bytes b(built.bytes.begin() + static_cast<long>(built.central_offset),
                built.bytes.begin() + static_cast<long>(end));
        if (flip) b[flip] ^= 0x20;
        return b;
    };
    const size_t all = SIZE_MAX;
    const struct {
        const char* what;
        Bytes bytes;
        int code;
        EntryStop stop;
        size_t name_size;
        bool cut, kept;
    } cases[] = {
        {"sound", entry_bytes(a, all), 0, EntryStop::NONE, 8, false, false},
        {"nothing left", entry_bytes(a, 0), ENG_EARLY_EOF, EntryStop::SIGNATURE, 0, false, false},
        {"not a signature", entry_bytes(a, all, 2), ENG_BAD_ARCHIVE, EntryStop::SIGNATURE, 0, false, false},
        {"header cut", entry_bytes(a, 20), ENG_EARLY_EOF, EntryStop::HEADER, 0, false, false},
        {"name cut", entry_bytes(a, CENTRAL_HEADER_SIZE + 3), ENG_EARLY_EOF, EntryStop::NAME, 3, false, false},
        {"extra field cut", entry_bytes(a, CENTRAL_HEADER_SIZE + 8 + 2), ENG_EARLY_EOF, EntryStop::EXTRA, 8, false,
         false},
        {"overlong name", entry_bytes(longer, all), ENG_WARNING, EntryStop::NONE, MEMBER_NAME_MAX, true, true},
        {"overlong name cut in the kept part", entry_bytes(longer, CENTRAL_HEADER_SIZE + 100), ENG_EARLY_EOF,
         EntryStop::NAME, 100, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenedArchive open(c.bytes);
        position_input(0);
        G.member_name.clear();
        const EntryRead e = read_central_entry(false);
        EXPECT_EQ(c.code, e.code);
        EXPECT_EQ(c.stop, e.stop);
        EXPECT_EQ(c.name_size, G.member_name.size());
        EXPECT_EQ(c.cut, e.name.cut);
        EXPECT_EQ(c.kept, e.name.kept);
        if (c.stop == EntryStop::NONE) {
            EXPECT_EQ(1u, G.central.comment_length) << "the comment is left for the caller";
            EXPECT_EQ(c.bytes.size() - 1, static_cast<size_t>(input_position()));
        }
    }
}

}  // namespace
