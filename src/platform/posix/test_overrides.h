// The state of the volume test overrides of platform/test_hooks.h, for the POSIX
// implementations of the Win32 calls.
#pragma once

#include <string_view>

// True when the FAT-names override is on (by host_test_fat_names or, while that
// was not called, by TEV_TEST_FAT_NAMES=1).
bool fat_names_override();
// True when the removable-drives override is on (likewise, TEV_TEST_REMOVABLE_DRIVES=1).
bool removable_drives_override();

// Whether `name` (one path component) is a legal 8.3 name as test_hooks.h describes.
bool is_legal_8_3_name(std::string_view name);
