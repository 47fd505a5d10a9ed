// Directory scanning and the expansion of wildcard archive names.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win32_api.h"

struct DirScan {
    std::string entry_name;       // name of the current entry
    bool first_pending = false;   // first entry fetched at open, not yet handed out
    HANDLE search = INVALID_HANDLE_VALUE;
    ~DirScan();
};

std::unique_ptr<DirScan> dir_scan_open(const char* directory);
// Moves to the next entry; false at the end (the scan stays open).
bool dir_scan_next(DirScan& scan);
void dir_scan_close(std::unique_ptr<DirScan>& scan);

constexpr int WILD_RESULT_MAX = 260;

// The next host file matching `argument` (a name that may hold wildcards), or
// null when the matches are exhausted; when nothing matches, the argument itself
// is returned once. The result buffer has room for 4 more bytes (".zip").
char* next_wild_match(const char* argument);

// While on, the matches of a completed wildcard sequence are kept, and the next
// sequence for the same argument hands them out again without reading the folder:
// for a host program that runs the engine many times on one archive in a folder
// that does not change meanwhile (an installation, one run per member). Turning
// it off (or on again) forgets them.
void keep_wild_matches(bool on);
