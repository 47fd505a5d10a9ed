// Command-line cases for the shrunk, reduced and imploded members, written by
// our own test encoders, mixed with stored and deflated ones. The same cases
// run against the native program and against the Windows program under Wine.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/implode_encoder.h"
#include "support/reduce_encoder.h"
#include "support/run.h"
#include "support/sample_data.h"
#include "support/shrink_encoder.h"
#include "support/zip_writer.h"
#include "support/expect_text.h"

namespace {

using tz::padded;

using tz::Archive;
using tz::Bytes;
using tz::run_unzip;
using tz::SampleKind;
using tz::TempDir;

tz::Member& add_shrunk(Archive& a, const std::string& name, const Bytes& data,
                       const tz::ShrinkOptions& o = {}) {
    tz::Member& m = a.add(name, data, 1);
    m.packed = tz::shrink(data, o);
    return m;
}

tz::Member& add_reduced(Archive& a, const std::string& name, const Bytes& data, int factor,
                        int followers = 32) {
    tz::ReduceOptions o;
    o.factor = factor;
    o.max_followers = followers;
    tz::Member& m = a.add(name, data, static_cast<uint16_t>(factor + 1));
    m.packed = tz::reduce(data, o);
    return m;
}

tz::Member& add_imploded(Archive& a, const std::string& name, const Bytes& data, bool large_window,
                         bool literal_tree) {
    tz::ImplodeOptions o;
    o.large_window = large_window;
    o.literal_tree = literal_tree;
    const tz::Imploded imploded = tz::implode(data, o);
    tz::Member& m = a.add(name, data, 6);
    m.packed = imploded.packed;
    m.flags = imploded.flags;
    return m;
}

const char* method_word(uint16_t method) {
    switch (method) {
    case 0: return " extracting";
    case 1: return "unshrinking";
    case 6: return "  exploding";
    case 8: return "  inflating";
    default: return " unreducing";
    }
}

// Every legacy variant, with stored and deflated members between them.
Archive mixed_archive() {
    Archive a;
    a.add("stored.txt", tz::sample_data(SampleKind::text, 3000, 1));
    add_shrunk(a, "shrunk.txt", tz::sample_data(SampleKind::text, 70000, 2));
    add_shrunk(a, "cleared.bin", tz::sample_data(SampleKind::binary, 40000, 3), {50, false, false});
    add_shrunk(a, "full.rnd", tz::sample_data(SampleKind::random, 60000, 4), {0, true, false});
    a.add("deflated.bin", tz::sample_data(SampleKind::binary, 50000, 5), 8);
    add_reduced(a, "reduce1.txt", tz::sample_data(SampleKind::text, 20000, 6), 1);
    add_reduced(a, "reduce2.rep", tz::sample_data(SampleKind::repetitive, 33000, 7), 2, 3);
    add_reduced(a, "reduce3.bin", tz::sample_data(SampleKind::binary, 17000, 8), 3, 0);
    add_reduced(a, "reduce4.txt", tz::sample_data(SampleKind::text, 40000, 9), 4);
    add_imploded(a, "imp4k2.bin", tz::sample_data(SampleKind::binary, 30000, 10), false, false);
    add_imploded(a, "imp8k2.zer", tz::sample_data(SampleKind::zeros, 70000, 11), true, false);
    add_imploded(a, "imp4k3.txt", tz::sample_data(SampleKind::text, 45000, 12), false, true);
    add_imploded(a, "imp8k3.txt", tz::sample_data(SampleKind::text, (1u << 20) + 100, 13), true, true);
    add_shrunk(a, "empty1", {});
    add_reduced(a, "empty2", {}, 1);
    add_imploded(a, "empty6", {}, true, true);
    a.add("deflated.txt", tz::sample_data(SampleKind::text, 9000, 14), 8);
    return a;
}

TEST(Legacy, MixedArchiveTestsOk) {
    TempDir dir;
    const Archive a = mixed_archive();
    a.write(dir / "mix.zip");

    const auto r = run_unzip({"-t", "mix.zip"}, dir.path());
    std::string expected = "Archive:  mix.zip\n";
    for (const auto& m : a.members) expected += "    testing: " + padded(m.name) + "   OK\n";
    expected += "No errors detected in compressed data of mix.zip.\n";
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(expected, r.out);
    EXPECT_EQ("", r.err);
}

TEST(Legacy, MixedArchivePipesByteIdentical) {
    TempDir dir;
    const Archive a = mixed_archive();
    a.write(dir / "mix.zip");

    const auto r = run_unzip({"-p", "mix.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    std::string all;
    for (const auto& m : a.members) all += tz::text_of(m.data);
    EXPECT_TRUE(all == r.out);
    EXPECT_EQ("", r.err);
}

TEST(Legacy, MixedArchiveExtractsByteIdentical) {
    TempDir dir;
    const Archive a = mixed_archive();
    a.write(dir / "mix.zip");

    const auto r = run_unzip({"mix.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    std::string expected = "Archive:  mix.zip\n";
    for (const auto& m : a.members) expected += method_word(m.method) + (": " + padded(m.name)) + "  \n";
    EXPECT_EQ(expected, r.out);
    for (const auto& m : a.members) EXPECT_TRUE(m.data == tz::read_file(dir / m.name)) << m.name;
}

TEST(Legacy, MembersWithADataDescriptorTakeTheirSizeFromTheDirectory) {
    // Sizes and CRC of these members follow their data; the local header holds zeros.
    TempDir dir;
    Archive a;
    const Bytes text = tz::sample_data(SampleKind::text, 9000, 21);
    const Bytes binary = tz::sample_data(SampleKind::binary, 12000, 22);
    add_imploded(a, "imploded.txt", text, true, true).descriptor = true;
    add_reduced(a, "reduced.bin", binary, 3).descriptor = true;
    add_shrunk(a, "shrunk.txt", text).descriptor = true;
    a.write(dir / "a.zip");

    const auto t = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(0, t.code) << t.err;
    EXPECT_EQ("No errors detected in compressed data of a.zip.\n", t.out);
    const auto p = run_unzip({"-p", "a.zip"}, dir.path());
    EXPECT_EQ(tz::text_of(text) + tz::text_of(binary) + tz::text_of(text), p.out);
}

TEST(Legacy, TextConversionOfShrunkReducedAndImplodedMembers) {
    TempDir dir;
    Archive a;
    const Bytes text = tz::bytes_of("one\ntwo\r\nthree\rfour\n\x90\x90\x90 end\n");
    add_shrunk(a, "s.txt", text).internal_attributes = 1;
    add_reduced(a, "r.txt", text, 2).internal_attributes = 1;
    add_imploded(a, "i.txt", text, false, true).internal_attributes = 1;
    add_shrunk(a, "s.bin", text);
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-ca", "a.zip"}, dir.path());
    EXPECT_EQ(0, r.code) << r.err;
    const std::string eol = tz::local_line_end();
    const std::string converted = "one" + eol + "two" + eol + "three" + eol + "four" + eol + "\x90\x90\x90 end" + eol;
    EXPECT_EQ("Archive:  a.zip\n"
              "unshrinking: s.txt                   [text]  \n" + converted + "\n"
              " unreducing: r.txt                   [text]  \n" + converted + "\n"
              "  exploding: i.txt                   [text]  \n" + converted + "\n"
              "unshrinking: s.bin                   [binary]\n" + tz::text_of(text) + "\n",
              r.out);
}

TEST(Legacy, ImplodedMemberWithAnUnusedByteIsAWarning) {
    TempDir dir;
    Archive a;
    const Bytes data = tz::sample_data(SampleKind::text, 2000, 3);
    tz::Member& m = add_imploded(a, "pad.txt", data, false, true);
    m.packed->push_back(0);
    const size_t used = m.packed->size() - 1;
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: pad.txt                  OK\n"
              "At least one warning-error was detected in a.zip.\n",
              r.out);
    EXPECT_EQ("\n  warning:  " + std::to_string(used) +
                  " bytes required to uncompress to 2000 bytes;\n"
                  "            supposed to require " + std::to_string(used + 1) + " bytes.\n"
                  "\n1 archive had warnings but no fatal errors.\n",
              r.err);

    const auto q = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(1, q.code);
    EXPECT_EQ("  warning:  " + std::to_string(used) +
                  " bytes required to uncompress to 2000 bytes;\n"
                  "            supposed to require " + std::to_string(used + 1) +
                  " bytes [pad.txt]\n"
                  "\n1 archive had warnings but no fatal errors.\n",
              q.err);
    const auto p = run_unzip({"-p", "a.zip"}, dir.path());
    EXPECT_EQ(1, p.code);
    EXPECT_TRUE(tz::text_of(data) == p.out);
}

TEST(Legacy, ImplodedMemberShortOfDataIsAnError) {
    TempDir dir;
    Archive a;
    const Bytes data = tz::sample_data(SampleKind::binary, 3000, 4);
    tz::Member& m = add_imploded(a, "short.bin", data, true, false);
    const uint32_t stated = static_cast<uint32_t>(m.packed->size() - 3);
    m.packed_size = stated;
    a.add("next.txt", "still extracted\n");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("At least one error was detected in a.zip.\n", r.out);
    const std::string prefix = "  error:  ";
    ASSERT_EQ(0u, r.err.find(prefix)) << r.err;
    const size_t used = std::stoul(r.err.substr(prefix.size()));
    EXPECT_GT(used, stated);
    EXPECT_NE(std::string::npos,
              r.err.find(" bytes required to uncompress to 3000 bytes;\n"
                         "          supposed to require " + std::to_string(stated) +
                         " bytes [short.bin]\n"));

    const auto p = run_unzip({"-p", "a.zip", "next.txt"}, dir.path());
    EXPECT_EQ("still extracted\n", p.out);
}

TEST(Legacy, InvalidImplodedTreesAreReported) {
    TempDir dir;
    Archive a;
    tz::Member& m = a.add("bad.imp", tz::bytes_of("whatever"), 6);
    // 64 lengths of 7 bits: half the code space, an incomplete tree.
    m.packed = Bytes{3, 0xF6, 0xF6, 0xF6, 0xF6, 3, 0xF5, 0xF5, 0xF5, 0xF5, 0, 0};
    a.add("ok.txt", "fine");
    a.write(dir / "a.zip");

    const auto r = run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: bad.imp                 "
              "    testing: ok.txt                   OK\n"
              "At least one error was detected in a.zip.\n",
              r.out);
    EXPECT_EQ("\n  error:  invalid compressed data for explode format\n"
              "\n1 archive had fatal errors.\n",
              r.err);
    const auto q = run_unzip({"-tq", "a.zip"}, dir.path());
    EXPECT_EQ("  error:  invalid compressed (imploded) data for bad.imp\n"
              "\n1 archive had fatal errors.\n",
              q.err);
}

TEST(Legacy, DamagedCopiesNeverCrashOrHang) {
    // One member of each legacy kind, then copies with bytes changed inside the
    // compressed data, or with the compressed size cut short.
    Archive a;
    add_shrunk(a, "s.txt", tz::sample_data(SampleKind::text, 6000, 21), {30, false, false});
    add_reduced(a, "r2.txt", tz::sample_data(SampleKind::text, 6000, 22), 1);
    add_reduced(a, "r5.bin", tz::sample_data(SampleKind::binary, 6000, 23), 4, 5);
    add_imploded(a, "i2.bin", tz::sample_data(SampleKind::binary, 6000, 24), false, false);
    add_imploded(a, "i3.txt", tz::sample_data(SampleKind::text, 6000, 25), true, true);
    std::mt19937 rng(2024);
    TempDir dir;
    for (int copy = 0; copy < 9; ++copy) {
        Archive damaged = a;
        for (tz::Member& m : damaged.members) {
            Bytes& p = *m.packed;
            if (copy % 3 == 2) {
                m.packed_size = static_cast<uint32_t>(rng() % p.size());
            } else {
                for (int k = 0; k < 1 + copy % 3; ++k)
                    p[rng() % (p.size() - 1)] ^= static_cast<uint8_t>(1 + rng() % 255);
            }
        }
        const std::string name = "d" + std::to_string(copy) + ".zip";
        damaged.write(dir / name);
        // Every member fails: a bad CRC, invalid data or a size error names it.
        const auto r = run_unzip({"-tqq", name}, dir.path());
        EXPECT_EQ(2, r.code) << name << "\n" << r.err;
        for (const tz::Member& m : damaged.members)
            EXPECT_NE(std::string::npos, r.err.find(m.name)) << name << "\n" << r.err;
        const auto x = run_unzip({"-qq", "-o", name}, dir.path());
        EXPECT_EQ(2, x.code) << name << "\n" << x.err;
    }
}

}  // namespace
