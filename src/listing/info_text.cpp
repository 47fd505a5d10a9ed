#include "listing/info_text.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::array<const char*, 13> host_long = {
    "MS-DOS, OS/2 or NT FAT", "Amiga", "VAX VMS", "Unix", "VM/CMS", "Atari ST",
    "OS/2 or NT HPFS", "Macintosh", "Z-System", "CP/M", "TOPS-20", "NT NTFS", "unknown"};
constexpr std::array<const char*, 13> host_short = {
    "fat", "ami", "vms", "unx", "cms", "atr", "hpf", "mac", "zzz", "cpm", "t20", "ntf", "???"};
constexpr std::array<const char*, 8> method_long = {
    "none (stored)", "shrunk", "reduced (factor 1)", "reduced (factor 2)",
    "reduced (factor 3)", "reduced (factor 4)", "imploded", "tokenized"};
constexpr std::array<const char*, 8> method_short = {"stor", "shrk", "re:1", "re:2",
                                                     "re:3", "re:4", "",     "tokn"};
constexpr std::array<const char*, 4> deflate_long = {"normal", "maximum", "fast", "superfast"};
constexpr std::array<char, 4> deflate_letter = {'N', 'X', 'F', 'S'};

constexpr int FIELD_WIDTH = 15;
constexpr int VERSION_COLUMN = 12;

// Writes "major.minor" of a version byte at the version column, cut at the field's end.
void put_version(std::string& field, unsigned version) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u", version / 10, version % 10);
    for (int i = 0; text[i] && VERSION_COLUMN + i < FIELD_WIDTH; ++i)
        field[VERSION_COLUMN + i] = text[i];
}

// One VMS protection group: R for read, W and D for write, E for execute.
std::string vms_group(unsigned bits, unsigned read, unsigned write, unsigned execute) {
    std::string g;
    if (bits & read) g += 'R';
    if (bits & write) g += 'W';
    if (bits & execute) g += 'E';
    if (bits & write) g += 'D';
    return g;
}

std::string vms_owner(unsigned bits) { return vms_group(bits, 0x100, 0x80, 0x40); }
std::string vms_grp(unsigned bits) { return vms_group(bits, 0x20, 0x10, 0x08); }
std::string vms_world(unsigned bits) { return vms_group(bits, 0x04, 0x02, 0x01); }

bool is_executable_name(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string_view ext = std::string_view(name).substr(dot + 1);
    if (ext.size() < 3) return false;
    for (const char* known : {"com", "exe", "btm", "cmd", "bat"}) {
        bool same = true;
        for (int i = 0; i < 3; ++i) {
            char c = ext[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != known[i]) same = false;
        }
        if (same) return true;
    }
    return false;
}

}  // namespace

const char* host_long_name(unsigned host) { return host_long[host < 12 ? host : 12]; }
const char* host_short_name(unsigned host) { return host_short[host < 12 ? host : 12]; }

std::string method_long_name(unsigned method) {
    if (method < 8) return method_long[method];
    if (method == 8) return "deflated";
    return "unknown (" + std::to_string(method) + ")";
}

std::string method_short_name(unsigned method, unsigned flags) {
    char text[16];
    if (method == 6)
        std::snprintf(text, sizeof text, "i%c:%c", (flags & 2) ? '8' : '4', (flags & 4) ? '3' : '2');
    else if (method < 8)
        return method_short[method];
    else if (method == 8)
        std::snprintf(text, sizeof text, "def%c", deflate_letter[(flags >> 1) & 3]);
    else
        std::snprintf(text, sizeof text, "u%03u", method);
    return text;
}

const char* deflate_subtype(unsigned flags) { return deflate_long[(flags >> 1) & 3]; }

std::string vms_attribute_text(unsigned bits) {
    std::string t = "(";
    t += vms_owner(bits);
    t += ',';
    t += vms_owner(bits);
    t += ',';
    t += vms_grp(bits);
    t += ',';
    t += vms_world(bits);
    t += ')';
    return t;
}

std::string amiga_attribute_text(unsigned bits) {
    std::string t(9, '-');
    const unsigned kind = bits & 0xC00;
    t[0] = kind == 0x800 ? 'd' : kind == 0x400 ? '-' : '?';
    static constexpr char letters[] = "hsparwed";
    for (int i = 0; i < 8; ++i)
        if (bits & (0x80u >> i)) t[1 + i] = letters[i];
    return t;
}

std::string unix_attribute_text(unsigned bits, bool lock_letter) {
    std::string t(10, '-');
    switch (bits & 0xF000) {
    case 0x4000: t[0] = 'd'; break;
    case 0x8000: t[0] = '-'; break;
    case 0xA000: t[0] = 'l'; break;
    case 0x6000: t[0] = 'b'; break;
    case 0x2000: t[0] = 'c'; break;
    case 0x1000: t[0] = 'p'; break;
    case 0xC000: t[0] = 's'; break;
    default: t[0] = '?'; break;
    }
    static constexpr char rwx[] = "rwx";
    for (int i = 0; i < 9; ++i)
        if (bits & (0x100u >> i)) t[1 + i] = rwx[i % 3];
    if (bits & 0x800) t[3] = (bits & 0x40) ? 's' : 'S';
    if (bits & 0x400) t[6] = (bits & 0x08) ? 's' : (lock_letter ? 'l' : 'S');
    if (bits & 0x200) t[9] = (bits & 0x01) ? 't' : 'T';
    return t;
}

std::string short_attribute_field(unsigned host, uint32_t external_attributes,
                                  unsigned made_by_version, const std::string& name) {
    std::string field(FIELD_WIDTH, ' ');
    const bool dos_style = host == 0 || host == 6 || host == 11;
    const unsigned bits = dos_style ? (external_attributes & 0xFF) : (external_attributes >> 16);

    if (host == 2) {
        std::string text = vms_owner(bits) + "," + vms_grp(bits) + "," + vms_world(bits) + " ";
        field.replace(0, text.size(), text);
        if (text.size() < VERSION_COLUMN) put_version(field, made_by_version);
    } else if (dos_style) {
        field.replace(0, 7, ".r.-...");
        put_version(field, made_by_version);
        field[0] = (bits & 0x10) ? 'd' : '-';
        field[2] = (bits & 0x01) ? '-' : 'w';
        field[4] = (bits & 0x20) ? 'a' : '-';
        field[5] = (bits & 0x02) ? 'h' : '-';
        field[6] = (bits & 0x04) ? 's' : '-';
        if (bits & 0x08) field[0] = 'V';
        else if (is_executable_name(name)) field[3] = 'x';
    } else if (host == 1) {
        field.replace(0, 9, amiga_attribute_text(bits));
        put_version(field, made_by_version);
    } else {
        field.replace(0, 10, unix_attribute_text(bits, false));
        put_version(field, made_by_version);
    }
    return field;
}
