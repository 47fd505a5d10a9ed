#include "setup/uninstall_record.h"

#include <charconv>
#include <cstdio>

#include "migration/file_helpers.h"

namespace {

constexpr std::string_view RECORD_HEADER = "TEV uninstall record 1";

// An absolute path that climbs nowhere and holds no control character.
bool sound_path(std::string_view path) {
    for (const char c : path)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    return is_absolute_path(path) && !climbs_to_parent(path);
}

bool is_link_name(std::string_view path) {
    return path.size() > 4 && compare_nocase(path.substr(path.size() - 4), ".LNK", 4) == 0;
}

template <typename T>
bool number_of(std::string_view text, T& value, int base = 10) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// Takes one entry line ("keyword value") into the record.
bool take_entry(std::string_view keyword, std::string_view value, UninstallRecord& r, bool& has_destination) {
    if (keyword == "language") return number_of(value, r.language) && r.language >= 0 && r.language <= 2;
    if (keyword == "scope") {
        r.all_users = value == "machine";
        return value == "machine" || value == "user";
    }
    if (keyword == "destination") {
        if (has_destination || !sound_path(value)) return false;
        r.destination = value;
        has_destination = true;
        return true;
    }
    if (keyword == "folder" || keyword == "link") {
        if (!sound_path(value) || (keyword == "link" && !is_link_name(value))) return false;
        (keyword == "folder" ? r.folders : r.links).emplace_back(value);
        return true;
    }
    if (keyword == "file") {
        const size_t a = value.find(' ');
        const size_t b = a == std::string_view::npos ? a : value.find(' ', a + 1);
        if (b == std::string_view::npos) return false;
        RecordedFile f;
        f.path = value.substr(b + 1);
        if (!number_of(value.substr(0, a), f.size) || value.substr(a + 1, b - a - 1).size() != 8 ||
            !number_of(value.substr(a + 1, b - a - 1), f.crc, 16) || !sound_path(f.path))
            return false;
        r.files.push_back(std::move(f));
        return true;
    }
    if (keyword == "value") {
        for (const char c : value)
            if (static_cast<unsigned char>(c) < 0x20) return false;
        r.values.emplace_back(value);
        return !value.empty();
    }
    return false;
}

}  // namespace

std::string uninstall_record_text(const UninstallRecord& r) {
    std::vector<std::string> entries = {"language " + std::to_string(r.language),
                                        std::string("scope ") + (r.all_users ? "machine" : "user"),
                                        "destination " + r.destination};
    for (const std::string& f : r.folders) entries.push_back("folder " + f);
    for (const RecordedFile& f : r.files) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(f.crc));
        entries.push_back("file " + std::to_string(f.size) + " " + crc + " " + f.path);
    }
    for (const std::string& l : r.links) entries.push_back("link " + l);
    for (const std::string& v : r.values) entries.push_back("value " + v);
    std::string text = std::string(RECORD_HEADER) + "\r\n";
    for (const std::string& e : entries) text += e + "\r\n";
    return text + "end " + std::to_string(entries.size()) + "\r\n";
}

bool read_uninstall_record(std::string_view text, UninstallRecord& record) {
    UninstallRecord r;
    bool has_destination = false;
    size_t entries = 0;
    bool first = true;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) return false;  // cut short
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first) {
            if (line != RECORD_HEADER) return false;
            first = false;
            continue;
        }
        const size_t blank = line.find(' ');
        if (blank == std::string_view::npos) return false;
        const std::string_view keyword = line.substr(0, blank);
        const std::string_view value = line.substr(blank + 1);
        if (keyword == "end") {
            size_t count = 0;
            if (!number_of(value, count) || count != entries || !text.empty() || !has_destination) return false;
            record = std::move(r);
            return true;
        }
        if (!take_entry(keyword, value, r, has_destination)) return false;
        ++entries;
    }
    return false;
}
