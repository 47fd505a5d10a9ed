// The archive information mode (zipinfo, unzip -Z): its option parser, the
// report on the end record, the member walk and its one-line and verbose member
// reports.
#pragma once

#include <cstdint>

// Listing formats of the information mode (values of G.info.format).
enum : int {
    INFO_NEGATED = -2,      // a negated format option; becomes INFO_SHORT
    INFO_UNCHOSEN = -1,
    INFO_HEADER_ONLY = 0,   // header and totals only
    INFO_NAMES = 1,         // names only
    INFO_NAMES_PLUS = 2,    // names, with header, totals and comment allowed
    INFO_SHORT = 3,
    INFO_MEDIUM = 4,
    INFO_LONG = 5,
    INFO_VERBOSE = 10,
};

// Parses the information mode's options into G.info. Same contract as
// parse_options: 0 to go on with the vector at the archive name and the count
// of the words after it; otherwise the result of the usage text.
int parse_info_options(int* argc, char*** argv);
// Prints the information mode's usage; ENG_BAD_USAGE when is_error, else ENG_OK.
int info_usage(bool is_error);
// The header line, the end-record report (verbose) and the archive comment;
// 0 or 1 (comment truncated).
int info_archive_header();
// The member walk of the information mode, with totals and unmatched-pattern cautions.
int info_walk();

// One member, the current central header and name: one line (formats 3 to 5)
// or the verbose report. 0, 1 or a field reader's larger code.
int info_short_entry();
int info_long_entry();

// A member's date and time as the current format shows it ("%2u-Mon-yy hh:mm",
// or "yyyy Mon d hh:mm:ss" in the verbose report). The text lives in a static
// buffer that the next call overwrites.
const char* format_member_time(uint16_t dos_date, uint16_t dos_time);

// The size of the OS/2 extended attributes an extra field announces (tag 9), else 0.
uint32_t os2_ea_size(const uint8_t* extra, unsigned length);
