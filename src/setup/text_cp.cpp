#include "setup/text_cp.h"

#include <cstdint>

#include "platform/code_pages.h"

std::string cp850_to_cp1252(std::string_view oem) {
    std::string out(oem.size(), '\0');
    for (size_t i = 0; i < oem.size(); ++i)
        out[i] = static_cast<char>(cp850_to_cp1252_byte(static_cast<uint8_t>(oem[i])));
    return out;
}
