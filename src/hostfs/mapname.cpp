#include "hostfs/mapname.h"

// Placeholder until name mapping lands: no root is kept.
int mapname(int) { return HOST_ERROR; }

int checkdir(char*, int mode) {
    switch (mode & 7) {
    case CHECKDIR_SET_ROOT:
    case CHECKDIR_DROP_ROOT:
        return HOST_OK;
    default:
        return HOST_UNKNOWN_MODE;
    }
}
