// Shell links on Linux: the link is written as a Shell Link (.lnk) binary file
// with a header, a link-information block naming the target as a local path,
// and Unicode strings for description, working directory, arguments and icon.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/hostfile.h"
#include "platform/posix/codepages.h"
#include "platform/posix/posix_util.h"
#include "platform/win32_shell.h"

namespace {

constexpr uint32_t HAS_LINK_INFO = 0x02;
constexpr uint32_t HAS_NAME = 0x04;
constexpr uint32_t HAS_WORKING_DIR = 0x10;
constexpr uint32_t HAS_ARGUMENTS = 0x20;
constexpr uint32_t HAS_ICON_LOCATION = 0x40;
constexpr uint32_t IS_UNICODE = 0x80;

// {00021401-0000-0000-C000-000000000046} in its stored byte order.
constexpr uint8_t SHELL_LINK_CLSID[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A counted UTF-16 string of the string-data section, from ANSI text.
void put_string(std::vector<uint8_t>& out, const std::string& text) {
    put16(out, static_cast<uint32_t>(text.size()));
    for (const char c : text) put16(out, ansi_to_unicode(static_cast<uint8_t>(c)));
}

std::vector<uint8_t> encode(const ShellLink& link) {
    uint32_t flags = HAS_LINK_INFO | HAS_NAME | HAS_WORKING_DIR | IS_UNICODE;
    if (!link.arguments.empty()) flags |= HAS_ARGUMENTS;
    if (!link.icon_path.empty()) flags |= HAS_ICON_LOCATION;

    std::vector<uint8_t> out;
    put32(out, 0x4C);
    out.insert(out.end(), SHELL_LINK_CLSID, SHELL_LINK_CLSID + 16);
    put32(out, flags);
    put32(out, 0);                        // file attributes
    for (int i = 0; i < 6; ++i) put32(out, 0);  // creation, access and write times
    put32(out, 0);                        // file size
    put32(out, static_cast<uint32_t>(link.icon_index));
    put32(out, 1);                        // show normally
    put16(out, 0);                        // no hot key
    put16(out, 0);
    put32(out, 0);
    put32(out, 0);

    // Link information: a volume (fixed drive, no label) and the local path.
    const size_t info = out.size();
    put32(out, 0);                        // size, set below
    put32(out, 0x1C);                     // header size
    put32(out, 1);                        // volume id and local base path present
    put32(out, 0x1C);                     // volume id offset
    put32(out, 0);                        // local base path offset, set below
    put32(out, 0);                        // no network location
    put32(out, 0);                        // common path suffix offset, set below
    put32(out, 0x11);                     // volume id: size,
    put32(out, 3);                        // fixed drive,
    put32(out, 0);                        // serial number,
    put32(out, 0x10);                     // label offset,
    out.push_back(0);                     // empty label
    set32(out, info + 16, static_cast<uint32_t>(out.size() - info));
    out.insert(out.end(), link.path.begin(), link.path.end());
    out.push_back(0);
    set32(out, info + 24, static_cast<uint32_t>(out.size() - info));
    out.push_back(0);                     // empty common path suffix
    set32(out, info, static_cast<uint32_t>(out.size() - info));

    put_string(out, link.description);
    put_string(out, link.working_directory);
    if (flags & HAS_ARGUMENTS) put_string(out, link.arguments);
    if (flags & HAS_ICON_LOCATION) put_string(out, link.icon_path);
    put32(out, 0);                        // terminal block
    return out;
}

}  // namespace

int host_save_shell_link(const ShellLink& link, const WCHAR* file) {
    if (!file) return LINK_NOT_SAVED;
    int n = 0;
    while (file[n]) ++n;
    std::string name(static_cast<size_t>(n), '\0');
    if (n > 0 && WideCharToMultiByte(CP_ACP, 0, file, n, name.data(), n, nullptr, nullptr) != n)
        return LINK_NOT_SAVED;
    const std::string target = host_native_path(name.c_str());
    const std::vector<uint8_t> bytes = encode(link);

    // Written beside the target and renamed over it: a link is saved whole or not at all.
    std::string temp = target + ".save-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return LINK_NOT_SAVED;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = ::fchmod(fd, 0644) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    forget_folder_listings();
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok ? LINK_SAVED : LINK_NOT_SAVED;
}
