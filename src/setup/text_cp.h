// Text for people: the setup's own texts reach windows, message boxes and file
// names in code page 1252 (the ANSI code page). The message table is stored in
// code page 850 and the dialog's control table in UTF-8; these convert them,
// explicitly, whatever the machine's own code pages are.
#pragma once

#include <string>
#include <string_view>

// Code page 850 bytes as code page 1252 bytes ('?' where 1252 has no such letter).
std::string cp850_to_cp1252(std::string_view oem);

// UTF-8 as code page 1252 bytes; a character 1252 does not hold, or a broken
// sequence, becomes '?'.
std::string utf8_to_cp1252(std::string_view utf8);
