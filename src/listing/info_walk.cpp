// The information mode's archive header (with the end-record report of the
// verbose format) and its walk over the central directory.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/archive_reports.h"
#include "engine/globals.h"
#include "engine/select.h"
#include "engine/zip_reader.h"
#include "listing/info.h"
#include "listing/list.h"

namespace {

const char* plural(uint64_t n, const char* one, const char* many) { return n == 1 ? one : many; }

// The end-record report of the verbose format.
void print_end_record_report() {
    const EndRecord& e = G.end;
    std::printf("\nEnd-of-central-directory record:\n");
    std::printf("-------------------------------\n\n");
    // Like with like: in a Zip64 archive the directory's size and offset are the
    // Zip64 record's, and that record is where they say the directory ends.
    const unsigned long long actual = static_cast<unsigned long long>(directory_end_offset());
    const unsigned long long expected = G.expected_end_offset;
    std::printf("  Actual offset of end-of-central-dir record:   %9llu (%.8llXh)\n"
                "  Expected offset of end-of-central-dir record: %9llu (%.8llXh)\n"
                "  (based on the length of the central directory and its expected offset)\n\n",
                actual, actual, expected, expected);
    const unsigned long long size = e.central_size;
    const unsigned long long offset = e.central_offset;
    const unsigned long long entries = e.entries_total;
    if (e.zip64)
        std::printf("  This zipfile has a Zip64 end-of-central-dir record at offset %lld\n"
                    "  (%.8llXh), found through its locator; the values below are its own.\n\n",
                    static_cast<long long>(e.zip64_record_offset),
                    static_cast<unsigned long long>(e.zip64_record_offset));
    if (e.disk_number == 0) {
        std::printf("  This zipfile constitutes the sole disk of a single-part archive; its\n"
                    "  central directory contains %llu %s.  The central directory is %llu\n"
                    "  (%.8llXh) bytes long, and its (expected) offset in bytes from the\n"
                    "  beginning of the zipfile is %llu (%.8llXh).\n\n",
                    entries, plural(entries, "entry", "entries"), size, size, offset, offset);
    } else {
        const unsigned long long here = e.entries_this_disk;
        std::printf("  This zipfile constitutes disk %u of a multi-part archive.  The central\n"
                    "  directory starts on disk %u; %llu of its entries %s contained within\n"
                    "  this zipfile, out of a total of %llu %s.  The entire central\n"
                    "  directory is %llu (%.8llXh) bytes long, and its offset in bytes from\n"
                    "  the beginning of the zipfile in which it begins is %llu (%.8llXh).\n\n",
                    e.disk_number, e.central_start_disk, here, plural(here, "is", "are"), entries,
                    plural(entries, "entry", "entries"), size, size, offset, offset);
    }
}

}  // namespace

int info_archive_header() {
    const char* name = G.archive_name;
    if (G.info.header_line) {
        const long long size = static_cast<long long>(G.archive_size);
        if (std::strlen(name) < 39)
            std::printf("Archive:  %s   %lld bytes   %llu file%s\n", name, size,
                        static_cast<unsigned long long>(G.end.entries_total),
                        plural(G.end.entries_total, "", "s"));
        else
            std::printf("Archive:  %s   %lld   %llu\n", name, size,
                        static_cast<unsigned long long>(G.end.entries_total));
    }

    if (G.info.format == INFO_VERBOSE) {
        print_end_record_report();
        if (G.end.comment_length == 0) {
            std::printf("  There is no zipfile comment.\n");
            return 0;
        }
        std::printf("  The zipfile comment is %u bytes long and contains the following text:\n\n",
                    G.end.comment_length);
        std::printf("======================== zipfile comment begins ==========================\n");
        const int r = show_comment(G.end.comment_length);
        std::printf("========================= zipfile comment ends ===========================\n");
        if (r != 0) {
            std::printf("\n  The zipfile comment is truncated.\n");
            return ENG_WARNING;
        }
        return 0;
    }

    if (G.info.comment && G.end.comment_length != 0 && show_comment(G.end.comment_length) != 0) {
        std::fprintf(stderr, "\ncaution:  zipfile comment truncated\n");
        return ENG_WARNING;
    }
    return 0;
}

int info_walk() {
    const std::unique_ptr<bool[]> included = pattern_flags(G.include_count);
    const std::unique_ptr<bool[]> excluded = pattern_flags(G.exclude_count);
    MemberInfo member;
    G.cur = &member;
    int result = 0;
    uint64_t members = 0;
    uint64_t total_unpacked = 0;
    uint64_t total_packed = 0;

    for (uint64_t j = 0; j < G.end.entries_total; ++j) {
        // The extra field is read here: its Zip64 field holds the 64-bit sizes
        // and offset that every format shows.
        int r = read_listed_entry(j, true, &result);
        if (r) return r;
        const CentralHeader h = G.central;

        if (!select_member(G.member_name.c_str(), false, included.get(), excluded.get())) {
            r = skip_field(h.comment_length);
            if (r > 1) return r;
            result = std::max(result, r);
            continue;
        }

        switch (G.info.format) {
        case INFO_NAMES:
        case INFO_NAMES_PLUS:
            print_member_name(G.member_name.c_str());
            [[fallthrough]];
        case INFO_HEADER_ONLY:
            r = skip_field(h.comment_length);
            break;
        case INFO_VERBOSE:
            std::printf("%s\nCentral directory entry #%llu:\n", "\f", static_cast<unsigned long long>(j));
            std::printf("---------------------------\n\n");
            r = info_long_entry();
            break;
        default:
            r = info_short_entry();
            break;
        }
        if (r > 1) return r;
        result = std::max(result, r);

        total_unpacked = capped_sum(total_unpacked, h.unpacked_size);
        total_packed = capped_sum(total_packed, member_data_size(h, G.extra_field));
        ++members;
    }

    const int end = read_directory_end();
    if (end == ENG_EARLY_EOF) return end;
    if (end) {
        report_no_end_behind_directory(false);
        result = ENG_WARNING;
    }

    if (G.info.totals) {
        int ratio = saving_ratio(total_unpacked, total_packed);
        const char* sign = "";
        if (ratio < 0) {
            sign = "-";
            ratio = -ratio;
        }
        std::printf("%llu file%s, %llu bytes uncompressed, %llu bytes compressed:  %s%d.%d%%\n",
                    static_cast<unsigned long long>(members), plural(members, "", "s"),
                    static_cast<unsigned long long>(total_unpacked),
                    static_cast<unsigned long long>(total_packed), sign, ratio / 10, ratio % 10);
    }

    report_unmatched_patterns(included.get(), excluded.get());
    return std::max(result, nothing_matched_result());
}
