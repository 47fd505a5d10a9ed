// Command-line cases for archives that 7-Zip and Python's zipfile write with
// deflate64, bzip2 and LZMA, from files the test made: tested, piped and
// extracted, the progress words, damaged members, and the refusal of an LZMA
// dictionary too large. The same cases run natively and under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/expect_text.h"
#include "support/other_writers.h"
#include "support/run.h"
#include "support/sample_data.h"
#include "support/zip_writer.h"

namespace {

using tz::Bytes;
using tz::padded;
using tz::run_unzip;
using tz::SampleKind;
using tz::TempDir;

struct Made {
    const char* tool;  // "7zz" or "python"
    const char* method_option;
    const char* archive;
    const char* word;       // the extraction's progress word
    const char* invalid_q;  // the quiet invalid-data message, before the name
};

constexpr Made made[] = {
    {"7zz", "Deflate64", "d64.zip", "  inflating", "invalid compressed (deflate64) data for "},
    {"7zz", "BZip2", "bz.zip", " bunzipping", "invalid compressed (bzip2) data for "},
    {"7zz", "LZMA:eos=off", "lz.zip", "  unLZMAing", "invalid compressed (LZMA) data for "},
    {"python", "bzip2", "pybz.zip", " bunzipping", "invalid compressed (bzip2) data for "},
    {"python", "lzma", "pylz.zip", "  unLZMAing", "invalid compressed (LZMA) data for "},
};

const std::vector<std::string> file_names = {"text.txt", "table.bin", "zeros.bin"};

std::vector<Bytes> make_files(const TempDir& dir) {
    const std::vector<Bytes> files = {tz::sample_data(SampleKind::text, 180000, 1),
                                      tz::sample_data(SampleKind::binary, 50000, 2),
                                      tz::sample_data(SampleKind::zeros, 100000, 3)};
    for (size_t i = 0; i < files.size(); ++i) tz::write_file(dir / file_names[i], files[i]);
    return files;
}

void make_archive(const TempDir& dir, const Made& m) {
    if (std::string(m.tool) == "7zz")
        tz::archive_by_7zz(dir.path(), m.archive, m.method_option, file_names);
    else
        tz::archive_by_python(dir.path(), m.archive, m.method_option, file_names);
}

TEST(OtherWriters, TestedPipedAndExtracted) {
    TempDir dir;
    const std::vector<Bytes> files = make_files(dir);
    for (const Made& m : made) {
        make_archive(dir, m);
        const auto tested = run_unzip({"-t", m.archive}, dir.path());
        EXPECT_EQ(tested.code, 0) << m.archive << tested.err;
        EXPECT_NE(tested.out.find("No errors detected in compressed data of " + std::string(m.archive)),
                  std::string::npos) << tested.out;

        for (size_t i = 0; i < files.size(); ++i) {
            const auto piped = run_unzip({"-p", m.archive, file_names[i]}, dir.path());
            EXPECT_EQ(piped.code, 0) << m.archive << piped.err;
            EXPECT_TRUE(tz::bytes_of(piped.out) == files[i]) << m.archive << ": " << piped.out.size() << " bytes";
        }

        const std::string out = std::string("out_") + m.archive;
        const auto extracted = run_unzip({m.archive, "-d", out}, dir.path());
        EXPECT_EQ(extracted.code, 0) << m.archive << extracted.err;
        for (size_t i = 0; i < files.size(); ++i) {
            EXPECT_TRUE(tz::read_file(dir / (out + "/" + file_names[i])) == files[i]) << m.archive;
            EXPECT_NE(extracted.out.find(std::string(m.word) + ": " + out + "/" + file_names[i]),
                      std::string::npos) << extracted.out;
        }
    }
}

// A byte of each member's data changed: the member is reported in the
// method's words, the others are still extracted.
TEST(OtherWriters, DamagedMembersAreReportedInTheirMethodsWords) {
    TempDir dir;
    make_files(dir);
    for (const Made& m : made) {
        make_archive(dir, m);
        Bytes archive = tz::read_file(dir / m.archive);
        const tz::PackedMember first = tz::first_member(archive);
        // Damage the middle of the first member's data.
        const auto at = std::search(archive.begin(), archive.end(), first.packed.begin(), first.packed.end());
        ASSERT_NE(at, archive.end());
        at[static_cast<long>(first.packed.size() / 2)] ^= 0x55;
        tz::write_file(dir / m.archive, archive);

        const auto r = run_unzip({"-tq", m.archive}, dir.path());
        EXPECT_EQ(r.code, 2) << m.archive;
        // Damage may also surface as a bad CRC; it never goes unreported.
        const bool invalid = r.err.find(std::string("  error:  ") + m.invalid_q) != std::string::npos;
        const bool bad_crc = r.err.find(" bad CRC ") != std::string::npos;
        EXPECT_TRUE(invalid || bad_crc) << m.archive << ": " << r.err;
        EXPECT_EQ(r.out, "At least one error was detected in " + std::string(m.archive) + ".\n");
    }
}

// The ZIP framing of an LZMA stream: encoder version, properties size 5,
// properties (lc 3, lp 0, pb 2) and the dictionary size.
Bytes lzma_header(uint32_t dictionary) {
    Bytes h = {9, 4, 5, 0, 0x5D};
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<uint8_t>(dictionary >> (8 * i)));
    return h;
}

TEST(OtherWriters, LzmaDictionaryOver256MiBIsRefusedAndNewerVersionsSkipped) {
    TempDir dir;
    tz::Archive a;
    tz::Member& big = a.add("big.bin", "", 14);
    big.packed = lzma_header(512u << 20);
    big.packed->resize(big.packed->size() + 16, 0);
    big.unpacked_size = 300u << 20;
    big.needed_version = 63;
    tz::Member& newer = a.add("newer.bin", "data", 14);
    newer.packed = lzma_header(4096);
    newer.needed_version = 64;
    a.add("good.txt", "still extracted\n", 8);
    a.write(dir / "a.zip");

    auto r = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.substr(0, r.err.find("\n\n") + 1), "   skipping: " + padded("newer.bin") + "  need PK compat. v6.4 (can do v6.3)\n"
                     "   skipping: " + padded("big.bin") + "  LZMA dictionary of 512 MiB (can do 256 MiB)\n");

    r = run_unzip({"a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(tz::files_below(dir / "out"), std::vector<std::string>{"good.txt"});
    EXPECT_NE(r.err.find("\n   skipping: " + padded("out/big.bin") + "  LZMA dictionary of 512 MiB (can do 256 MiB)\n"),
              std::string::npos) << r.err;
}

}  // namespace
