// Names that Windows cannot create as they stand: reserved device names (CON,
// PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, with or without an
// extension), which would open the device instead of a file, forbidden
// characters, and trailing dots and spaces, which Windows drops.
#pragma once

#include <string>
#include <string_view>

// True when `component` (one path component) names a device on Windows.
bool is_windows_device_name(std::string_view component);

// Turns one path component into a name that Windows creates as a file: each of
// < > : " | ? * and every control character becomes '_', trailing dots and
// spaces are dropped, and a device name gets an '_' in front. Returns true when
// the component changed. "." and ".." are left alone.
bool make_windows_name(std::string& component);
