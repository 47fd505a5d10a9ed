// Command-line cases for stored members of sizes on both sides of the input's
// 2 KiB blocks, the 32 KiB window and the 64 KiB read-ahead runs: tested,
// piped, extracted, converted, and damaged. The same cases run natively and
// under Wine.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"
#include "support/sample_data.h"
#include "support/zip_writer.h"

namespace {

using tz::Archive;
using tz::Bytes;
using tz::run_unzip;
using tz::TempDir;

constexpr size_t member_sizes[] = {0, 1, 2047, 2048, 2049, 32767, 32768, 32769, 65536 + 2049, 400013};

std::string name_of(size_t size) { return "m" + std::to_string(size); }

// A short member first, so that the data of the others starts off the block boundaries.
Archive sized_members() {
    Archive a;
    a.add("odd/length/name.txt", "x");
    uint32_t seed = 1;
    for (size_t size : member_sizes) a.add(name_of(size), tz::sample_data(tz::SampleKind::random, size, seed++));
    return a;
}

// Every line end (CR LF, lone CR, lone LF) as the local one.
std::string with_local_line_ends(const Bytes& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\r' || data[i] == '\n') {
            out += tz::local_line_end();
            if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        } else {
            out += static_cast<char>(data[i]);
        }
    }
    return out;
}

TEST(Stored, MembersOfEverySizeComeOutWhole) {
    TempDir dir;
    const Archive a = sized_members();
    a.write(dir / "a.zip");
    Bytes all;
    for (const tz::Member& m : a.members) all.insert(all.end(), m.data.begin(), m.data.end());

    const auto piped = run_unzip({"-p", "a.zip"}, dir.path());
    EXPECT_EQ(0, piped.code) << piped.err;
    EXPECT_TRUE(tz::bytes_of(piped.out) == all) << piped.out.size() << " bytes of " << all.size();

    const auto tested = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(0, tested.code) << tested.err;
    EXPECT_EQ("No errors detected in compressed data of a.zip.\n", tested.out);

    const auto extracted = run_unzip({"-q", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, extracted.code) << extracted.err;
    for (const tz::Member& m : a.members)
        EXPECT_TRUE(tz::read_file(dir / ("out/" + m.name)) == m.data) << m.name;
}

TEST(Stored, LineEndsAreConvertedAcrossEveryRun) {
    // Lines of every length up to 300 bytes with all three line ends, so that
    // CR LF pairs fall across the boundaries of blocks, window and runs.
    Bytes text;
    const char* const ends[] = {"\r\n", "\n", "\r"};
    for (size_t line = 0; text.size() < 300000; ++line) {
        text.insert(text.end(), line % 301, static_cast<uint8_t>('a' + line % 26));
        for (const char* c = ends[line % 3]; *c; ++c) text.push_back(static_cast<uint8_t>(*c));
    }
    TempDir dir;
    Archive a;
    a.add("lead", "x");
    a.add("text.txt", text).internal_attributes = 1;
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-qa", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    const std::string got = tz::read_text(dir / "out/text.txt");
    const std::string want = with_local_line_ends(text);
    EXPECT_EQ(want.size(), got.size());
    EXPECT_TRUE(want == got);
}

TEST(Stored, DamagedLargeMembersKeepWhatTheirDataGives) {
    const Bytes data = tz::sample_data(tz::SampleKind::random, 300007, 9);
    struct Case {
        const char* what;
        uint32_t packed_size;
        uint32_t unpacked_size;
        bool to_archive_end;  // the kept file is everything from the data to the archive's end
    };
    const Case cases[] = {
        {"more data than declared", 300007, 200013, false},
        {"declared sizes beyond the archive's end", 300007 + 100000, 300007 + 100000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        Archive a;
        a.add("lead", "x");
        tz::Member& m = a.add("big", data);
        m.packed_size = c.packed_size;
        m.unpacked_size = c.unpacked_size;
        const tz::Built built = a.write(dir / "a.zip");

        const auto r = run_unzip({"-qq", "a.zip", "-d", "out"}, dir.path());
        EXPECT_EQ(2, r.code);
        EXPECT_EQ("  error:  invalid compressed (stored) data for out/big\n\n1 archive had fatal errors.\n", r.err);
        const Bytes want = c.to_archive_end
                               ? Bytes(built.bytes.begin() + static_cast<long>(built.data_offsets[1]), built.bytes.end())
                               : Bytes(data.begin(), data.begin() + c.unpacked_size);
        const Bytes got = tz::read_file(dir / "out/big");
        EXPECT_EQ(want.size(), got.size());
        EXPECT_TRUE(want == got);
    }
}

}  // namespace
