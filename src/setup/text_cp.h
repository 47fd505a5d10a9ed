// Text for people: the setup's own texts reach windows, message boxes and file
// names in code page 1252 (the ANSI code page). The message table is stored in
// code page 850; this converts it, explicitly, whatever the machine's own code
// pages are. (The dialog's texts are converted from UTF-8 into its resources
// by scripts/gen_rc.py.)
#pragma once

#include <string>
#include <string_view>

// Code page 850 bytes as code page 1252 bytes ('?' where 1252 has no such letter).
std::string cp850_to_cp1252(std::string_view oem);
