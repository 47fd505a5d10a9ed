#include "hostfs/windows_names.h"

#include <array>
#include <cctype>

namespace {

constexpr std::array<std::string_view, 8> DEVICES = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$",
                                                     "COM", "LPT"};

bool equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

bool is_windows_device_name(std::string_view component) {
    // The device is named by the part before the first dot, trailing spaces aside.
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (std::string_view device : DEVICES) {
        if (device == "COM" || device == "LPT") {
            if (base.size() == 4 && equal_nocase(base.substr(0, 3), device) && base[3] >= '1' && base[3] <= '9')
                return true;
        } else if (equal_nocase(base, device)) {
            return true;
        }
    }
    return false;
}

bool make_windows_name(std::string& component) {
    if (component == "." || component == "..") return false;
    bool changed = false;
    for (char& c : component) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*') {
            c = '_';
            changed = true;
        }
    }
    while (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
        component.pop_back();
        changed = true;
    }
    if (is_windows_device_name(component)) {
        component.insert(0, 1, '_');
        changed = true;
    }
    return changed;
}
