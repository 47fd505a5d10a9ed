// Code pages of the Linux layer: the OEM code page 850 and the ANSI code page
// Windows-1252, for OemToCharA, MultiByteToWideChar and WideCharToMultiByte.
#include <cstdint>

#include "platform/code_page_850.h"
#include "platform/posix/codepages.h"

namespace {

// Windows-1252 bytes 0x80-0x9F as UTF-16 code units (the five unassigned
// bytes stand for the control characters of the same value). Bytes 0xA0-0xFF
// equal their code points.
constexpr uint16_t ANSI_80_TO_UNICODE[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

uint8_t oem_to_ansi(uint8_t c) { return cp850_to_cp1252_byte(c); }

uint16_t ansi_to_unicode(uint8_t c) {
    return c >= 0x80 && c < 0xA0 ? ANSI_80_TO_UNICODE[c - 0x80] : c;
}

int unicode_to_ansi(uint16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (ANSI_80_TO_UNICODE[i] == u) return 0x80 + i;
    return -1;
}
