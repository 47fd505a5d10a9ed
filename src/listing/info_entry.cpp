// One member in the information mode: the one-line entry of the short, medium
// and long formats, and the verbose report.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "engine/archive.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "listing/info.h"
#include "listing/info_text.h"
#include "listing/list.h"

namespace {

constexpr std::array<const char*, 12> month_names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A field reader's result: 1 is kept in `result`, larger ones end the member.
bool field_failed(int r, int& result) {
    if (r > 1) {
        result = r;
        return true;
    }
    result = std::max(result, r);
    return false;
}

unsigned version_major(unsigned v) { return v / 10; }
unsigned version_minor(unsigned v) { return v % 10; }

}  // namespace

const char* format_member_time(uint16_t dos_date, uint16_t dos_time) {
    static char text[32];
    const unsigned year = ((dos_date >> 9) & 0x7F) + 80;  // years since 1900
    const unsigned month = (dos_date >> 5) & 0x0F;
    const unsigned day = dos_date & 0x1F;
    const unsigned hour = dos_time >> 11;
    const unsigned minute = (dos_time >> 5) & 0x3F;
    const unsigned second = (dos_time & 0x1F) * 2;
    // Months 0 and 13 to 15 come only from damaged dates: no name, and no read
    // outside the table.
    const char* month_name = month >= 1 && month <= 12 ? month_names[month - 1] : "???";
    if (info_format == INFO_VERBOSE)
        std::snprintf(text, sizeof text, "%u %s %u %02u:%02u:%02u", year + 1900, month_name, day,
                      hour, minute, second);
    else
        std::snprintf(text, sizeof text, "%2u-%s-%02u %02u:%02u", day, month_name, year % 100,
                      hour, minute);
    return text;
}

uint32_t os2_ea_size(const uint8_t* extra, unsigned length) {
    if (!extra || length < 8 || get_u16le(extra) != 9) return 0;
    return get_u32le(extra + 4);
}

int info_short_entry() {
    const CentralHeader& h = G.central;
    const MemberInfo& m = *G.cur;
    const bool encrypted = h.flags & 1;
    const bool descriptor = h.flags & 8;
    const bool extra = h.extra_length != 0;

    const std::string field = short_attribute_field(static_cast<unsigned>(m.host),
                                                    h.external_attributes, h.made_by_version,
                                                    G.member_name);
    char type = (h.internal_attributes & 1) ? 't' : 'b';
    if (encrypted) type = static_cast<char>(type - 'a' + 'A');
    const char extra_letter = descriptor ? (extra ? 'X' : 'l') : (extra ? 'x' : '-');
    std::printf("%s %s %7llu %c%c", field.c_str(), host_short_name(static_cast<unsigned>(m.host)),
                static_cast<unsigned long long>(h.unpacked_size), type, extra_letter);
    if (info_format == INFO_MEDIUM) {
        const uint64_t packed = member_data_size(h);
        std::printf("%3d%%", (saving_ratio(h.unpacked_size, packed) + 5) / 10);
    } else if (info_format == INFO_LONG) {
        std::printf(" %7llu", static_cast<unsigned long long>(h.packed_size));
    }
    std::printf(" %s %s ", method_short_name(h.method, h.flags).c_str(),
                format_member_time(h.dos_date, h.dos_time));
    print_member_name(G.member_name.c_str());

    int result = 0;  // the extra field was read by the walk
    field_failed(read_field_text(h.comment_length, FIELD_SKIP), result);
    return result;
}

int info_long_entry() {
    const CentralHeader h = G.central;
    const unsigned host = static_cast<unsigned>(G.cur->host);
    int result = 0;

    std::printf("  ");
    print_member_name(G.member_name.c_str());
    std::printf("\n  host operating system (created on):               %s\n",
                host_long_name(host));
    std::printf("  version of encoding software:                     %u.%u\n",
                version_major(h.made_by_version), version_minor(h.made_by_version));
    std::printf("  minimum operating system compatibility required:  %s\n",
                host_long_name(h.needed_host));
    std::printf("  minimum software version required to extract:     %u.%u\n",
                version_major(h.needed_version), version_minor(h.needed_version));
    std::printf("  compression method:                               %s\n",
                method_long_name(h.method).c_str());
    if (h.method == 6) {
        std::printf("  size of sliding dictionary (implosion):           %cK\n",
                    (h.flags & 2) ? '8' : '4');
        std::printf("  number of Shannon-Fano trees (implosion):         %c\n",
                    (h.flags & 4) ? '3' : '2');
    } else if (h.method == 8) {
        std::printf("  compression sub-type (deflation):                 %s\n",
                    deflate_subtype(h.flags));
    }
    std::printf("  file security status:                             %sencrypted\n",
                (h.flags & 1) ? "" : "not ");
    std::printf("  extended local header:                            %s\n",
                (h.flags & 8) ? "yes" : "no");
    std::printf("  file last modified on:                            %s\n",
                format_member_time(h.dos_date, h.dos_time));
    std::printf("  32-bit CRC value (hex):                           %.8lx\n",
                static_cast<unsigned long>(h.crc32));
    std::printf("  compressed size:                                  %llu bytes\n",
                static_cast<unsigned long long>(h.packed_size));
    std::printf("  uncompressed size:                                %llu bytes\n",
                static_cast<unsigned long long>(h.unpacked_size));
    std::printf("  length of filename:                               %u characters\n",
                h.name_length);
    std::printf("  length of extra field:                            %u bytes\n", h.extra_length);
    std::printf("  length of file comment:                           %u characters\n",
                h.comment_length);
    std::printf("  disk number on which file begins:                 disk %u\n", h.start_disk);
    std::printf("  apparent file type:                               %s\n",
                (h.internal_attributes & 1) ? "text" : "binary");

    const unsigned high = h.external_attributes >> 16;
    if (host == 2) {
        std::printf("  VMS file attributes (%06o octal):               %s\n", high,
                    vms_attribute_text(high).c_str());
    } else if (host == 1) {
        std::printf("  Amiga file attributes (%06o octal):             %s\n", high,
                    amiga_attribute_text(high).c_str());
    } else if (host == 0 || host == 6 || host == 11) {
        std::printf("  non-MSDOS external file attributes:               %06lX hex\n",
                    static_cast<unsigned long>(h.external_attributes >> 8));
    } else {
        std::printf("  Unix file attributes (%06o octal):              %s\n", high,
                    unix_attribute_text(high, true).c_str());
    }

    const unsigned dos = h.external_attributes & 0xFF;
    if (dos == 0) {
        std::printf("  MS-DOS file attributes (%02X hex):                  none\n", dos);
    } else if (dos == 1) {
        std::printf("  MS-DOS file attributes (%02X hex):                  read-only\n", dos);
    } else {
        std::printf("  MS-DOS file attributes (%02X hex):                  %s%s%s%s%s%s\n", dos,
                    (dos & 0x01) ? "rdo " : "", (dos & 0x02) ? "hid " : "",
                    (dos & 0x04) ? "sys " : "", (dos & 0x08) ? "lab " : "",
                    (dos & 0x10) ? "dir " : "", (dos & 0x20) ? "arc" : "");
    }
    std::printf("  offset of local header from start of archive:     %llu (%.8llXh) bytes\n",
                static_cast<unsigned long long>(h.local_header_offset),
                static_cast<unsigned long long>(h.local_header_offset));

    // The extra field was read by the walk.
    if (h.extra_length != 0 && has_zip64_extra()) {
        std::printf("\n  There is a Zip64 extended information field: the sizes, the offset\n"
                    "  and the disk above that do not fit in 32 bits are taken from it.\n");
    } else if (h.extra_length != 0) {
        const uint32_t ea = os2_ea_size(G.extra_field.data(),
                                        static_cast<unsigned>(G.extra_field.size()));
        if (ea != 0)
            std::printf("\n  This file has %lu bytes of OS/2 EA's in the local extra field.\n"
                        "  (May not match OS/2 \"dir\" amount due to storage method.)\n\n",
                        static_cast<unsigned long>(ea));
        else
            std::printf("\n  There is an unknown extra field (skipping).\n");
    } else {
        std::printf("\n");
    }

    if (h.comment_length == 0) {
        std::printf("  There is no file comment.\n");
    } else {
        std::printf("------------------------- file comment begins ----------------------------\n");
        if (field_failed(read_field_text(h.comment_length, FIELD_DISPLAY), result)) return result;
        std::printf("-------------------------- file comment ends -----------------------------\n");
    }
    return result;
}
