// Turning member names into host paths below the extraction root, creating the
// directories on the way; the extraction root itself.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

// Host layer result codes.
enum : int {
    HOST_OK = 0,
    HOST_WARNING = 1,
    HOST_SKIP = 2,
    HOST_ERROR = 3,
    HOST_PATH_TOO_LONG = 4,
    HOST_NO_MEMORY = 10,
    HOST_DIR_CREATED = 77,
    HOST_VOLUME_LABEL_UNWANTED = 78,
    HOST_UNKNOWN_MODE = 99,
};

// checkdir modes (low three bits of the mode argument).
enum : int {
    CHECKDIR_SET_ROOT = 0,
    CHECKDIR_BEGIN_PATH = 1,
    CHECKDIR_ADD_DIR = 2,
    CHECKDIR_ADD_NAME = 3,
    CHECKDIR_TAKE_PATH = 4,
    CHECKDIR_DROP_ROOT = 5,
};

// The longest paths the layer builds.
constexpr int HOST_PATH_MAX = 260;       // a full path, with the file name
constexpr int HOST_DIR_PATH_MAX = 258;   // a directory path, without its separator

// The host layer's one state record, kept for the whole process.
struct HostPathState {
    std::string root_path;   // extraction root ending in '/'; meaningful while root_len > 0
    int root_len = 0;        // 0: no root
    std::string long_path;   // the member's path as the archive spells it, below the root
    std::string host_path;   // the path really created: components verbatim or in 8.3 form
    bool created_dir = false;  // a directory was created for the current member
    int name_len = 0;        // length of the member name when mapname started
    int label_drive = 0;     // drive receiving a volume label, 1 = A
    // The symbolic links this run made (host paths): no member is written
    // through one of them. Dropped with the root at the run's start and end.
    std::set<std::string> links_made;
};

extern HostPathState host_paths;

// Maps G.member_name (the stored name) to the host path, left in G.member_name.
// Returns HOST_OK, HOST_WARNING (the path is ready, but unsafe parts of the name
// were removed: a leading separator or a ".." component; the member's result is
// to be raised to a warning), or one of the codes that skip the member:
// HOST_SKIP, HOST_DIR_CREATED, HOST_VOLUME_LABEL_UNWANTED, HOST_ERROR,
// HOST_PATH_TOO_LONG, HOST_NO_MEMORY. `user_named` is always 0 here.
int mapname(int user_named);

// The path state machine; the mode is taken from the low three bits of `mode`.
//   set_root   (path: the extraction directory, may be null)  0, 2, 3, 10
//   begin_path (path ignored)                                  0, 10, 78
//   add_dir    (path: one directory component)                 0, 2, 3, 4
//   add_name   (path: the last component)                      0, 1 (truncated), 4
//   take_path  (path ignored): the host path goes to G.member_name   0
//   drop_root  (path ignored)                                  0
//   modes 6 and 7: HOST_UNKNOWN_MODE
int checkdir(const char* path, int mode);

// Releases the current member's paths (after an error that ends its mapping).
void release_host_paths() noexcept;

// The length of the `\\server\share` head of a network path (either separator),
// which holds no folder that could be made; 0 when `path` is no network path.
size_t network_share_length(std::string_view path);

// The extraction root (engine entry, "-d") and its release at the end of a run.
inline int set_root(const char* path) { return checkdir(path, CHECKDIR_SET_ROOT); }
inline int drop_root() { return checkdir(nullptr, CHECKDIR_DROP_ROOT); }
