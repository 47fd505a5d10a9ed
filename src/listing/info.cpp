#include "listing/info.h"

#include <cstdio>

#include "engine/engine.h"

// The information mode is not available yet: refuse clearly instead of pretending.
int info_parse_options(int*, char***) {
    std::fprintf(stderr, "zipinfo:  the information mode is not available in this build\n");
    return ENG_BAD_USAGE;
}

int info_header() { return ENG_BAD_USAGE; }
int info_listing() { return ENG_BAD_USAGE; }
int info_format_number() { return 0; }

int info_usage(bool is_error) {
    std::fprintf(is_error ? stderr : stdout,
                 "zipinfo:  the information mode is not available in this build\n");
    return is_error ? ENG_BAD_USAGE : ENG_OK;
}
