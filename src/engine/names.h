// Member names as the engine passes them on: names from hosts that write the
// DOS code page 437 (FAT, HPFS, NTFS) without the UTF-8 flag are converted to
// UTF-8, so that every name the engine prints, matches and creates is UTF-8.
#pragma once

#include <string>
#include <string_view>

// True for the hosts whose names are in code page 437 unless flagged as UTF-8.
bool host_writes_cp437(int host);

// The UTF-8 spelling of a code page 437 name (ASCII bytes stay as they are).
std::string cp437_to_utf8(std::string_view name);
