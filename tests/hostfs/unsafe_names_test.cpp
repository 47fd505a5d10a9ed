// Member names that would leave the extraction root.
#include <string>

#include "engine/shown_text.h"
#include "hostfs/mapname.h"
#include "hostfs_fixture.h"

namespace hostfs_test {
namespace {

using UnsafeNames = HostFsTest;

// The warning names the member with its control bytes shown as '^' letters.
std::string warning_for(const std::string& stored) {
    return "warning:  " + shown_text(stored) + ":  removed unsafe path components\n";
}

TEST_F(UnsafeNames, ParentComponentsAreDropped) {
    ASSERT_EQ(root("out").code, HOST_OK);
    struct Case {
        const char* stored;
        const char* host;
    };
    const Case cases[] = {
        {"../../x", "out/x"},
        {"a/../../x", "out/a/x"},
        {"a/b/../c", "out/a/b/c"},
        {"..\\..\\y", "out/y"},
        {"...", nullptr},
        {"sub/.../.. /z", "out/sub/z"},
        {".. /x/..  /y", "out/x/y"},  // Windows drops the trailing spaces: ".."
        {"..\x16/w", "out/w"},      // a quoted separator still separates
        {"..;1/v", "out/..;1/v"},   // a directory named "..;1" is harmless
        {".\x01./u", "out/u"},      // cleaning cannot make a ".." appear
        {"t/..;2", nullptr},         // neither can cutting a version suffix
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const auto r = map(c.stored);
        if (c.host) {
            EXPECT_EQ(r.code, std::string(c.stored) == "..;1/v" ? HOST_OK : HOST_WARNING);
            EXPECT_EQ(G.member_name, c.host);
        } else {
            EXPECT_EQ(r.code, HOST_ERROR);
            EXPECT_EQ(r.err, warning_for(c.stored) + "mapname:  conversion of " + shown_text(c.stored) + " failed\n");
        }
        if (r.code == HOST_WARNING) {
            EXPECT_EQ(r.err, warning_for(c.stored));
        }
    }
}

TEST_F(UnsafeNames, AbsoluteNamesGoBelowTheRoot) {
    ASSERT_EQ(root("out").code, HOST_OK);
    auto r = map("/etc/passwd");
    EXPECT_EQ(r.code, HOST_WARNING);
    EXPECT_EQ(r.err, warning_for("/etc/passwd"));
    EXPECT_EQ(G.member_name, "out/etc/passwd");
    EXPECT_TRUE(is_dir("out/etc"));

    r = map("\\\\server\\share\\f");
    EXPECT_EQ(r.code, HOST_WARNING);
    EXPECT_EQ(G.member_name, "out/server/share/f");

    r = map("C:\\autoexec.bat");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(G.member_name, "out/C_/autoexec.bat");
    r = map("C\x16:x");  // quoting does not bring a drive back
    EXPECT_EQ(G.member_name, "out/C_x");

    // Without a root the name stays relative to the current directory.
    drop_root();
    r = map("/abs/file");
    EXPECT_EQ(r.code, HOST_WARNING);
    EXPECT_EQ(G.member_name, "abs/file");
    EXPECT_TRUE(is_dir("abs"));
}

TEST_F(UnsafeNames, HarmlessDotsAndEmptyComponentsStay) {
    ASSERT_EQ(root("out").code, HOST_OK);
    auto r = map("./dir/file");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(G.member_name, "out/./dir/file");
    r = map("a//b");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(G.member_name, "out/a/b");
    r = map("c/.//d/");
    EXPECT_EQ(r.code, HOST_DIR_CREATED);
    EXPECT_EQ(G.member_name, "out/c/./d/");
    r = map("win\\style\\name.txt");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(G.member_name, "out/win/style/name.txt");
    EXPECT_TRUE(is_dir("out/win/style"));
    r = map("./sub/");
    EXPECT_EQ(r.code, HOST_DIR_CREATED);
}

TEST_F(UnsafeNames, DirectoryEntriesAndJunkedPaths) {
    ASSERT_EQ(root("out").code, HOST_OK);
    auto r = map("../");
    EXPECT_EQ(r.code, HOST_SKIP);
    EXPECT_EQ(r.err, warning_for("../"));
    r = map("a/../");
    EXPECT_EQ(r.code, HOST_DIR_CREATED);
    EXPECT_EQ(G.member_name, "out/a/");

    // -j drops the directories anyway: nothing unsafe is left to report.
    G.junk_paths = 1;
    r = map("../../x");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(G.member_name, "out/x");
    r = map("a\\..\\y");
    EXPECT_EQ(G.member_name, "out/y");
    r = map("a/..");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.err, warning_for("a/..") + "mapname:  conversion of a/.. failed\n");
}

}  // namespace
}  // namespace hostfs_test
