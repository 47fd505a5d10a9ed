// mapname: member names to host paths below the extraction root.
#include <string>

#include "hostfs/mapname.h"
#include "hostfs_fixture.h"

namespace hostfs_test {
namespace {

using MapName = HostFsTest;

std::string padded22(const std::string& s) { return s + std::string(s.size() < 22 ? 22 - s.size() : 0, ' '); }

TEST_F(MapName, PathsBelowTheRootAndDirectoriesOnTheWay) {
    ASSERT_EQ(root("out").code, HOST_OK);
    ASSERT_TRUE(is_dir("out"));
    auto r = map("a/b/c.txt");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(G.member_name, "out/a/b/c.txt");
    EXPECT_TRUE(is_dir("out/a/b"));
    EXPECT_FALSE(tz::file_exists("out/a/b/c.txt"));  // mapname creates no file
    EXPECT_EQ(r.out + r.err, "");

    drop_root();
    r = map("x/y.txt");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(G.member_name, "x/y.txt");
    EXPECT_TRUE(is_dir("x"));
}

TEST_F(MapName, DirectoryEntries) {
    ASSERT_EQ(root("out").code, HOST_OK);
    auto r = map("dir/sub/");
    EXPECT_EQ(r.code, HOST_DIR_CREATED);
    EXPECT_EQ(r.out, "   creating: " + padded22("out/dir/sub/") + "\n");
    EXPECT_EQ(G.member_name, "out/dir/sub/");
    EXPECT_TRUE(is_dir("out/dir/sub"));

    r = map("dir/sub/");
    EXPECT_EQ(r.code, HOST_SKIP);
    EXPECT_EQ(r.out, "");

    G.quiet_level = 1;
    r = map("other/");
    EXPECT_EQ(r.code, HOST_SKIP);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(is_dir("out/other"));

    // With -j a directory entry creates nothing.
    G.quiet_level = 0;
    G.junk_paths = 1;
    r = map("deep/er/");
    EXPECT_EQ(r.code, HOST_SKIP);
    EXPECT_FALSE(is_dir("out/deep"));
}

TEST_F(MapName, JunkPathsWritesBelowTheRoot) {
    ASSERT_EQ(root("out").code, HOST_OK);
    G.junk_paths = 1;
    EXPECT_EQ(map("a/b/c.txt").code, HOST_OK);
    EXPECT_EQ(G.member_name, "out/c.txt");
    EXPECT_FALSE(is_dir("out/a"));
}

TEST_F(MapName, FreshenCreatesNoDirectory) {
    ASSERT_EQ(root("out").code, HOST_OK);
    G.freshen = 1;
    EXPECT_EQ(map("missing/file.txt").code, HOST_SKIP);
    EXPECT_FALSE(G.create_dirs);
    EXPECT_FALSE(is_dir("out/missing"));
    EXPECT_EQ(map("gone/").code, HOST_SKIP);
    EXPECT_FALSE(is_dir("out/gone"));
    // Existing directories are fine.
    ASSERT_EQ(::mkdir("out/here", 0777), 0);
    EXPECT_EQ(map("here/file.txt").code, HOST_OK);
    EXPECT_EQ(G.member_name, "out/here/file.txt");
}

TEST_F(MapName, CharacterCleaning) {
    EXPECT_EQ(map("a:b").code, HOST_OK);
    EXPECT_EQ(G.member_name, "a_b");
    EXPECT_EQ(map("x\x01y\x7fz\x1b").code, HOST_OK);
    EXPECT_EQ(G.member_name, "xyz");
    EXPECT_EQ(map("hi\x80\xfe\xff!").code, HOST_OK);
    EXPECT_EQ(G.member_name, "hi\x80\xfe!");
    // Ctrl-V keeps the next character as it is, a control character included.
    EXPECT_EQ(map("q\x16\x01q").code, HOST_OK);
    EXPECT_EQ(G.member_name, "q\x01q");
    EXPECT_EQ(map("d:/f").code, HOST_OK);
    EXPECT_EQ(G.member_name, "d_/f");
}

TEST_F(MapName, SpacesStayUnlessAskedOrOnFat) {
    EXPECT_EQ(map("a b.txt").code, HOST_OK);
    EXPECT_EQ(G.member_name, "a b.txt");
    G.spaces_to_underscore = 1;
    EXPECT_EQ(map("a b.txt").code, HOST_OK);
    EXPECT_EQ(G.member_name, "a_b.txt");
    G.spaces_to_underscore = 0;
    host_test_fat_names(1);
    EXPECT_EQ(map("c d.txt").code, HOST_OK);
    EXPECT_EQ(G.member_name, "c_d.txt");
}

TEST_F(MapName, VersionSuffixes) {
    EXPECT_EQ(map("README;1").code, HOST_OK);
    EXPECT_EQ(G.member_name, "README");
    EXPECT_EQ(map("README;").code, HOST_OK);
    EXPECT_EQ(G.member_name, "README");
    EXPECT_EQ(map("name;12").code, HOST_OK);
    EXPECT_EQ(G.member_name, "name");
    EXPECT_EQ(map("name;a").code, HOST_OK);
    EXPECT_EQ(G.member_name, "name;a");
    EXPECT_EQ(map("a;b;7").code, HOST_OK);
    EXPECT_EQ(G.member_name, "a;b");
    // A suffix belongs to the last component only; a quoted ';' is no suffix.
    EXPECT_EQ(map("dir;1/f;2").code, HOST_OK);
    EXPECT_EQ(G.member_name, "dir;1/f");
    EXPECT_EQ(map("q\x16;3").code, HOST_OK);
    EXPECT_EQ(G.member_name, "q;3");

    G.keep_versions = 1;
    EXPECT_EQ(map("name;12").code, HOST_OK);
    EXPECT_EQ(G.member_name, "name;12");
    EXPECT_EQ(map("README;").code, HOST_OK);
    EXPECT_EQ(G.member_name, "README;");
}

TEST_F(MapName, EmptyNameIsAConversionFailure) {
    auto r = map("\x01\x02");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.err, "mapname:  conversion of ^A^B failed\n");  // control bytes shown, not sent
    EXPECT_EQ(G.member_name, "\x01\x02");
    r = map("dir/\x7f");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.err, "mapname:  conversion of dir/<U+007F> failed\n");
    EXPECT_EQ(map("next.txt").code, HOST_OK);  // the state is clean afterwards
    EXPECT_EQ(G.member_name, "next.txt");
}

TEST_F(MapName, DirectoryPathTooLong) {
    // "r/" + 200 + "/" + 55 is 258 characters: the longest directory path.
    ASSERT_EQ(root("r").code, HOST_OK);
    const std::string a(200, 'a');
    auto r = map(a + "/" + std::string(55, 'b') + "/f");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(r.err, "");

    const std::string long_dir = a + "/" + std::string(56, 'c');
    r = map(long_dir + "/f");
    EXPECT_EQ(r.code, HOST_PATH_TOO_LONG);
    EXPECT_EQ(r.err, "checkdir error:  path too long: r/" + long_dir + "\n");
    EXPECT_FALSE(is_dir("r/" + long_dir));
    // An existing directory that is too long is refused alike.
    ASSERT_EQ(::mkdir(("r/" + long_dir).c_str(), 0777), 0);
    r = map(long_dir + "/f");
    EXPECT_EQ(r.code, HOST_PATH_TOO_LONG);
    EXPECT_EQ(r.err, "checkdir error:  path too long: r/" + long_dir + "\n");
}

TEST_F(MapName, LongNameIsTruncatedAt260) {
    ASSERT_EQ(root("r").code, HOST_OK);
    const std::string stored = std::string(200, 'a') + "/" + std::string(100, 'n');
    auto r = map(stored);
    EXPECT_EQ(r.code, HOST_OK);
    const std::string expected = "r/" + std::string(200, 'a') + "/" + std::string(57, 'n');
    ASSERT_EQ(expected.size(), 260u);
    EXPECT_EQ(G.member_name, expected);
    EXPECT_EQ(r.err, "checkdir warning:  path too long; truncating\n                   " + stored +
                         "\n                -> " + expected + "\n");
}

TEST_F(MapName, NoRoomLeftForTheName) {
    // A root of 260 characters leaves nothing of the file name: an error, rather
    // than a host path that names the directory itself.
    std::string deep = std::string(200, 'r');
    ASSERT_EQ(::mkdir(deep.c_str(), 0777), 0);
    deep += "/" + std::string(58, 's');
    ASSERT_EQ(root(deep.c_str()).code, HOST_OK);
    ASSERT_EQ(host_paths.root_path.size(), 260u);
    auto r = map("file.txt");
    EXPECT_EQ(r.code, HOST_PATH_TOO_LONG);
    EXPECT_EQ(r.err, "checkdir error:  path too long: " + deep + "/\n");
    EXPECT_EQ(G.member_name, "file.txt");
}

TEST_F(MapName, TruncationNeverLeavesADotName) {
    // "r/" + 200 + "/" + B + "/" leaves 260 - 258 + 55 - B characters for the
    // name; a name cut to "." or ".." would name a directory.
    ASSERT_EQ(root("r").code, HOST_OK);
    const struct {
        size_t b;
        const char* name;
        int code;
        const char* kept;
    } cases[] = {{55, ".x", HOST_PATH_TOO_LONG, ""}, {54, "..x", HOST_PATH_TOO_LONG, ""},
                 {54, ".ab", HOST_OK, ".a"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dirs = std::string(200, 'a') + "/" + std::string(c.b, 'b') + "/";
        auto r = map(dirs + c.name);
        EXPECT_EQ(r.code, c.code);
        if (c.code == HOST_PATH_TOO_LONG)
            EXPECT_EQ(r.err, "checkdir error:  path too long: r/" + dirs + "\n");
        else
            EXPECT_EQ(G.member_name, "r/" + dirs + c.kept);
    }
}

TEST_F(MapName, NamesTheFileSystemRejectsAreShortened) {
    // Components longer than the file system's 255 bytes.
    const std::string name = std::string(252, 'A') + ".text";
    auto r = map(name);
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(G.member_name, "AAAAAAAA.tex");
    const std::string dir(256, 'D');
    r = map(dir + "/f.c");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(G.member_name, "DDDDDDDD/f.c");
    EXPECT_TRUE(is_dir("DDDDDDDD"));
}

TEST_F(MapName, FatVolumeShortensLongComponents) {
    host_test_fat_names(1);
    ASSERT_EQ(root("out").code, HOST_OK);
    EXPECT_EQ(map("Verylongname.text").code, HOST_OK);
    EXPECT_EQ(G.member_name, "out/Verylong.tex");
    EXPECT_EQ(map("Verylongdir/short.txt").code, HOST_OK);
    EXPECT_EQ(G.member_name, "out/Verylong/short.txt");
    EXPECT_TRUE(is_dir("out/Verylong"));
    EXPECT_FALSE(is_dir("out/Verylongdir"));
    EXPECT_EQ(map("Verylongdir/a.b.c").code, HOST_OK);
    EXPECT_EQ(G.member_name, "out/Verylong/a_b.c");

    // The messages show the path as the archive spells it.
    const std::string a(200, 'a');
    const std::string dirs = a + "/" + std::string(60, 'b');
    auto r = map(dirs + "/f");
    EXPECT_EQ(r.code, HOST_PATH_TOO_LONG);
    EXPECT_EQ(r.err, "checkdir error:  path too long: out/" + dirs + "\n");
    EXPECT_TRUE(is_dir("out/aaaaaaaa"));
}

TEST_F(MapName, FoldersOfEarlierMembersAreReusedUntilANewRoot) {
    host_test_fat_names(1);
    ASSERT_EQ(root("out").code, HOST_OK);
    const struct {
        const char* stored;
        const char* host;
    } cases[] = {
        {"Longfolder/Longername/a.txt", "out/Longfold/Longerna/a.txt"},
        {"Longfolder/Longername/b.txt", "out/Longfold/Longerna/b.txt"},
        {"Longfolder/other/c.txt", "out/Longfold/other/c.txt"},
        {"Longfolder/Longername/d.txt", "out/Longfold/Longerna/d.txt"},
        {"Longfolder/Longer/e.txt", "out/Longfold/Longer/e.txt"},
        {"Longfold/f.txt", "out/Longfold/f.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(map(c.stored).code, HOST_OK) << c.stored;
        EXPECT_EQ(G.member_name, c.host);
    }
    // A new run sets its root again and finds the folders anew: one removed in
    // between is made again.
    ASSERT_EQ(::rmdir("out/Longfold/other"), 0);
    ASSERT_EQ(root("out").code, HOST_OK);
    const auto r = map("Longfolder/other/c.txt");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_TRUE(host_paths.created_dir);
    EXPECT_TRUE(is_dir("out/Longfold/other"));
}

TEST_F(MapName, NonDirectoryInTheWay) {
    ASSERT_EQ(root("out").code, HOST_OK);
    tz::write_text("out/f", "x");
    auto r = map("f/x.txt");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.err, "checkdir error:  out/f exists but is not directory\n"
                     "                 unable to process f/x.txt.\n");
}

TEST_F(MapName, DirectoryThatCannotBeCreated) {
    ASSERT_EQ(root("out").code, HOST_OK);
    ASSERT_EQ(::rmdir("out"), 0);  // the root vanished after it was set
    auto r = map("a/x.txt");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.err, "checkdir error:  can't create out/a\n"
                     "                 unable to process a/x.txt.\n");
}

}  // namespace
}  // namespace hostfs_test
