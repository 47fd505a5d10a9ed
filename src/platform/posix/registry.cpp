// The registry on Linux: a text record per root on the mapped drive C:
// (platform/registry.h), read whole and written whole, through a temporary
// file renamed over the record so that it is never left half written.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/hostfile.h"
#include "platform/posix/posix_util.h"
#include "platform/registry.h"

namespace {

// One line of the record: a key (empty name, not a value) or a value of a key.
struct Line {
    std::string key;
    bool is_value = false;
    RegistryValue value;
};

bool same(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// True when `key` is `parent` or lies below it.
bool within(const std::string& key, const std::string& parent) {
    if (key.size() < parent.size() || !same(key.substr(0, parent.size()), parent)) return false;
    return key.size() == parent.size() || key[parent.size()] == '\\';
}

const char* record_file(RegistryRoot root) { return REGISTRY_RECORD_FILES[root == RegistryRoot::user ? 0 : 1]; }

// Texts that cannot be kept in a line of the record are refused.
bool storable(const std::string& text) { return text.find_first_of("\t\r\n") == std::string::npos; }

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

// The record's lines; lines that are not of the record's form are dropped.
std::vector<Line> read_record(RegistryRoot root) {
    std::vector<Line> lines;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(host_fopen(record_file(root), "rb"), std::fclose);
    if (!file) return lines;
    std::string text;
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, file.get())) > 0;) text.append(block, n);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::vector<std::string> f = split_tabs(text.substr(start, end - start));
        start = end + 1;
        Line line;
        line.key = f[0];
        if (line.key.empty()) continue;
        if (f.size() == 4 && (f[2] == "REG_SZ" || f[2] == "REG_DWORD")) {
            line.is_value = true;
            line.value.name = f[1];
            line.value.is_number = f[2] == "REG_DWORD";
            if (line.value.is_number) {
                const auto [at, error] = std::from_chars(f[3].data(), f[3].data() + f[3].size(), line.value.number);
                if (error != std::errc() || at != f[3].data() + f[3].size()) continue;
            } else {
                line.value.text = f[3];
            }
        } else if (f.size() != 1) {
            continue;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// Makes each missing folder of `path`'s parents (the record's own folder).
void make_parents(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        host_mkdir(path.substr(0, at).c_str());
}

bool write_record(RegistryRoot root, const std::vector<Line>& lines) {
    std::string text;
    for (const Line& l : lines) {
        text += l.key;
        if (l.is_value) {
            text += '\t' + l.value.name + '\t' + (l.value.is_number ? "REG_DWORD" : "REG_SZ") + '\t' +
                    (l.value.is_number ? std::to_string(l.value.number) : l.value.text);
        }
        text += '\n';
    }
    const std::string target = record_file(root);
    make_parents(target);
    const std::string temp = target + ".new";
    std::FILE* out = host_fopen(temp.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    ok = std::fclose(out) == 0 && ok;
    if (ok) ok = host_replace(temp.c_str(), target.c_str()) == 0;
    if (!ok) host_remove(temp.c_str());
    return ok;
}

auto find_value(std::vector<Line>& lines, const std::string& key, const std::string& name) {
    return std::find_if(lines.begin(), lines.end(), [&](const Line& l) {
        return l.is_value && same(l.key, key) && same(l.value.name, name);
    });
}

}  // namespace

bool registry_read(RegistryRoot root, const std::string& key, const std::string& name, RegistryValue& value) {
    std::vector<Line> lines = read_record(root);
    const auto it = find_value(lines, key, name);
    if (it == lines.end()) return false;
    value = it->value;
    return true;
}

bool registry_key_exists(RegistryRoot root, const std::string& key) {
    const std::vector<Line> lines = read_record(root);
    return std::any_of(lines.begin(), lines.end(), [&](const Line& l) { return within(l.key, key); });
}

bool registry_write(RegistryRoot root, const std::string& key, const RegistryValue& value) {
    if (key.empty() || !storable(key) || !storable(value.name) || !storable(value.text)) return false;
    if (root == RegistryRoot::machine && !posix_machine_rights()) return false;
    std::vector<Line> lines = read_record(root);
    const bool key_known =
        std::any_of(lines.begin(), lines.end(), [&](const Line& l) { return !l.is_value && same(l.key, key); });
    if (!key_known) lines.push_back(Line{key, false, {}});
    const auto it = find_value(lines, key, value.name);
    if (it != lines.end()) it->value = value;
    else lines.push_back(Line{key, true, value});
    return write_record(root, lines);
}

bool registry_delete_value(RegistryRoot root, const std::string& key, const std::string& name) {
    std::vector<Line> lines = read_record(root);
    const auto it = find_value(lines, key, name);
    if (it == lines.end()) return true;
    if (root == RegistryRoot::machine && !posix_machine_rights()) return false;
    lines.erase(it);
    return write_record(root, lines);
}

bool registry_delete_key(RegistryRoot root, const std::string& key) {
    std::vector<Line> lines = read_record(root);
    for (const Line& l : lines)
        if (within(l.key, key) && !same(l.key, key)) return false;  // it has subkeys
    const auto end = std::remove_if(lines.begin(), lines.end(), [&](const Line& l) { return same(l.key, key); });
    if (end == lines.end()) return true;
    if (root == RegistryRoot::machine && !posix_machine_rights()) return false;
    lines.erase(end, lines.end());
    return write_record(root, lines);
}

bool registry_may_write(RegistryRoot root) { return root == RegistryRoot::user || posix_machine_rights(); }
