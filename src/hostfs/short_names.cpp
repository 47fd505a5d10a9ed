#include "hostfs/short_names.h"

#include <algorithm>

namespace {

constexpr size_t NAME_MAX_8_3 = 8;
constexpr size_t EXT_MAX_8_3 = 3;
constexpr size_t NONE = std::string::npos;

}  // namespace

void shorten_to_8_3(std::string_view component, std::string& out) {
    if (component == ".") return;
    if (component == "..") {
        out += "..";
        return;
    }
    // Work on the component alone; `sep` is the position of the extension dot.
    std::string s;
    s.reserve(component.size() + 1);
    size_t sep = NONE;
    bool leading_dot = false;  // a provisional dot stands behind a leading '_'
    for (size_t i = 0; i < component.size(); ++i) {
        const char c = component[i];
        if (c == '[' || c == ']') {
            s += '_';
        } else if (c != '.') {
            s += c;
        } else if (i == 0) {
            // A leading dot cannot start an 8.3 name: "_" with a provisional extension.
            s += "_.";
            sep = 1;
            leading_dot = true;
        } else if (leading_dot) {
            // The provisional dot gives way to this one.
            s.erase(sep, 1);
            sep = s.size();
            s += '.';
            leading_dot = false;
        } else {
            if (sep != NONE) s[sep] = '_';
            sep = s.size();
            s += '.';
        }
    }

    if (sep == NONE) {
        const size_t underscore = s.rfind('_');
        if (underscore != NONE) {
            // A long name with an '_' near its end keeps that end as its extension.
            const size_t n = std::min(underscore, NAME_MAX_8_3);
            const size_t e = std::min(s.size() - underscore - 1, EXT_MAX_8_3);
            if (n + e > NAME_MAX_8_3) {
                sep = underscore;
                s[sep] = '.';
            }
        }
        if (sep == NONE) {
            out.append(s, 0, std::min(s.size(), NAME_MAX_8_3));
            return;
        }
    }
    const size_t ext_len = std::min(s.size() - sep - 1, EXT_MAX_8_3);
    const size_t name_len = std::min(sep, NAME_MAX_8_3);
    out.append(s, 0, name_len);
    out.append(s, sep, 1 + ext_len);
}

std::string shorten_to_8_3(std::string_view component) {
    std::string out;
    shorten_to_8_3(component, out);
    return out;
}
