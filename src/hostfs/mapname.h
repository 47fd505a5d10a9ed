// Turning member names into host paths below the extraction root, creating the
// directories on the way; the extraction root itself.
#pragma once

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

// Maps G.member_name (the stored name) to the host path, left in G.member_name.
int mapname(int user_named);

int checkdir(char* path, int mode);

// The extraction root (engine entry, "-d") and its release at the end of a run.
inline int set_root(char* path) { return checkdir(path, CHECKDIR_SET_ROOT); }
inline int drop_root() { return checkdir(nullptr, CHECKDIR_DROP_ROOT); }
