// Code pages of the Linux layer: the OEM code page 850 and the ANSI code page
// Windows-1252, for OemToCharA, MultiByteToWideChar and WideCharToMultiByte.
#include <cstdint>

#include "platform/code_pages.h"
#include "platform/posix/codepages.h"

uint8_t oem_to_ansi(uint8_t c) { return cp850_to_cp1252_byte(c); }

uint16_t ansi_to_unicode(uint8_t c) { return cp1252_to_unicode(c); }

int unicode_to_ansi(uint16_t u) { return unicode_to_cp1252(u); }
