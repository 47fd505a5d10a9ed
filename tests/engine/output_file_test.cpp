// The member's temporary output file: the reason of a failed create is the
// create's own, a full disk is reported as one, and a name that exists is
// passed over for another random one.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/globals.h"
#include "engine/walk.h"
#include "engine_test_util.h"
#include "platform/interrupt.h"

namespace {

// The creates a case fails before it succeeds (or all of them), and the names tried.
std::vector<int> failures;
std::vector<std::string> tried;

FILE* scripted_create(const char* path) {
    tried.push_back(path);
    if (tried.size() <= failures.size()) {
        errno = failures[tried.size() - 1];
        return nullptr;
    }
    return std::tmpfile();
}

TEST(OutputFile, TheCreatesOwnReasonANameThatExistsIsPassedOver) {
    struct Case {
        const char* what;
        std::vector<int> failures;
        int code;
        size_t attempts;
        int reason;  // the errno whose text follows "cannot create", or 0
    };
    const Case cases[] = {
        {"created at once", {}, 0, 1, 0},
        {"three names taken (a dangling link among them)", {EEXIST, EEXIST, EEXIST}, 0, 4, 0},
        {"no space (no free inodes)", {ENOSPC}, ENG_DISK_FULL, 1, ENOSPC},
        {"quota exceeded", {EDQUOT}, ENG_DISK_FULL, 1, EDQUOT},
        {"a name taken, then a read-only folder", {EEXIST, EACCES}, ENG_ERROR, 2, EACCES},
        {"every name taken", std::vector<int>(64, EEXIST), ENG_ERROR, 64, EEXIST},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        failures = c.failures;
        tried.clear();
        G.member_name = "out/sub/m.txt";
        const tz::EngineRun r = tz::capture_streams([] { return create_output_file(scripted_create); });
        EXPECT_EQ(c.code, r.code);
        EXPECT_EQ(c.attempts, tried.size());
        // Random 8.3 names in the member's folder, each tried once.
        EXPECT_EQ(tried.size(), std::set<std::string>(tried.begin(), tried.end()).size());
        for (const std::string& name : tried) EXPECT_TRUE(std::regex_match(name, std::regex("out/sub/TEV[0-9A-F]{5}\\.TMP"))) << name;
        if (c.reason) {
            EXPECT_EQ("\nerror:  cannot create out/sub/m.txt\n        " + std::string(std::strerror(c.reason)) + "\n", r.err);
            EXPECT_EQ("", G.temp_name);
        } else {
            EXPECT_EQ("", r.err);
            EXPECT_EQ(tried.back(), G.temp_name);
            std::fclose(G.out_file);
            G.out_file = nullptr;
            host_output_ended();
        }
    }
}

}  // namespace
