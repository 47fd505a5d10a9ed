#include "engine/shown_text.h"

#include <cstdint>
#include <cstdio>

namespace {

// The code point of the UTF-8 sequence at text[at], and its length; 0 when no
// valid sequence starts there (a stray continuation byte, a cut sequence, an
// overlong form, a surrogate, a value above U+10FFFF).
size_t utf8_sequence(std::string_view text, size_t at, uint32_t* code_point) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length;
    uint32_t cp;
    uint32_t lowest;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1Fu, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0Fu, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07u, lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0u) != 0x80u) return 0;
        cp = cp << 6 | (byte(at + i) & 0x3Fu);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    *code_point = cp;
    return length;
}

// Characters that change what a terminal does or how it orders the text that
// follows: DEL, the C1 controls (CSI, OSC, ...) and the bidirectional
// embeddings, overrides and isolates.
bool is_hidden_control(uint32_t cp) {
    return cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

void append_escape(std::string& out, const char* format, unsigned value) {
    char escape[16];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

}  // namespace

std::string shown_text(std::string_view text, bool keep_line_breaks) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        uint32_t cp = c;
        size_t length = c < 0x80 ? 1 : utf8_sequence(text, i, &cp);
        if (length == 0) {
            // A byte of a name in a code page. Only CSI and OSC of 8-bit
            // terminals are escaped; every other byte is a character there.
            if (c == 0x9B || c == 0x9D) append_escape(out, "<0x%02X>", c);
            else out += text[i];
            ++i;
            continue;
        }
        if (keep_line_breaks && (c == '\n' || c == '\t')) {
            out += text[i];
        } else if (c < 32) {
            out += '^';
            out += static_cast<char>(c + 64);
        } else if (is_hidden_control(cp)) {
            append_escape(out, "<U+%04X>", cp);
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}
