#include "setup/text_cp.h"

#include <cstdint>

#include "platform/code_pages.h"

namespace {

char cp1252_of(uint32_t code_point) {
    const int c = unicode_to_cp1252(code_point);
    return c < 0 ? '?' : static_cast<char>(c);
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
