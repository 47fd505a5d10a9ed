// The information mode's options, its usage text and the switches they set.
#include <cstdio>

#include "engine/engine.h"
#include "engine/globals.h"
#include "listing/info.h"

int info_usage(bool is_error) {
    FILE* out = is_error ? stderr : stdout;
    std::fprintf(out,
                 "Info %s, the information mode of the archive engine of the TEV setup.\n"
                 "Written for the TEV terminal and communications product.\n\n",
                 ENGINE_VERSION);
    std::fprintf(
        out,
        "List name, date/time, attribute, size, compression method, etc., about files\n"
        "in list (excluding those in xlist) contained in the specified .zip archive(s).\n"
        "\"file[.zip]\" may be a wildcard name containing *, ?, [] (e.g., \"[a-j]*.zip\").\n\n"
        "   usage:  zipinfo [-12smlvhtz] file[.zip] [list...] [-x xlist...]\n"
        "      or:  unzip %s-Z%s [-12smlvhtz] file[.zip] [list...] [-x xlist...]\n",
        "", "");
    std::fprintf(
        out,
        "\nmain listing-format options:             -s  short Unix \"ls -l\" format (def.)\n"
        "  -1  filenames ONLY, one per line       -m  medium Unix \"ls -l\" format\n"
        "  -2  just filenames but allow -h/-t/-z  -l  long Unix \"ls -l\" format\n"
        "                                         -v  verbose, multi-page format\n"
        "miscellaneous options:\n"
        "  -h  print header line      -t  print totals for files listed or for all files\n"
        "  -z  print zipfile comment  -x  exclude filenames that follow from listing\n");
    return is_error ? ENG_BAD_USAGE : ENG_OK;
}

int parse_info_options(int* argc_ptr, char*** argv_ptr) {
    int argc = *argc_ptr - 1;   // the words after the program name
    char** argv = *argv_ptr + 1;
    // Every run chooses its own format; an earlier run's choice does not carry over.
    InfoOptions& o = G.info;
    o = InfoOptions{};
    o.format = INFO_UNCHOSEN;

    bool error = false;
    int negation = 0;
    bool header_short = true;    // header switch of formats 3, 4, 5 and verbose
    bool header_names = false;   // header switch of formats 0 and 2
    bool totals_short = true;    // totals switch of formats 3, 4, 5
    bool totals_other = false;   // totals switch of formats 0, 2 and verbose
    bool header_given = false;
    bool totals_given = false;

    for (; argc > 0 && argv[0][0] == '-'; ++argv, --argc) {
        for (const char* s = argv[0] + 1; *s; ++s) {
            switch (*s) {
            case '-':
                ++negation;
                break;
            case '1': case '2': case 's': case 'm': case 'l': case 'v': {
                static constexpr char letters[] = "12smlv";
                static constexpr int formats[] = {INFO_NAMES, INFO_NAMES_PLUS, INFO_SHORT,
                                                  INFO_MEDIUM, INFO_LONG, INFO_VERBOSE};
                int i = 0;
                while (letters[i] != *s) ++i;
                if (negation) {
                    o.format = INFO_NEGATED;
                    negation = 0;
                } else {
                    o.format = formats[i];
                }
                break;
            }
            case 'h':
                if (negation) {
                    header_short = header_names = false;
                    negation = 0;
                } else {
                    header_given = header_short = header_names = true;
                    if (o.format == INFO_UNCHOSEN) o.format = INFO_HEADER_ONLY;
                }
                break;
            case 't':
                if (negation) {
                    totals_short = totals_other = false;
                    negation = 0;
                } else {
                    totals_given = totals_short = totals_other = true;
                    if (o.format == INFO_UNCHOSEN) o.format = INFO_HEADER_ONLY;
                }
                break;
            case 'z':
                o.comment = negation == 0;
                negation = 0;
                break;
            case 'Z':
                break;
            default:
                error = true;
                break;
            }
        }
    }

    --argc;  // words after the archive name; -1 when there is none
    if (argc < 0 || error) {
        *argc_ptr = argc;
        *argv_ptr = argv;
        return info_usage(error);
    }

    const bool members_named = argc > 0;
    if (o.format < 0 || (o.format == INFO_HEADER_ONLY && members_named)) o.format = INFO_SHORT;

    switch (o.format) {
    case INFO_HEADER_ONLY:
    case INFO_NAMES_PLUS:
        o.header_line = header_names;
        o.totals = totals_other;
        break;
    case INFO_NAMES:
        o.header_line = o.totals = o.comment = false;
        break;
    case INFO_VERBOSE:
        o.header_line = header_short;
        o.totals = totals_other;
        break;
    default:  // short, medium and long
        o.header_line = header_short && !(members_named && !header_given);
        o.totals = totals_short && !(members_named && !totals_given);
        break;
    }
    *argc_ptr = argc;
    *argv_ptr = argv;
    return 0;
}
