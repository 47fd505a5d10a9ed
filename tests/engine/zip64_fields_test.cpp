// Zip64 fields holding any 64-bit value: every offset, size and count of the
// Zip64 locator, end record and extra field, set to values around 2^31, 2^32,
// 2^62, 2^63 and 2^64, in every mode that reads them. The archives lie on a
// memory file system where there is one: there a seek that far succeeds, so
// an unchecked value reaches the reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "engine/io.h"
#include "engine/read_ahead.h"
#include "engine_test_util.h"

namespace {

using tz::Bytes;

TEST(Zip64Fields, AnyValueInAnyFieldIsDamageNeverACrash) {
    const std::string memory = tz::memory_folder();
    tz::TempDir dir = memory.empty() ? tz::TempDir() : tz::TempDir(memory);
    tz::ScopedCwd cwd(dir.path());
    // A sound archive whose first member keeps its sizes and offset in Zip64
    // fields, with a Zip64 end record; where its fields lie.
    tz::Archive a;
    tz::Member& m = et::add_plain(a, "wide.txt", std::string(3000, 'w'));
    m.zip64 = true;
    m.needed_version = 45;
    et::add_plain(a, "plain.txt", "plain");
    a.zip64_end = true;
    const tz::Built sound = a.build();
    const size_t record = sound.end_offset - 20 - 56;
    const size_t central = sound.central_offset + 46 + 8 + 4;  // the Zip64 values behind the name
    const size_t local = sound.local_offsets[0] + 30 + 8 + 4;
    const std::string not_found = "error [z.zip]:  start of central directory not found;\n  zipfile corrupt.\n";
    const struct {
        const char* name;
        size_t at;
        std::vector<int> codes;  // of -l, -v, -t, extraction, zipinfo and zipinfo -v
        std::string err_has;     // in standard error wherever the code is not 0
    } fields[] = {
        {"locator: offset of the Zip64 end record", sound.end_offset - 12, {0, 0, 0, 0, 0, 0}, ""},
        {"end record: entries on this disk", record + 24, {0, 0, 0, 0, 0, 0}, ""},
        {"end record: entries", record + 32, {3, 3, 3, 3, 3, 3}, "expected central file header signature not found"},
        {"end record: directory size", record + 40, {3, 3, 3, 3, 3, 3}, not_found},
        {"end record: directory offset", record + 48, {3, 3, 3, 3, 3, 3}, not_found},
        {"central extra field: uncompressed size", central, {0, 0, 0, 0, 0, 0}, ""},
        {"central extra field: compressed size", central + 8, {0, 0, 0, 0, 0, 0}, ""},
        {"central extra field: local header offset", central + 16, {0, 0, 3, 3, 0, 0}, "file #0:  bad zipfile offset (lseek):  "},
        {"local extra field: uncompressed size", local, {0, 0, 2, 2, 0, 0}, "invalid compressed data for stored format"},
        {"local extra field: compressed size", local + 8, {0, 0, 2, 2, 0, 0}, "invalid compressed data for stored format"},
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> modes = {
        {{"-l", "z.zip"}, "unzip"}, {{"-v", "z.zip"}, "unzip"}, {{"-t", "z.zip"}, "unzip"},
        {{"-o", "z.zip", "-d", "out"}, "unzip"}, {{"z.zip"}, "zipinfo"}, {{"-v", "z.zip"}, "zipinfo"}};
    for (const auto& f : fields) {
        for (const uint64_t value : {uint64_t{1} << 31, uint64_t{1} << 32, uint64_t{1} << 62, uint64_t{INT64_MAX}, UINT64_MAX}) {
            Bytes bytes = sound.bytes;
            for (size_t i = 0; i < 8; ++i) bytes[f.at + i] = static_cast<uint8_t>(value >> (8 * i));
            tz::write_file("z.zip", bytes);
            for (size_t i = 0; i < modes.size(); ++i) {
                SCOPED_TRACE(std::string(f.name) + ", " + std::to_string(value) + ", " + modes[i].second + " " + modes[i].first[0]);
                const tz::EngineRun r = tz::run_engine(modes[i].first, "", modes[i].second);
                EXPECT_EQ(f.codes[i], r.code) << r.err;
                if (f.codes[i] == 0) {
                    EXPECT_EQ("", r.err);
                } else {
                    EXPECT_NE(std::string::npos, r.err.find(f.err_has)) << r.err;
                }
            }
            tz::remove_tree("out");
        }
    }
}

// A sparse file of 4 EiB ending in a sound archive is no archive the engine
// reads: its offsets could no longer be added without overflow.
TEST(Zip64Fields, AnArchiveOf4EiBIsRefused) {
    const std::string memory = tz::memory_folder();
    if (memory.empty()) GTEST_SKIP() << "no memory file system to hold a sparse file that large";
    tz::TempDir dir(memory);
    tz::ScopedCwd cwd(dir.path());
    tz::Archive a = et::plain_archive({"a"});
    a.members[0].hole_before = (uint64_t{1} << 62);
    a.write("huge.zip");
    const tz::EngineRun r = tz::run_engine({"-l", "huge.zip"});
    EXPECT_EQ(3, r.code);
    EXPECT_EQ("error [huge.zip]:  too large for a zipfile (4 EiB or more)\n\n1 archive had fatal errors.\n", r.err);
}

// The read-ahead layer itself, where the locator's offset near 2^63 once made
// a position plus a count overflow and a copy read far outside its buffer.
TEST(Zip64Fields, TheReadAheadLayerSeeksNowhereNear2To63) {
    const std::string memory = tz::memory_folder();
    if (memory.empty()) GTEST_SKIP() << "no memory file system: a seek that far fails anyway";
    tz::TempDir dir(memory);
    std::string name = dir / "a.zip";
    tz::write_file(name, Bytes(100, 'a'));
    G.archive_name = name.data();
    ASSERT_EQ(0, open_archive());
    for (const int64_t offset : {int64_t{INT64_MAX}, int64_t{INT64_MAX - 56}, (int64_t{1} << 62) + 1, int64_t{-1}}) {
        SCOPED_TRACE(offset);
        EXPECT_EQ(-1, archive_seek(offset));
        uint8_t b[56];
        EXPECT_LE(archive_read(b, sizeof b), 56);
    }
    close_archive();
    G.archive_name = nullptr;
}

}  // namespace
