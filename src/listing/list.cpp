#include "listing/list.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "engine/archive_reports.h"
#include "engine/globals.h"
#include "engine/select.h"
#include "engine/shown_text.h"
#include "engine/zip_reader.h"

namespace {

// A growth in per mille as a negative int, kept within the int range.
int growth(uint64_t per_mille) {
    return -static_cast<int>(std::min<uint64_t>(per_mille, INT_MAX));
}

// Sizes passed to the host's hooks, which take 32 bits (the setup's payload).
uint32_t hook_size(uint64_t size) { return static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX)); }

}  // namespace

int saving_ratio(uint64_t u, uint64_t c) {
    if (u == 0) return 0;
    if (u > 2000000u) {
        // x / d rounded, without x + d / 2, which passes 2^64 for sizes near it.
        const uint64_t d = u / 1000u;
        const auto rounded = [d](uint64_t x) { return x / d + (x % d + d / 2) / d; };
        if (u >= c) return static_cast<int>(rounded(u - c));
        return growth(rounded(c - u));
    }
    // Sizes of up to 2,000,000 bytes: the products stay far below 2^64 unless the
    // compressed size is damaged beyond 2^53, where the growth is capped anyway.
    if (u >= c) return static_cast<int>(((u - c) * 1000u + u / 2) / u);
    if (c - u > (UINT64_MAX - u) / 1000u) return growth(UINT64_MAX);
    return growth(((c - u) * 1000u + u / 2) / u);
}

uint64_t capped_sum(uint64_t total, uint64_t size) { return size > UINT64_MAX - total ? UINT64_MAX : total + size; }

void format_ratio(char* out, int ratio) {
    const long long magnitude = ratio < 0 ? -static_cast<long long>(ratio) : ratio;
    std::snprintf(out, 16, "%c%lld%%", ratio < 0 ? '-' : ' ', (magnitude + 5) / 10);
}

void print_member_name(const char* name) {
    std::fputs(shown_text(name).c_str(), stdout);
    std::putchar('\n');
}

void method_name(char* out, unsigned method, unsigned flags) {
    static constexpr char level[] = {'N', 'X', 'F', 'S'};
    if (method == METHOD_DEFLATED)
        std::snprintf(out, 16, "Defl:%c", level[deflate_level(flags)]);
    else if (const MethodNames* names = method_names(method))
        std::snprintf(out, 16, "%s", names->listed);
    else
        std::snprintf(out, 16, "Unk:%03u", method);
}

int read_listed_entry(uint64_t index, bool stored_name, int* worst) {
    const EntryRead entry = read_central_entry(stored_name);
    if (entry.stop == EntryStop::SIGNATURE && entry.code == ENG_BAD_ARCHIVE)
        report_missing_central_signature(index);
    report_cut_name(entry.name);
    if (entry.stop != EntryStop::NONE) return entry.code;
    *worst = std::max(*worst, entry.code);
    return 0;
}

int list_archive() {
    const bool verbose = G.list_level > 1;
    const std::unique_ptr<bool[]> included = pattern_flags(G.include_count);
    const std::unique_ptr<bool[]> excluded = pattern_flags(G.exclude_count);
    MemberInfo member;
    G.cur = &member;
    int result = 0;
    uint64_t members = 0;
    uint64_t total_unpacked = 0;
    uint64_t total_packed = 0;

    if (G.quiet_level < 2) {
        const char* head = verbose
            ? " Length  Method   Size  Ratio   Date    Time   CRC-32     Name"
            : " Length    Date    Time    Name";
        const char* rule = verbose
            ? " ------  ------   ----  -----   ----    ----   ------     ----"
            : " ------    ----    ----    ----";
        if (G.keep_case)
            std::printf("%s\n%s\n", head, rule);
        else
            std::printf("%s (\"^\" ==> case\n%s   conversion)\n", head, rule);
    }

    for (uint64_t index = 0; index < G.end.entries_total; ++index) {
        int r = read_listed_entry(index, false, &result);
        if (r) return r;
        const CentralHeader h = G.central;

        if (!select_member(G.member_name.c_str(), member.lowercase_name, included.get(), excluded.get())) {
            r = skip_field(h.comment_length);
            if (r > 1) return r;
            result = std::max(result, r);
            continue;
        }

        const DosDateTime t = decode_dos_date(h.dos_date, h.dos_time);
        const unsigned year = (t.year - 1900) % 100;
        const uint64_t packed = member_data_size(h, G.extra_field);
        const char case_mark = member.lowercase_name ? '^' : ' ';

        if (verbose) {
            char method[16];
            char ratio[16];
            method_name(method, h.method, h.flags);
            format_ratio(ratio, saving_ratio(h.unpacked_size, packed));
            std::printf("%7llu  %-7s%7llu %4s  %02u-%02u-%02u  %02u:%02u  %08lx  %c",
                        static_cast<unsigned long long>(h.unpacked_size), method,
                        static_cast<unsigned long long>(packed), ratio, t.month, t.day, year, t.hour,
                        t.minute, static_cast<unsigned long>(h.crc32), case_mark);
        } else {
            std::printf("%7llu  %02u-%02u-%02u  %02u:%02u  %c",
                        static_cast<unsigned long long>(h.unpacked_size), t.month, t.day, year,
                        t.hour, t.minute, case_mark);
        }
        print_member_name(G.member_name.c_str());
        if (G.hooks.listed_member)
            G.hooks.listed_member(G.member_name.c_str(), hook_size(h.unpacked_size));

        r = G.quiet_level == 0 ? show_comment(h.comment_length) : skip_field(h.comment_length);
        if (r > 1) return r;
        result = std::max(result, r);

        total_unpacked = capped_sum(total_unpacked, h.unpacked_size);
        total_packed = capped_sum(total_packed, packed);
        ++members;
    }

    if (G.quiet_level < 2) {
        if (verbose) {
            char ratio[16];
            format_ratio(ratio, saving_ratio(total_unpacked, total_packed));
            std::printf(" ------          ------  ---                              -------\n"
                        "%7llu         %7llu %4s                              %-7llu\n",
                        static_cast<unsigned long long>(total_unpacked),
                        static_cast<unsigned long long>(total_packed), ratio,
                        static_cast<unsigned long long>(members));
        } else {
            std::printf(" ------                    -------\n%7llu                    %-7llu\n",
                        static_cast<unsigned long long>(total_unpacked),
                        static_cast<unsigned long long>(members));
        }
        if (G.hooks.listing_total) G.hooks.listing_total(hook_size(total_unpacked));
    }
    report_unmatched_patterns(included.get(), excluded.get());
    result = std::max(result, nothing_matched_result());

    const int end = read_directory_end();
    if (end == ENG_EARLY_EOF) return end;
    if (end) {
        report_no_end_behind_directory(false);
        result = ENG_WARNING;
    }
    return result;
}
