#include "setup/text_cp.h"

#include <array>
#include <cstdint>

#include "platform/code_page_850.h"

namespace {

// Code points of the 1252 bytes 0x80-0x9F (the five unassigned bytes keep the
// control characters of the same value).
constexpr std::array<uint16_t, 32> CP1252_80_TO_UNICODE = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char cp1252_of(uint32_t code_point) {
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) return static_cast<char>(code_point);
    for (size_t i = 0; i < CP1252_80_TO_UNICODE.size(); ++i)
        if (CP1252_80_TO_UNICODE[i] == code_point) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string cp850_to_cp1252(std::string_view oem) {
    std::string out(oem.size(), '\0');
    for (size_t i = 0; i < oem.size(); ++i)
        out[i] = static_cast<char>(cp850_to_cp1252_byte(static_cast<uint8_t>(oem[i])));
    return out;
}

std::string utf8_to_cp1252(std::string_view utf8) {
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto byte = [&](size_t at) { return static_cast<uint8_t>(utf8[at]); };
        const uint8_t lead = byte(i);
        size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        uint32_t code_point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && i + length <= utf8.size();
        for (size_t k = 1; valid && k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) valid = false;
            else code_point = (code_point << 6) | (byte(i + k) & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        out += cp1252_of(code_point);
        i += length;
    }
    return out;
}
