// Inflate inside whole engine runs: deflated members of every block kind in
// one run and the next (the fixed tables are cached for a run, then released),
// and how a damaged member is reported while the walk goes on.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "support/bit_writer.h"
#include "support/engine_run.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace {

std::string text_of_size(size_t size, char salt) {
    std::string s;
    while (s.size() < size) s += "line " + std::to_string(s.size() % 977) + salt + " of text\r\n";
    s.resize(size);
    return s;
}

TEST(InflateInEngine, MembersOfEveryBlockKindInTwoRuns) {
    tz::TempDir dir;
    tz::ScopedCwd cwd(dir.path());
    const std::string text = text_of_size(70000, 'a');
    const std::string other = text_of_size(40000, 'b');
    tz::Archive a;
    a.add("dynamic.txt", text, 8).level = 9;
    a.add("fixed1.txt", text, 8).strategy = Z_FIXED;
    a.add("fixed2.txt", other, 8).strategy = Z_FIXED;
    a.add("stored.txt", other, 8).level = 0;
    a.add("empty.txt", "", 8);
    a.write(dir / "a.zip");

    // Twice: the second run builds the fixed tables again.
    for (int run = 0; run < 2; ++run) {
        const tz::EngineRun t = tz::run_engine({"-tqq", "a.zip"});
        EXPECT_EQ(t.code, 0) << t.err;
        EXPECT_EQ(t.err, "");
        const tz::EngineRun p = tz::run_engine({"-p", "a.zip"});
        EXPECT_EQ(p.code, 0) << p.err;
        EXPECT_EQ(p.out, text + text + other + other);
    }
}

TEST(InflateInEngine, DamagedMemberIsReportedAndTheNextOneExtracted) {
    tz::TempDir dir;
    tz::ScopedCwd cwd(dir.path());
    // A dynamic block whose literal/length code lacks one code.
    std::vector<unsigned> litlen(288, 6);
    std::fill(litlen.begin(), litlen.begin() + 256, 9u);
    litlen[287] = 0;
    tz::BitWriter w;
    tz::put_dynamic_header(w, true, litlen, std::vector<unsigned>(32, 5));
    w.bits(0, 32);
    tz::Archive a;
    a.add("reserved.bin", "abc", 8).packed = tz::Bytes{0x07};  // last block, type 3
    a.add("incomplete.bin", "abc", 8).packed = w.bytes();
    a.add("good.txt", "still extracted\n", 8);
    a.write(dir / "a.zip");

    tz::EngineRun r = tz::run_engine({"-t", "a.zip"});
    EXPECT_EQ(r.code, 2);
    // The note comes before the engine's message; the run's summary follows.
    EXPECT_EQ(r.err.substr(0, r.err.find("\n\n")),
              "\n  error:  invalid compressed data for inflate format\n"
              "(incomplete l-tree)  \n  error:  invalid compressed data for inflate format");
    EXPECT_NE(r.out.find("testing: good.txt                 OK"), std::string::npos) << r.out;

    r = tz::run_engine({"-tq", "a.zip"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find("\n\n")),
              "  error:  invalid compressed (deflated) data for reserved.bin\n"
              "  error:  invalid compressed (deflated) data for incomplete.bin");
}

}  // namespace
