// Archives cut short: without an end record the members before the cut are
// read from their local headers (data descriptors included), listed, tested
// or extracted, with a warning and result 2. The same cases run natively and
// under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/run.h"
#include "support/zip_writer.h"

namespace {

const std::string no_end_record =
    "  End-of-central-directory signature not found.  Either this file is not\n"
    "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
    "  latter case the central directory and zipfile comment will be found on\n"
    "  the last disk(s) of this archive.\n\n";

// Stored and deflated members, two of them with data descriptors.
tz::Built four_members() {
    tz::Archive a;
    a.add("a.txt", "alpha alpha alpha\n");
    a.add("b.bin", std::string(5000, 'b'), 8);
    a.add("c.txt", "gamma PK\x07\x08 with a descriptor\n").descriptor = true;
    a.add("d/e.txt", std::string(3000, 'e') + "PK\x07\x08 not a descriptor", 8).descriptor = true;
    return a.build();
}

TEST(CutArchives, MembersBeforeTheCutAreRecovered) {
    const tz::Built full = four_members();
    struct Case {
        const char* where;
        size_t cut;
        std::vector<std::string> members;  // recovered, in order
        std::string stops;                 // the end of the last warning
    };
    const auto offset = [](size_t at) { return " at offset " + std::to_string(at) + "\n"; };
    const size_t dir = full.central_offset;
    const std::vector<Case> cases = {
        {"inside the directory", dir + 30, {"a.txt", "b.bin", "c.txt", "d/e.txt"},
         "4 complete members found before a cut central directory" + offset(dir)},
        {"before the directory", dir, {"a.txt", "b.bin", "c.txt", "d/e.txt"},
         "4 complete members found before the damage" + offset(dir)},
        {"inside a descriptor", dir - 3, {"a.txt", "b.bin", "c.txt"},
         "3 complete members found before the damage" + offset(full.local_offsets[3])},
        {"inside data", full.data_offsets[1] + 10, {"a.txt"},
         "1 complete member found before the damage" + offset(full.local_offsets[1])},
        {"inside a header", full.local_offsets[2] + 20, {"a.txt", "b.bin"},
         "2 complete members found before the damage" + offset(full.local_offsets[2])},
    };
    const std::vector<std::string> contents = {"alpha alpha alpha\n", std::string(5000, 'b'),
                                               "gamma PK\x07\x08 with a descriptor\n",
                                               std::string(3000, 'e') + "PK\x07\x08 not a descriptor"};
    for (const Case& c : cases) {
        tz::TempDir dir_;
        const tz::Bytes cut(full.bytes.begin(), full.bytes.begin() + static_cast<long>(c.cut));
        tz::write_file(dir_ / "cut.zip", cut);
        const std::string warnings =
            "[cut.zip]\n" + no_end_record +
            "warning [cut.zip]:  no end record: the archive is cut short or damaged;\n"
            "  reading its members from their local headers\n";
        const std::string summary = "warning [cut.zip]:  " + c.stops + "\n1 archive had fatal errors.\n";

        std::string listed;
        for (const std::string& m : c.members) listed += m + "\n";
        auto r = tz::run_unzip({"-Z1", "cut.zip"}, dir_.path());
        EXPECT_EQ(2, r.code) << c.where;
        EXPECT_EQ(listed, r.out) << c.where;

        r = tz::run_unzip({"-qqt", "cut.zip"}, dir_.path());
        EXPECT_EQ(2, r.code) << c.where;
        EXPECT_EQ(warnings + summary, r.err) << c.where;

        r = tz::run_unzip({"-t", "cut.zip"}, dir_.path());
        EXPECT_EQ(2, r.code) << c.where;
        EXPECT_TRUE(r.out.ends_with("\nAt least one error was detected in cut.zip.\n")) << c.where << r.out;

        r = tz::run_unzip({"-qq", "cut.zip", "-d", "out"}, dir_.path());
        EXPECT_EQ(2, r.code) << c.where;
        EXPECT_EQ(warnings + summary, r.err) << c.where;
        std::vector<std::string> files = tz::files_below(dir_ / "out");
        std::vector<std::string> want = c.members;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(want, files) << c.where;
        for (size_t i = 0; i < c.members.size(); ++i)
            EXPECT_EQ(contents[i], tz::read_text(dir_ / ("out/" + c.members[i]))) << c.where;
    }
}

// Nothing complete at the start: no recovery, the archive is not found.
TEST(CutArchives, NoCompleteMemberIsNoArchive) {
    const tz::Built full = four_members();
    tz::TempDir dir_;
    tz::write_file(dir_ / "cut.zip", tz::Bytes(full.bytes.begin(), full.bytes.begin() + 40));
    const auto r = tz::run_unzip({"-qql", "cut.zip"}, dir_.path());
    EXPECT_EQ(9, r.code);
    EXPECT_EQ(0u, r.err.find("[cut.zip]\n" + no_end_record));
    EXPECT_EQ(std::string::npos, r.err.find("local headers"));
}

}  // namespace
