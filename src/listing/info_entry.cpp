// One member in the information mode: the one-line entry of the short, medium
// and long formats, and the verbose report.
#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "engine/archive_reports.h"
#include "engine/globals.h"
#include "engine/zip_reader.h"
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
    const DosDateTime t = decode_dos_date(dos_date, dos_time);
    // Months 0 and 13 to 15 come only from damaged dates: no name, and no read
    // outside the table.
    const char* month_name = t.month >= 1 && t.month <= 12 ? month_names[t.month - 1] : "???";
    if (G.info.format == INFO_VERBOSE)
        std::snprintf(text, sizeof text, "%u %s %u %02u:%02u:%02u", t.year, month_name, t.day, t.hour,
                      t.minute, t.second);
    else
        std::snprintf(text, sizeof text, "%2u-%s-%02u %02u:%02u", t.day, month_name, t.year % 100, t.hour,
                      t.minute);
    return text;
}

uint32_t os2_ea_size(const uint8_t* extra, unsigned length) {
    if (!extra || length < 8 || get_u16le(extra) != EXTRA_OS2_EA) return 0;
    return get_u32le(extra + 4);
}

int info_short_entry() {
    const CentralHeader& h = G.central;
    const MemberInfo& m = *G.cur;
    const bool encrypted = h.flags & FLAG_ENCRYPTED;
    const bool descriptor = h.flags & FLAG_DATA_DESCRIPTOR;
    const bool extra = h.extra_length != 0;

    const std::string field = short_attribute_field(static_cast<unsigned>(m.host),
                                                    h.external_attributes, h.made_by_version,
                                                    G.member_name);
    char type = (h.internal_attributes & INTERNAL_TEXT) ? 't' : 'b';
    if (encrypted) type = static_cast<char>(type - 'a' + 'A');
    const char extra_letter = descriptor ? (extra ? 'X' : 'l') : (extra ? 'x' : '-');
    std::printf("%s %s %7llu %c%c", field.c_str(), host_short_name(static_cast<unsigned>(m.host)),
                static_cast<unsigned long long>(h.unpacked_size), type, extra_letter);
    if (G.info.format == INFO_MEDIUM) {
        const uint64_t packed = member_data_size(h, G.extra_field);
        std::printf("%3d%%", (saving_ratio(h.unpacked_size, packed) + 5) / 10);
    } else if (G.info.format == INFO_LONG) {
        std::printf(" %7llu", static_cast<unsigned long long>(h.packed_size));
    }
    std::printf(" %s %s ", method_short_name(h.method, h.flags).c_str(),
                format_member_time(h.dos_date, h.dos_time));
    print_member_name(G.member_name.c_str());

    int result = 0;  // the extra field was read by the walk
    field_failed(skip_field(h.comment_length), result);
    return result;
}

namespace {

void print_utc(const char* what, uint64_t file_time, bool ticks) {
    const UtcTime t = utc_from_file_time(file_time);
    std::printf("    %-10s%lld %s %u %02u:%02u:%02u", what, static_cast<long long>(t.year),
                month_names[(t.month + 11) % 12], t.day, t.hour, t.minute, t.second);
    if (ticks) std::printf(".%07u", t.ticks);
    std::printf(" UTC\n");
}

// The exact-time fields of the entry's extra field, decoded; false when it has none.
bool print_time_fields() {
    bool any = false;
    if (const auto block = find_extra_block(G.extra_field, EXTRA_EXTENDED_TIME)) {
        const ExtendedTimes t = decode_extended_times(*block);
        std::printf("\n  The extended-timestamp field (0x5455) holds these times:\n");
        if (!t.modified && !t.accessed && !t.created) std::printf("    (none)\n");
        for (const auto& [what, time] : {std::pair{"modified:", t.modified}, std::pair{"accessed:", t.accessed},
                                         std::pair{"created:", t.created}})
            if (time) print_utc(what, unix_to_file_time(*time), false);
        any = true;
    }
    if (const auto block = find_extra_block(G.extra_field, EXTRA_NTFS)) {
        std::printf("\n  The NTFS field (0x000a) holds these times:\n");
        if (const auto t = decode_ntfs_times(*block)) {
            print_utc("modified:", t->modified, true);
            print_utc("accessed:", t->accessed, true);
            print_utc("created:", t->created, true);
        } else {
            std::printf("    (none)\n");
        }
        any = true;
    }
    return any;
}

// An AES member's encryption as its extra block (read by the walk) states it:
// the vendor version and the key, and the method of the data inside.
void print_aes_details() {
    const std::optional<AesExtra> aes = decode_aes_extra(G.extra_field);
    if (!aes) {
        std::printf("  AES encryption (vendor version, key):             no AES extra field\n");
        return;
    }
    char version[16];
    if (aes->vendor == AES_VENDOR_AE && (aes->vendor_version == 1 || aes->vendor_version == 2))
        std::snprintf(version, sizeof version, "AE-%u", aes->vendor_version);
    else
        std::snprintf(version, sizeof version, "unknown (%u)", aes->vendor_version);
    char key[24];
    if (aes->strength >= 1 && aes->strength <= 3)
        std::snprintf(key, sizeof key, "%u-bit", static_cast<unsigned>(aes_key_size(aes->strength) * 8));
    else
        std::snprintf(key, sizeof key, "unknown strength %u", aes->strength);
    std::printf("  AES encryption (vendor version, key):             %s, %s\n", version, key);
    std::printf("  real compression method (AES):                    %s\n", method_long_name(aes->method).c_str());
}

}  // namespace

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
    if (h.method == METHOD_IMPLODED) {
        std::printf("  size of sliding dictionary (implosion):           %cK\n",
                    (h.flags & FLAG_IMPLODE_8K) ? '8' : '4');
        std::printf("  number of Shannon-Fano trees (implosion):         %c\n",
                    (h.flags & FLAG_IMPLODE_3_TREES) ? '3' : '2');
    } else if (h.method == METHOD_DEFLATED) {
        std::printf("  compression sub-type (deflation):                 %s\n",
                    deflate_subtype(h.flags));
    }
    std::printf("  file security status:                             %sencrypted\n",
                (h.flags & FLAG_ENCRYPTED) ? "" : "not ");
    if ((h.flags & FLAG_ENCRYPTED) && h.method == AES_METHOD) print_aes_details();
    std::printf("  extended local header:                            %s\n",
                (h.flags & FLAG_DATA_DESCRIPTOR) ? "yes" : "no");
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
                (h.internal_attributes & INTERNAL_TEXT) ? "text" : "binary");

    const unsigned high = host_mode(h.external_attributes);
    if (host == HOST_VMS) {
        std::printf("  VMS file attributes (%06o octal):               %s\n", high,
                    vms_attribute_text(high).c_str());
    } else if (host == HOST_AMIGA) {
        std::printf("  Amiga file attributes (%06o octal):             %s\n", high,
                    amiga_attribute_text(high).c_str());
    } else if (host_has_dos_attributes(host)) {
        std::printf("  non-MSDOS external file attributes:               %06lX hex\n",
                    static_cast<unsigned long>(h.external_attributes >> 8));
    } else {
        std::printf("  Unix file attributes (%06o octal):              %s\n", high,
                    unix_attribute_text(high, true).c_str());
    }

    const unsigned dos = dos_attributes(h.external_attributes);
    if (dos == 0) {
        std::printf("  MS-DOS file attributes (%02X hex):                  none\n", dos);
    } else if (dos == DOS_READ_ONLY) {
        std::printf("  MS-DOS file attributes (%02X hex):                  read-only\n", dos);
    } else {
        std::printf("  MS-DOS file attributes (%02X hex):                  %s%s%s%s%s%s\n", dos,
                    (dos & DOS_READ_ONLY) ? "rdo " : "", (dos & DOS_HIDDEN) ? "hid " : "",
                    (dos & DOS_SYSTEM) ? "sys " : "", (dos & DOS_VOLUME_LABEL) ? "lab " : "",
                    (dos & DOS_DIRECTORY) ? "dir " : "", (dos & DOS_ARCHIVE) ? "arc" : "");
    }
    std::printf("  offset of local header from start of archive:     %llu (%.8llXh) bytes\n",
                static_cast<unsigned long long>(h.local_header_offset),
                static_cast<unsigned long long>(h.local_header_offset));

    // The extra field was read by the walk.
    const auto zip64 = find_extra_block(G.extra_field, EXTRA_ZIP64);
    if (h.extra_length != 0 && zip64 && !zip64->empty()) {
        std::printf("\n  There is a Zip64 extended information field: the sizes, the offset\n"
                    "  and the disk above that do not fit in 32 bits are taken from it.\n");
        if (print_time_fields()) std::printf("\n");
    } else if (h.extra_length != 0 && print_time_fields()) {
        std::printf("\n");
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
        if (field_failed(show_comment(h.comment_length), result)) return result;
        std::printf("-------------------------- file comment ends -----------------------------\n");
    }
    return result;
}
