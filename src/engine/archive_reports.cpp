#include "engine/archive_reports.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/globals.h"
#include "engine/io.h"
#include "engine/shown_text.h"
#include "engine/zip_reader.h"

const char* const PLEASE_CHECK_TEXT =
    "  (please check that you have transferred or created the zipfile in the\n"
    "  appropriate BINARY mode and that you have compiled unzip properly)\n";

int show_comment(unsigned length) {
    uint8_t* buf = G.convert_buf.data();
    unsigned left = length;
    while (left > 0) {
        const long piece = std::min<long>(left, CONVERT_BUF_SIZE - 1);
        const long n = read_bytes(buf, piece);
        if (n <= 0) return ENG_EARLY_EOF;
        left -= static_cast<unsigned>(n);
        // Drop carriage returns, end at the first zero byte.
        long out = 0;
        for (long i = 0; i < n; ++i) {
            if (buf[i] == '\r') continue;
            if (buf[i] == 0) break;
            buf[out++] = buf[i];
        }
        const std::string shown =
            shown_text(std::string_view(reinterpret_cast<const char*>(buf), static_cast<size_t>(out)), true);
        std::fputs(shown.c_str(), stdout);
    }
    if (length != 0) std::putchar('\n');
    return 0;
}

void report_cut_name(const NameRead& name) {
    if (!name.cut) return;
    std::fprintf(stderr, "warning:  filename too long--truncating.\n");
    if (name.kept) std::fprintf(stderr, "[ %s ]\n", shown_text(G.member_name).c_str());
}

void report_missing_central_signature(uint64_t number) {
    std::fprintf(stderr, "error:  expected central file header signature not found (file #%llu).\n%s",
                 static_cast<unsigned long long>(number), PLEASE_CHECK_TEXT);
}

void report_no_end_behind_directory(bool please_check) {
    std::fprintf(stderr, "\nnote:  didn't find end-of-central-dir signature at end of central dir.\n%s",
                 please_check ? PLEASE_CHECK_TEXT : "");
}

int seek_archive_reported(uint64_t logical_offset) {
    const int r = seek_archive(logical_offset);
    if (r == ENG_BAD_ARCHIVE)
        std::fprintf(stderr, "error [%s]:  attempt to seek before beginning of zipfile\n%s", G.archive_name,
                     PLEASE_CHECK_TEXT);
    return r;
}
