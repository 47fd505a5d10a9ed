// The archive directory reader: the end-record search, damaged and unusual
// archives, the field reader's limits and the comment display.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/globals.h"
#include "engine_test_util.h"

namespace {

using tz::run_engine;
using V = std::vector<std::string>;

class Directory : public ::testing::Test {
protected:
    void SetUp() override { cwd_ = std::make_unique<tz::ScopedCwd>(dir_.path()); }
    void TearDown() override { cwd_.reset(); }
    tz::EngineRun list_quietly(const tz::Bytes& bytes, const std::string& name = "x.zip") {
        tz::write_file(name, bytes);
        return run_engine({"-qql", name});
    }
    tz::TempDir dir_;
    std::unique_ptr<tz::ScopedCwd> cwd_;
};

// An archive of one member whose end record starts at `end_at` and whose file
// is `total` bytes long (the rest is the archive comment).
tz::Bytes placed(size_t end_at, size_t total) {
    tz::Archive a = et::plain_archive({"m"});
    const size_t base = a.build().end_offset;
    EXPECT_GE(end_at, base);
    EXPECT_GE(total, end_at + 22);
    a.before_central.assign(end_at - base, 0);
    a.comment = std::string(total - end_at - 22, 'c');
    const tz::Bytes b = a.build().bytes;
    EXPECT_EQ(total, b.size());
    return b;
}

// ---- End-record search

TEST_F(Directory, EndRecordFoundAtEveryBlockPosition) {
    const std::vector<std::pair<size_t, size_t>> cases = {
        {100, 122},          // small file, no comment
        {2026, 2048},        // exactly one block
        {2027, 2049},        // one byte into the next block (tail of 1)
        {100, 2049},         // record in the first block, long comment
        {2045, 2048 + 19},   // signature straddles the block boundary by 1..3 bytes
        {2046, 2048 + 20},
        {2047, 2048 + 21},
        {2047, 2048 + 24},
        {2045, 2048 + 40},
        {2044, 2048 + 18},   // tail of 18: no tail scan, the record lies in the block
        {2030, 2048 + 18},
        {4093, 6144 + 5},    // straddles two full blocks, short tail
        {4094, 6144 + 5},
        {4095, 6144 + 5},
        {4096, 6144 + 5},
        {2048, 4096},        // record starting exactly on a block
        {4074, 4096},        // record ending exactly on a block
    };
    for (const auto& [end_at, total] : cases) {
        const auto r = list_quietly(placed(end_at, total));
        EXPECT_EQ(0, r.code) << end_at << " " << total << "\n" << r.err;
        EXPECT_EQ(V{"m"}, et::listed_names(r.out)) << end_at << " " << total;
    }
}

TEST_F(Directory, TinyFilesHaveNoEndRecord) {
    const std::string record("PK\x05\x06", 4);
    for (size_t size : {0u, 1u, 4u, 21u}) {
        std::string bytes = (record + std::string(18, '\0')).substr(0, size);
        tz::write_text("tiny", bytes);
        const auto r = run_engine({"-l", "tiny"});
        EXPECT_EQ(9, r.code) << size;
        EXPECT_EQ(et::no_end_record +
                      "unzip:  can't find zipfile directory in tiny,\n"
                      "        and can't find tiny.zip, period.\n\nNo zipfiles found.\n",
                  r.err)
            << size;
    }
    // 22 bytes: an empty archive.
    tz::write_text("tiny", record + std::string(18, '\0'));
    const auto r = run_engine({"-l", "tiny"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("warning [tiny]:  zipfile is empty\n\n1 archive had warnings but no fatal errors.\n",
              r.err);
    EXPECT_EQ("Archive:  tiny\n", r.out);
}

TEST_F(Directory, EndRecordCutShortByTheEndOfTheFile) {
    // The signature sits in the last full block with only 14 bytes of its record
    // behind it: the archive ended early, nothing is made of the missing fields.
    std::string bytes(6140, 'j');
    bytes += std::string("PK\x05\x06", 4) + std::string(10, '\0');
    ASSERT_EQ(6154u, bytes.size());
    tz::write_text("cut", bytes);
    const auto r = run_engine({"-l", "cut"});
    EXPECT_EQ(9, r.code);
    EXPECT_EQ(std::string::npos, r.err.find("zipfile is empty"));
    EXPECT_EQ("unzip:  can't find zipfile directory in cut,\n"
              "        and can't find cut.zip, period.\n\nNo zipfiles found.\n",
              r.err);
    // On the last chance (the name was given with .zip left off) the code is the early end.
    tz::write_text("cut.zip", bytes);
    EXPECT_EQ(51, run_engine({"-l", "cut"}).code);
}

TEST_F(Directory, LongestCommentIsFound) {
    tz::Archive a = et::plain_archive({"m", "n"});
    std::string comment;
    while (comment.size() < 65535) comment += "line\r\n\x1b[1mbold\x1b[0m ";
    comment.resize(65535);
    a.comment = comment;
    a.write("long.zip");
    const auto r = run_engine({"-l", "long.zip"});
    EXPECT_EQ(0, r.code) << r.err;
    std::string shown;
    for (char c : comment) {
        if (c == '\r') continue;
        if (c == 27) shown += "^[";
        else shown += c;
    }
    EXPECT_EQ("Archive:  long.zip\n" + shown + "\n", r.out.substr(0, 19 + shown.size() + 1));
    EXPECT_NE(std::string::npos, r.out.find("   m\n"));
    EXPECT_NE(std::string::npos, r.out.find("   n\n"));
}

TEST_F(Directory, RecordBeyondTheSearchLengthIsNotFound) {
    tz::Archive a = et::plain_archive({"m"});
    a.comment = std::string(65535, 'c');
    // Bytes after the comment push the record out of the searched area: the
    // search covers the tail and (66000 - tail + 2047) / 2048 blocks before it.
    for (size_t extra : {size_t{100}, size_t{1000}, size_t{3000}}) {
        a.suffix.assign(extra, 's');
        const tz::Built b = a.build();
        const size_t size = b.bytes.size();
        const size_t tail = size % 2048;
        const size_t blocks = (std::min<size_t>(size, 66000) - tail + 2047) / 2048;
        const size_t lowest = size - tail - blocks * 2048;
        const auto r = list_quietly(b.bytes);
        if (b.end_offset >= lowest) {
            EXPECT_EQ(0, r.code) << extra;
            EXPECT_EQ(V{"m"}, et::listed_names(r.out));
        } else {  // read from its local entries
            EXPECT_EQ(2, r.code) << extra;
            EXPECT_EQ(V{"m"}, et::listed_names(r.out));
            EXPECT_EQ(0u, r.err.find("[x.zip]\n" + et::no_end_record)) << r.err;
        }
    }
}

// ---- Damage that is reported and worked around

TEST_F(Directory, PrefixedDataIsReportedAsExtraBytes) {
    tz::Archive a = et::plain_archive({"a", "b"});
    a.prefix.assign(1000, 'Z');
    a.write("p.zip");
    const auto r = run_engine({"-l", "p.zip"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("warning [p.zip]:  extra 1000 bytes at beginning or within zipfile\n"
              "  (attempting to process anyway)\n"
              "\n1 archive had warnings but no fatal errors.\n",
              r.err);
    EXPECT_EQ((V{"a", "b"}), et::listed_names(run_engine({"-qql", "p.zip"}).out));
}

TEST_F(Directory, SelfExtractorPrefixCountedInOffsetsIsClean) {
    tz::Archive a = et::plain_archive({"a"});
    a.prefix.assign(5000, 'X');
    a.prefix_counted = true;
    a.write("sfx.zip");
    const auto r = run_engine({"-qql", "sfx.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(V{"a"}, et::listed_names(r.out));
}

TEST_F(Directory, MissingLeadingBytes) {
    tz::Archive a;
    et::add_plain(a, "big", std::string(500, 'b'));
    et::add_plain(a, "small", "s");
    tz::Bytes bytes = a.build().bytes;
    bytes.erase(bytes.begin(), bytes.begin() + 100);
    const auto r = list_quietly(bytes, "cut.zip");
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("error [cut.zip]:  missing 100 bytes in zipfile\n"
              "  (attempting to process anyway)\n"
              "\n1 archive had fatal errors.\n",
              r.err);
    EXPECT_EQ((V{"big", "small"}), et::listed_names(r.out));
}

TEST_F(Directory, ZeroDirectoryOffset) {
    tz::Archive a = et::plain_archive({"a", "b"});
    a.central_offset = 0;
    a.write("z.zip");
    const auto r = run_engine({"-qql", "z.zip"});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ(0u, r.err.find("error [z.zip]:  NULL central directory offset\n"
                             "  (attempting to process anyway)\n"));
    EXPECT_EQ((V{"a", "b"}), et::listed_names(r.out));
}

TEST_F(Directory, OverstatedDirectoryLengthIsCompensated) {
    tz::Archive a = et::plain_archive({"a", "b"});
    const tz::Built plain = a.build();
    a.central_size = static_cast<uint32_t>(plain.end_offset - plain.central_offset + 50);
    a.write("o.zip");
    const auto r = run_engine({"-qql", "o.zip"});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("error [o.zip]:  missing 50 bytes in zipfile\n"
              "  (attempting to process anyway)\n"
              "error [o.zip]:  reported length of central directory is\n"
              "  50 bytes too long (made by a faulty archiver or\n"
              "  splitter?).  Compensating...\n"
              "\n1 archive had fatal errors.\n",
              r.err);
    EXPECT_EQ((V{"a", "b"}), et::listed_names(r.out));
}

TEST_F(Directory, TwoPartQuirkIsProcessedWithAWarning) {
    tz::Archive a = et::plain_archive({"a"});
    a.disk_number = 1;
    a.central_start_disk = 1;
    a.write("q.zip");
    const auto r = run_engine({"-l", "q.zip"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("\n     Warning:  zipfile claims to be second disk of a two-part archive;\n"
              "     attempting to process anyway.  If no further errors occur, this\n"
              "     archive was probably made by an old archiver that marks single-disk\n"
              "     archives this way.  (If further errors do occur, the archive really\n"
              "     is part of a multi-part archive, which is not yet supported.)\n\n"
              "\n1 archive had warnings but no fatal errors.\n",
              r.err);
    EXPECT_NE(std::string::npos, r.out.find("   a\n"));
}

// ---- Damage that ends the archive

TEST_F(Directory, MultiDiskArchive) {
    for (auto [disk, start] : {std::pair{1, 0}, std::pair{2, 2}, std::pair{2, 1}}) {
        tz::Archive a = et::plain_archive({"a"});
        a.disk_number = static_cast<uint16_t>(disk);
        a.central_start_disk = static_cast<uint16_t>(start);
        a.write("d.zip");
        const auto r = run_engine({"-l", "d.zip"});
        EXPECT_EQ(11, r.code);
        EXPECT_EQ("Archive:  d.zip\n", r.out);
        EXPECT_EQ("\nerror [d.zip]:  zipfile is part of multi-disk archive\n"
                  "  (sorry, not yet supported).\n"
                  "\n1 archive had fatal errors.\n",
                  r.err);
    }
    // Only the disk number counts.
    tz::Archive a = et::plain_archive({"a"});
    a.central_start_disk = 1;
    a.write("d.zip");
    EXPECT_EQ(0, run_engine({"-l", "d.zip"}).code);
}

TEST_F(Directory, DirectoryNotFound) {
    tz::Archive a = et::plain_archive({"a"});
    tz::Built b = a.build();
    b.bytes[b.central_offset] = 'X';
    const auto r = list_quietly(b.bytes, "c.zip");
    EXPECT_EQ(3, r.code);
    EXPECT_EQ("error [c.zip]:  start of central directory not found;\n  zipfile corrupt.\n" +
                  et::please_check + "\n1 archive had fatal errors.\n",
              r.err);
    EXPECT_EQ("", r.out);
}

TEST_F(Directory, SeekBeforeTheStart) {
    tz::Archive a = et::plain_archive({"a"});
    a.central_size = 100000;
    a.write("s.zip");
    const auto r = run_engine({"-qql", "s.zip"});
    EXPECT_EQ(3, r.code);
    EXPECT_NE(std::string::npos,
              r.err.find("error [s.zip]:  attempt to seek before beginning of zipfile\n" +
                         et::please_check));
}

TEST_F(Directory, EmptyArchive) {
    tz::Archive a;
    a.comment = "nothing here";
    a.write("e.zip");
    const auto r = run_engine({"-l", "e.zip"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("Archive:  e.zip\nnothing here\n", r.out);
    EXPECT_EQ("warning [e.zip]:  zipfile is empty\n\n1 archive had warnings but no fatal errors.\n",
              r.err);
}

TEST_F(Directory, FewerCentralHeadersThanStated) {
    tz::Archive a = et::plain_archive({"a", "b"});
    a.entries_total = 3;
    a.write("f.zip");
    const auto r = run_engine({"-qql", "f.zip"});
    EXPECT_EQ(3, r.code);
    EXPECT_EQ((V{"a", "b"}), et::listed_names(r.out)) << "no totals";
    EXPECT_EQ("error:  expected central file header signature not found (file #2).\n" +
                  et::please_check + "\n1 archive had fatal errors.\n",
              r.err);
}

TEST_F(Directory, MoreCentralHeadersThanStated) {
    tz::Archive a = et::plain_archive({"a", "b"});
    a.entries_total = 1;
    a.write("g.zip");
    const auto r = run_engine({"-l", "g.zip"});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.out.find("      6                    1      \n"));
    EXPECT_EQ("\nnote:  didn't find end-of-central-dir signature at end of central dir.\n"
              "\n1 archive had warnings but no fatal errors.\n",
              r.err);
}

TEST_F(Directory, FieldsRunningPastTheEnd) {
    // A name length that runs past the end of the file ends the listing early.
    tz::Archive a = et::plain_archive({"a"});
    tz::Built b = a.build();
    const size_t name_length_at = b.central_offset + 28;
    b.bytes[name_length_at] = 0x40;
    b.bytes[name_length_at + 1] = 0x9C;  // 40000
    auto r = list_quietly(b.bytes, "n.zip");
    EXPECT_EQ(51, r.code) << r.err;
    EXPECT_EQ(std::string::npos, r.out.find("-------"));
    // The same for a comment length.
    b = a.build();
    b.bytes[b.central_offset + 32] = 0xFF;
    b.bytes[b.central_offset + 33] = 0xFF;
    r = list_quietly(b.bytes, "c.zip");
    EXPECT_EQ(51, r.code) << r.err;
}

// ---- Field reader limits

TEST_F(Directory, OverlongNameIsCutAndTheWalkGoesOn) {
    tz::Archive a;
    const std::string name300 = std::string(100, 'a') + std::string(100, 'b') + std::string(100, 'c');
    tz::Member& m = et::add_plain(a, name300, "data");
    m.central_extra = tz::Bytes(10, 0xEE);
    m.comment = "first comment";
    et::add_plain(a, std::string(260, 'n'), "x");
    et::add_plain(a, "last", "y");
    a.write("n.zip");
    const std::string kept = name300.substr(0, 260);
    const auto r = run_engine({"-l", "n.zip"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("warning:  filename too long--truncating.\n[ " + kept + " ]\n" +
                  "\n1 archive had warnings but no fatal errors.\n",
              r.err);
    const V lines = et::split_lines(r.out);
    ASSERT_EQ(9u, lines.size()) << r.out;
    EXPECT_EQ("      4  02-03-01  12:34   " + kept, lines[3]);
    EXPECT_EQ("first comment", lines[4]);
    EXPECT_EQ("      1  02-03-01  12:34   " + std::string(260, 'n'), lines[5]);
    EXPECT_EQ("      1  02-03-01  12:34   last", lines[6]);
    EXPECT_EQ("      6                    3      ", lines[8]);
}

TEST_F(Directory, NameEndsAtAZeroByte) {
    tz::Archive a;
    et::add_plain(a, std::string("ab\0cd", 5), "x");
    et::add_plain(a, "next", "y");
    a.write("z.zip");
    const auto r = run_engine({"-qql", "z.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ((V{"ab", "next"}), et::listed_names(r.out));
}

TEST_F(Directory, VolumeLabelsKeepCaseAndLoseTheirDot) {
    tz::Archive a;
    tz::Member& label = a.add("DISK_NAM.E", "");
    label.made_by_host = 0;
    label.external_attributes = 0x08;
    tz::Member& short_label = a.add("DISK.X", "");
    short_label.made_by_host = 0;
    short_label.external_attributes = 0x08;
    tz::Member& unix_label = a.add("DISK_NAM.E", "");
    unix_label.made_by_host = 3;
    unix_label.external_attributes = 0x08;
    a.write("v.zip");
    const auto r = run_engine({"-qql", "v.zip"});
    EXPECT_EQ((V{"DISK_NAME", "DISK.X", "DISK_NAM.E"}), et::listed_names(r.out));
    EXPECT_EQ(' ', r.out[26]) << "no case mark on a label";
}

// ---- Comments

TEST_F(Directory, CommentDisplayDropsCarriageReturnsAndShowsEscape) {
    tz::Archive a = et::plain_archive({"m"});
    a.comment = "one\x1b[0m\r\ntwo\rthree\r";
    a.members[0].comment = "member \x1b comment\r\n";
    a.write("c.zip");
    auto r = run_engine({"-l", "c.zip"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(0u, r.out.find("Archive:  c.zip\none^[[0m\ntwothree\n Length"));
    EXPECT_NE(std::string::npos, r.out.find("   m\nmember ^[ comment\n\n ------"));
    // A zero byte ends the shown text.
    a.comment = std::string("shown\0hidden", 12);
    a.write("c.zip");
    r = run_engine({"-z", "c.zip"});
    EXPECT_EQ("Archive:  c.zip\nshown\n", r.out);
    // Quiet: neither comment is shown.
    a.comment = "archive comment";
    a.write("c.zip");
    r = run_engine({"-ql", "c.zip"});
    EXPECT_EQ(std::string::npos, r.out.find("comment"));
}

TEST_F(Directory, TruncatedCommentIsReported) {
    tz::Archive a = et::plain_archive({"m"});
    a.comment = "0123456789";
    a.comment_length = 50;
    a.write("t.zip");
    auto r = run_engine({"-l", "t.zip"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(0u, r.out.find("Archive:  t.zip\n0123456789 Length"));
    EXPECT_EQ("\ncaution:  zipfile comment truncated\n"
              "\n1 archive had warnings but no fatal errors.\n",
              r.err);
    EXPECT_NE(std::string::npos, r.out.find("   m\n")) << "the listing goes on";

    r = run_engine({"-z", "t.zip"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("Archive:  t.zip\n0123456789", r.out);
}

}  // namespace
