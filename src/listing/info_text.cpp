#include "listing/info_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "engine/zip_format.h"

namespace {

constexpr std::array<const char*, HOST_UNKNOWN + 1> host_long = {
    "MS-DOS, OS/2 or NT FAT", "Amiga", "VAX VMS", "Unix", "VM/CMS", "Atari ST",
    "OS/2 or NT HPFS", "Macintosh", "Z-System", "CP/M", "TOPS-20", "NT NTFS", "unknown"};
constexpr std::array<const char*, HOST_UNKNOWN + 1> host_short = {
    "fat", "ami", "vms", "unx", "cms", "atr", "hpf", "mac", "zzz", "cpm", "t20", "ntf", "???"};
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

const char* host_long_name(unsigned host) { return host_long[std::min(host, unsigned{HOST_UNKNOWN})]; }
const char* host_short_name(unsigned host) { return host_short[std::min(host, unsigned{HOST_UNKNOWN})]; }

std::string method_long_name(unsigned method) {
    if (const MethodNames* names = method_names(method)) return names->full;
    return "unknown (" + std::to_string(method) + ")";
}

std::string method_short_name(unsigned method, unsigned flags) {
    char text[16];
    const MethodNames* names = method_names(method);
    if (method == METHOD_IMPLODED)
        std::snprintf(text, sizeof text, "i%c:%c", (flags & FLAG_IMPLODE_8K) ? '8' : '4',
                      (flags & FLAG_IMPLODE_3_TREES) ? '3' : '2');
    else if (method == METHOD_DEFLATED)
        std::snprintf(text, sizeof text, "def%c", deflate_letter[deflate_level(flags)]);
    else if (names)
        std::snprintf(text, sizeof text, "%-4s", names->brief);
    else
        std::snprintf(text, sizeof text, "u%03u", method);
    return text;
}

const char* deflate_subtype(unsigned flags) { return deflate_long[deflate_level(flags)]; }

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
    switch (bits & UNIX_TYPE_MASK) {
    case UNIX_DIRECTORY: t[0] = 'd'; break;
    case UNIX_REGULAR: t[0] = '-'; break;
    case UNIX_SYMBOLIC_LINK: t[0] = 'l'; break;
    case UNIX_BLOCK_DEVICE: t[0] = 'b'; break;
    case UNIX_CHARACTER_DEVICE: t[0] = 'c'; break;
    case UNIX_FIFO: t[0] = 'p'; break;
    case UNIX_SOCKET: t[0] = 's'; break;
    default: t[0] = '?'; break;
    }
    static constexpr char rwx[] = "rwx";
    for (int i = 0; i < 9; ++i)
        if (bits & (0x100u >> i)) t[1 + i] = rwx[i % 3];
    if (bits & UNIX_SET_USER_ID) t[3] = (bits & 0x40) ? 's' : 'S';
    if (bits & UNIX_SET_GROUP_ID) t[6] = (bits & 0x08) ? 's' : (lock_letter ? 'l' : 'S');
    if (bits & UNIX_STICKY) t[9] = (bits & 0x01) ? 't' : 'T';
    return t;
}

std::string short_attribute_field(unsigned host, uint32_t external_attributes,
                                  unsigned made_by_version, const std::string& name) {
    std::string field(FIELD_WIDTH, ' ');
    const bool dos_style = host_has_dos_attributes(host);
    const unsigned bits = dos_style ? dos_attributes(external_attributes) : host_mode(external_attributes);

    if (host == HOST_VMS) {
        std::string text = vms_owner(bits) + "," + vms_grp(bits) + "," + vms_world(bits) + " ";
        field.replace(0, text.size(), text);
        if (text.size() < VERSION_COLUMN) put_version(field, made_by_version);
    } else if (dos_style) {
        field.replace(0, 7, ".r.-...");
        put_version(field, made_by_version);
        field[0] = (bits & DOS_DIRECTORY) ? 'd' : '-';
        field[2] = (bits & DOS_READ_ONLY) ? '-' : 'w';
        field[4] = (bits & DOS_ARCHIVE) ? 'a' : '-';
        field[5] = (bits & DOS_HIDDEN) ? 'h' : '-';
        field[6] = (bits & DOS_SYSTEM) ? 's' : '-';
        if (bits & DOS_VOLUME_LABEL) field[0] = 'V';
        else if (is_executable_name(name)) field[3] = 'x';
    } else if (host == HOST_AMIGA) {
        field.replace(0, 9, amiga_attribute_text(bits));
        put_version(field, made_by_version);
    } else {
        field.replace(0, 10, unix_attribute_text(bits, false));
        put_version(field, made_by_version);
    }
    return field;
}
