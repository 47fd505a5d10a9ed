// The text record of a shortcut (platform/shell.h): written by the Linux shell,
// read by whoever checks what the setup made. One table of keys for both.
#include <array>
#include <charconv>
#include <cstddef>

#include "platform/shell.h"

namespace {

enum Field { TARGET, ARGUMENTS, WORKING_DIRECTORY, ICON, ICON_INDEX, DESCRIPTION, FIELD_COUNT };

constexpr std::array<std::string_view, FIELD_COUNT> KEYS = {"target",      "arguments", "working directory",
                                                            "icon",        "icon index", "description"};

}  // namespace

std::string shortcut_record(const Shortcut& s) {
    const std::array<std::string, FIELD_COUNT> values = {
        s.target, s.arguments, s.working_directory, s.icon_path, std::to_string(s.icon_index), s.description};
    std::string record;
    for (int f = 0; f < FIELD_COUNT; ++f) {
        record.append(KEYS[f]);
        record += '=';
        record += values[f];
        record += '\n';
    }
    return record;
}

bool read_shortcut_record(std::string_view record, Shortcut& s) {
    std::array<std::string, FIELD_COUNT> values;
    for (int f = 0; f < FIELD_COUNT; ++f) {
        const size_t end = record.find('\n');
        if (end == std::string_view::npos) return false;
        const std::string_view line = record.substr(0, end);
        record.remove_prefix(end + 1);
        if (line.size() <= KEYS[f].size() || line.substr(0, KEYS[f].size()) != KEYS[f] || line[KEYS[f].size()] != '=')
            return false;
        values[f] = line.substr(KEYS[f].size() + 1);
    }
    int index = 0;
    const std::string& digits = values[ICON_INDEX];
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size() || !record.empty()) return false;
    s.target = values[TARGET];
    s.arguments = values[ARGUMENTS];
    s.working_directory = values[WORKING_DIRECTORY];
    s.icon_path = values[ICON];
    s.icon_index = index;
    s.description = values[DESCRIPTION];
    return true;
}
