// checkdir: the extraction root, the mode dispatch, and volume labels.
#include <string>

#include "hostfs/mapname.h"
#include "hostfs_fixture.h"

namespace hostfs_test {
namespace {

using ExtractionRoot = HostFsTest;
using VolumeLabel = HostFsTest;

TEST_F(ExtractionRoot, MissingDirectoriesAreCreated) {
    auto r = root("new");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(is_dir("new"));
    EXPECT_EQ(host_paths.root_path, "new/");
    EXPECT_EQ(host_paths.root_len, 4);

    // The whole path is made, as far down as it goes.
    r = root("missing/new/deeper/");
    EXPECT_EQ(r.code, HOST_OK);
    EXPECT_TRUE(is_dir("missing/new/deeper"));
    EXPECT_EQ(host_paths.root_path, "missing/new/deeper/");

    // A file in the way cannot become the root or a folder above it; the reason is told.
    tz::write_text("plain", "x");
    r = root("plain");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.err, "checkdir:  can't create extraction directory: plain: Not a directory\n");
    EXPECT_EQ(host_paths.root_len, 0);
    r = root("plain/x/y");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.err, "checkdir:  can't create extraction directory: plain/x/y: Not a directory\n");
}

TEST_F(ExtractionRoot, TrailingSlashAndExistingDirectories) {
    ASSERT_EQ(::mkdir("have", 0777), 0);
    EXPECT_EQ(root("have/").code, HOST_OK);
    EXPECT_EQ(host_paths.root_path, "have/");
    EXPECT_EQ(root("/").code, HOST_OK);
    EXPECT_EQ(host_paths.root_path, "/");
    EXPECT_EQ(root(nullptr).code, HOST_OK);
    EXPECT_EQ(host_paths.root_len, 0);
    EXPECT_EQ(root("").code, HOST_OK);
    EXPECT_EQ(host_paths.root_len, 0);
}

// On Windows the server and share of a network root are not made as folders
// (the share exists or the run fails below it); the folders under them are.
TEST(NetworkRoot, TheServerAndShareAreNoFoldersToMake) {
    const struct {
        const char* path;
        size_t head;
    } cases[] = {
        {"\\\\srv\\share\\new\\deeper", 11}, {"//srv/share/new", 11}, {"\\\\srv/share", 11},
        {"\\\\srv", 5},  {"\\\\srv\\", 6},          {"///srv/share", 0},
        {"\\\\", 0},      {"/srv/share/new", 0},      {"C:\\dir", 0},
        {"dir\\\\x", 0},  {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(network_share_length(c.path), c.head) << c.path;
}

TEST_F(ExtractionRoot, BareDrives) {
    // Nothing is looked up or created for a bare drive.
    EXPECT_EQ(root("C:").code, HOST_OK);
    EXPECT_EQ(host_paths.root_path, "C:./");
    EXPECT_EQ(root("C:/").code, HOST_OK);
    EXPECT_EQ(host_paths.root_path, "C:/");
    EXPECT_EQ(root("q:\\").code, HOST_OK);
    EXPECT_EQ(host_paths.root_path, "q:/");

    // A drive mapped to a directory: members land there.
    host_map_drive('C', tmp_.path().c_str());
    ASSERT_EQ(root("C:/").code, HOST_OK);
    EXPECT_EQ(map("sub/f.txt").code, HOST_OK);
    EXPECT_EQ(G.member_name, "C:/sub/f.txt");
    EXPECT_TRUE(is_dir(tmp_.path() + "/sub"));
}

TEST_F(ExtractionRoot, FreshenKeepsAMissingRoot) {
    // -f creates nothing: the root is not made, but it stays the root, so that no
    // existing file of the current directory is taken for a member's.
    G.create_dirs = false;
    auto r = root("absent");
    EXPECT_EQ(r.code, HOST_SKIP);
    EXPECT_FALSE(is_dir("absent"));
    G.freshen = 1;
    tz::write_text("f.txt", "current directory file");
    EXPECT_EQ(map("f.txt").code, HOST_OK);
    EXPECT_EQ(G.member_name, "absent/f.txt");
}

TEST_F(ExtractionRoot, ModesAndRelease) {
    ASSERT_EQ(root("out").code, HOST_OK);
    EXPECT_EQ(checkdir(nullptr, 6), HOST_UNKNOWN_MODE);
    EXPECT_EQ(checkdir("x", 7), HOST_UNKNOWN_MODE);
    EXPECT_EQ(host_paths.root_len, 4);
    // Only the low three bits choose the mode.
    EXPECT_EQ(checkdir(nullptr, 8 | CHECKDIR_DROP_ROOT), HOST_OK);
    EXPECT_EQ(host_paths.root_len, 0);
    EXPECT_EQ(drop_root(), HOST_OK);
}

TEST_F(ExtractionRoot, ModesOneByOne) {
    ASSERT_EQ(root("out").code, HOST_OK);
    G.member_name = "d/n";
    EXPECT_EQ(checkdir(nullptr, CHECKDIR_BEGIN_PATH), HOST_OK);
    EXPECT_EQ(checkdir("d", CHECKDIR_ADD_DIR), HOST_OK);
    EXPECT_TRUE(host_paths.created_dir);
    EXPECT_EQ(checkdir("n", CHECKDIR_ADD_NAME), HOST_OK);
    EXPECT_EQ(host_paths.long_path, "out/d/n");
    EXPECT_EQ(checkdir(nullptr, CHECKDIR_TAKE_PATH), HOST_OK);
    EXPECT_EQ(G.member_name, "out/d/n");
    EXPECT_TRUE(host_paths.host_path.empty());
}

TEST_F(VolumeLabel, RefusedWithoutOptionOrDrive) {
    member_.volume_label = true;
    // No -$: refused.
    auto r = map("MYDISK");
    EXPECT_EQ(r.code, HOST_VOLUME_LABEL_UNWANTED);
    EXPECT_EQ(r.out + r.err, "");
    // The current directory of a Linux process has no drive letter.
    G.volume_label_level = 2;
    EXPECT_EQ(map("MYDISK").code, HOST_VOLUME_LABEL_UNWANTED);
}

TEST_F(VolumeLabel, FixedAndRemovableDrives) {
    member_.volume_label = true;
    host_map_drive('C', tmp_.path().c_str());
    ASSERT_EQ(root("C:/").code, HOST_OK);

    // One -$ labels removable drives only.
    G.volume_label_level = 1;
    EXPECT_EQ(map("MYDISK").code, HOST_VOLUME_LABEL_UNWANTED);
    EXPECT_EQ(host_paths.label_drive, 3);

    // This host cannot set labels: the member reports the error.
    host_test_removable_drives(1);
    auto r = map("dir/MY:DISK");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.out, "labelling c: MY_DISK               \n");
    EXPECT_EQ(r.err, "mapname:  error setting volume label\n");
    EXPECT_FALSE(is_dir(tmp_.path() + "/dir"));  // a label creates no directory

    host_test_removable_drives(0);
    G.volume_label_level = 2;
    G.quiet_level = 1;
    r = map("MYDISK");
    EXPECT_EQ(r.code, HOST_ERROR);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "mapname:  error setting volume label\n");
}

TEST_F(VolumeLabel, CurrentDirectoryTooLong) {
    // A current directory whose full path exceeds 260 characters: the drive cannot
    // be told, and the label is refused instead of being extracted as a file.
    std::string deep = tmp_.path();
    for (int i = 0; i < 3; ++i) {
        deep += "/" + std::string(100, 'd');
        ASSERT_EQ(::mkdir(deep.c_str(), 0777), 0);
    }
    tz::ScopedCwd inside(deep);
    member_.volume_label = true;
    G.volume_label_level = 2;
    auto r = map("MYDISK");
    EXPECT_EQ(r.code, HOST_VOLUME_LABEL_UNWANTED);
    EXPECT_EQ(r.err, "checkdir warning: current dir path too long\n");
    EXPECT_EQ(G.member_name, "MYDISK");
}

}  // namespace
}  // namespace hostfs_test
