// Helpers shared by the POSIX implementations of the Win32 calls.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/win32_api.h"

DWORD win32_error_from_errno(int err);
void set_last_error_from_errno();

// FILETIME (100 ns since 1601) and Unix seconds.
constexpr int64_t FILETIME_UNIX_EPOCH = 116444736000000000LL;
inline int64_t filetime_to_int(const FILETIME& ft) {
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}
inline FILETIME int_to_filetime(int64_t v) {
    const uint64_t u = static_cast<uint64_t>(v);
    return FILETIME{static_cast<DWORD>(u & 0xFFFFFFFFu), static_cast<DWORD>(u >> 32)};
}
inline int64_t filetime_to_unix(const FILETIME& ft) {
    return (filetime_to_int(ft) - FILETIME_UNIX_EPOCH) / 10000000LL;
}
inline FILETIME unix_to_filetime(int64_t seconds) {
    return int_to_filetime(seconds * 10000000LL + FILETIME_UNIX_EPOCH);
}

#include <string>

// The Windows spelling ("C:\dir\name") of a host path: the drive whose mapped
// directory holds it (the deepest one), or drive Z for the whole file system
// when the path lies outside every mapped drive and Z is free.
std::string posix_to_windows_path(const std::string& native);

// This layer's own changes to a folder, for the listings kept while
// host_keep_folder_listings is on: a file created or renamed in (added), one
// renamed away (removed), anything else (forget: every kept listing is dropped).
void folder_entry_added(const std::string& native);
void folder_entry_removed(const std::string& native);
void forget_folder_listings();

// Whether the machine part of the registry may be written (posix_set_machine_rights).
bool posix_machine_rights();
