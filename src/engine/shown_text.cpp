#include "engine/shown_text.h"

std::string shown_text(std::string_view text, bool keep_line_breaks) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (keep_line_breaks && (c == '\n' || c == '\t')) {
            out += ch;
        } else if (c < 32) {
            out += '^';
            out += static_cast<char>(c + 64);
        } else {
            out += ch;
        }
    }
    return out;
}
