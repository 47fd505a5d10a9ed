#include "engine/entry.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "engine/directory_memo.h"
#include "engine/engine.h"
#include "engine/globals.h"
#include "engine/password.h"
#include "engine/process_archive.h"
#include "engine/wildcard.h"
#include "hostfs/dirscan.h"
#include "hostfs/mapname.h"
#include "listing/info.h"
#include "methods/methods.h"
#include "platform/interrupt.h"

namespace {

// The default member-pattern list: "*", ended by an empty entry.
char default_star[] = "*";
char default_end[] = "";
char* default_list[] = {default_star, default_end, nullptr};

void reset_options() {
    const int keep_spaces = G.spaces_to_underscore;
    const int keep_label = G.volume_label_level;
    const int keep_versions = G.keep_versions;
    G.text_convert = G.to_stdout = G.dest_dir_given = G.freshen = 0;
    G.junk_paths = G.never_overwrite = G.replace_all = G.no_prompts = 0;
    G.quiet_level = G.test_only = G.update_only = G.keep_case = 0;
    G.list_level = G.comment_level = G.outside_links = 0;
    G.spaces_to_underscore = keep_spaces;
    G.volume_label_level = keep_label;
    G.keep_versions = keep_versions;

    G.writes_files = G.create_dirs = G.match_all = false;
    G.include_patterns = G.exclude_patterns = nullptr;
    G.include_count = G.exclude_count = 0;
    G.archive_arg = G.archive_name = nullptr;
    G.no_directory_seen = false;
    G.extract_dir = nullptr;
    G.unmatched_patterns = 0;
    G.offset_shift = 0;
    G.archive_handle = -1;
    G.answer_buf.fill('\0');
    G.disk_full_state = 0;
    G.cur = nullptr;
    password_reset();
}

// A counter lowered by a negation count, floored at zero.
void lower(int& counter, int by) { counter = std::max(0, counter - by); }

const char no_dest_dir[] = "error:  must specify directory to which to extract with -d option\n";

// The extraction folder of -d: the processing of the archive's names calls it
// once, at the first -d among the options or after the archive name.
void take_dest_dir(char* dest) {
    G.dest_dir_given = 1;
    if (!G.writes_files) {
        std::fprintf(stderr, "caution:  not extracting; -d ignored\n");
        return;
    }
    G.create_dirs = !G.freshen;
    G.extract_dir = dest;
}

}  // namespace

int parse_options(int& argc, char**& argv) {
    ++argv;  // the program name
    --argc;
    bool invalid = false;
    char* dest = nullptr;  // the folder of a -d among the options
    while (argc > 0 && argv[0][0] == '-') {
        if (std::strcmp(argv[0], "--help") == 0) {
            argc = -1;
            return show_usage(false);
        }
        if (std::strcmp(argv[0], "--version") == 0) {
            argc = -1;
            std::printf("unzip (TEV setup), Unpack %s\n", ENGINE_VERSION);
            return ENG_OK;
        }
        int negate = 0;
        bool word_taken = false;  // -d or -P took the rest of the word or the next one
        for (const char* s = argv[0] + 1; *s && !word_taken; ++s) {
            const char c = *s;
            if (c == '-') {
                ++negate;
                continue;
            }
            switch (c) {
            case 'a':
                if (negate) lower(G.text_convert, negate);
                else ++G.text_convert;
                break;
            case 'b':
                if (!negate) G.text_convert = 0;
                break;
            case 'c':
                G.to_stdout = negate ? 0 : 1;
                break;
            case 'f':
                G.freshen = G.update_only = negate ? 0 : 1;
                break;
            case 'j':
                G.junk_paths = negate ? 0 : 1;
                break;
            case 'K':
                G.outside_links = negate ? 0 : 1;
                break;
            case 'l':
                if (negate) lower(G.list_level, negate);
                else ++G.list_level;
                break;
            case 'n':
                G.never_overwrite = negate ? 0 : 1;
                break;
            case 'o':
                if (negate) {
                    lower(G.replace_all, negate);
                    lower(G.no_prompts, negate);
                } else {
                    ++G.replace_all;
                    ++G.no_prompts;
                }
                break;
            case 'P':
                // The password: the rest of this word, or the next word.
                if (s[1] == '\0') {
                    if (argc < 2) {
                        invalid = true;
                        break;
                    }
                    ++argv;
                    --argc;
                    password_give(argv[0]);
                } else {
                    password_give(s + 1);
                }
                word_taken = true;
                break;
            case 'p':
                if (negate) {
                    G.to_stdout = 0;
                    lower(G.quiet_level, 999);
                } else {
                    G.text_convert = 0;
                    G.to_stdout = 1;
                    G.quiet_level += 999;
                }
                break;
            case 'q':
                if (negate) lower(G.quiet_level, negate);
                else ++G.quiet_level;
                break;
            case 's':
                G.spaces_to_underscore = negate ? 0 : 1;
                break;
            case 't':
                G.test_only = negate ? 0 : 1;
                break;
            case 'u':
                G.update_only = negate ? 0 : 1;
                break;
            case 'U':
                G.keep_case = negate ? 0 : 1;
                break;
            case 'v':
                if (negate) lower(G.list_level, negate);
                else if (G.list_level == 0) G.list_level = 2;
                else ++G.list_level;
                break;
            case 'V':
                G.keep_versions = negate ? 0 : 1;
                break;
            case 'z':
                if (negate) G.comment_level -= negate;
                else ++G.comment_level;
                break;
            case '$':
                if (negate) lower(G.volume_label_level, negate);
                else ++G.volume_label_level;
                break;
            case 'h':
                argc = -1;
                return show_usage(false);
            case 'd':
                // "-dDIR", or "-d DIR": the folder may come before the archive name too.
                if (negate) break;
                word_taken = true;
                if (s[1]) {
                    dest = const_cast<char*>(s + 1);
                } else if (argc > 1) {
                    dest = argv[1];
                    ++argv;
                    --argc;
                } else {
                    std::fputs(no_dest_dir, stderr);
                    argc = -1;
                    return ENG_BAD_USAGE;
                }
                break;
            case 'e':
            case 'x':
                break;
            default:
                std::fprintf(stderr, "unknown option: -%c\n", c);
                invalid = true;
                break;
            }
            negate = 0;
        }
        ++argv;
        --argc;
    }

    const int exclusive = (G.to_stdout != 0) + (G.test_only != 0) + (G.update_only != 0) +
                          (G.list_level != 0);
    if (exclusive > 1 || (G.freshen && G.never_overwrite)) {
        std::fprintf(stderr,
                     "error:  -fn or any combination of -c, -l, -p, -t, -u and -v options invalid\n");
        invalid = true;
    }
    if (G.text_convert > 2) G.text_convert = 2;
    if (G.replace_all && G.never_overwrite) {
        std::fprintf(stderr, "caution:  both -n and -o specified; ignoring -o\n");
        G.replace_all = 0;
    }
    --argc;  // words after the archive name; -1 when there is none
    if (argc < 0 || invalid) return show_usage(invalid);
    G.writes_files = !(G.to_stdout || G.test_only || G.list_level);
    if (dest) take_dest_dir(dest);
    return 0;
}

int show_usage(bool is_error) {
    if (G.info_mode) return info_usage(is_error);
    FILE* out = is_error ? stderr : stdout;
    std::fprintf(out,
                 "Unpack %s, the archive engine of the TEV setup.\n"
                 "Written for the TEV terminal and communications product.\n"
                 "Please report problems through the TEV support channel.\n\n",
                 ENGINE_VERSION);
    std::fprintf(out,
                 "Usage: unzip %s[-opts[modifiers]] file[.zip] [list] [-x xlist] [-d exdir]\n",
                 "[-Z] ");
    std::fprintf(out,
                 "  Default action is to extract files in list, except those in xlist, to exdir;\n"
                 "  file[.zip] may be a wildcard.  %s\n\n",
                 "-Z => info mode (\"unzip -Z\" for usage).");
    std::fprintf(out,
                 "  -c  extract files to stdout/screen (CRT)   -l  list files (short format)\n"
                 "  -p  extract files to pipe, no messages     -v  list files (verbose format)\n"
                 "  -f  freshen existing files, create none    -t  test compressed archive data\n"
                 "  -u  update files, create if necessary      -z  display archive comment\n"
                 "  -x  exclude files which follow (in xlist)  -d  extract files into exdir\n");
    std::fprintf(out,
                 "modifiers:                                   -n  never overwrite existing files\n"
                 "  -q  quiet mode (-qq => quieter)            -o  overwrite files WITHOUT prompting\n"
                 "  -a  auto-convert any text files            -j  junk paths (don't make directories)\n"
                 "  -aa treat ALL files as text               %c-U%c don't make names lowercase\n"
                 " %-42s %c-V%c retain VMS version numbers\n"
                 "  %s\n\n",
                 ' ', ' ', " -$  label removables (-$$ => fixed disks)", ' ', ' ',
                 "-s  spaces in filenames => '_'");
    std::fprintf(out,
                 "Examples (see the manual for more info):\n"
                 "  unzip data1 -x joe   => extract all files except joe from zipfile data1.zip\n"
                 "  unzip -p foo | more  => send contents of foo.zip via pipe into program more\n"
                 "  unzip -fo foo %-6s => quietly replace existing %s if archive file newer\n",
                 "ReadMe", "ReadMe");
    return is_error ? ENG_BAD_USAGE : ENG_OK;
}

void on_fatal_signal(int) {
    std::fprintf(stderr, "error:  zipfile probably corrupt (%s)\n", "segmentation violation");
    std::fflush(stderr);
    std::_Exit(3);
}

int process_archives() {
    int successes = 0, warnings = 0, fatals = 0, no_directory = 0, directories = 0;
    int worst = 0;
    int previous = 0;
    std::string last_name;
    bool have_last = false;

    const auto count = [&](int r, bool count_no_directory) {
        if (r == ENG_OK) ++successes;
        else if (r == ENG_WARNING) ++warnings;
        else if (r == ENG_NO_ARCHIVE) { if (count_no_directory) ++no_directory; }
        else if (r == ENG_IS_DIRECTORY) ++directories;
        else ++fatals;
        if (r != ENG_IS_DIRECTORY) worst = std::max(worst, r);
    };

    while (char* name = next_wild_match(G.archive_arg)) {
        last_name = name;
        have_last = true;
        if (G.quiet_level == 0 && previous != ENG_NO_ARCHIVE &&
            successes + warnings + fatals + no_directory > 0)
            std::putchar('\n');
        std::fflush(stdout);
        G.archive_name = name;
        previous = process_archive(false);
        count(previous, true);
    }

    std::string retry_name;
    if (successes + warnings + fatals == 0 && no_directory + directories == 1 && have_last) {
        no_directory = directories = 0;
        if (worst == ENG_NO_ARCHIVE) worst = 0;
        retry_name = last_name + ".zip";
        G.archive_name = retry_name.data();
        count(process_archive(true), false);
    }

    // Names that were all directories processed nothing: that is no success.
    if (successes + warnings + fatals == 0 && directories > 0 && worst == ENG_OK)
        worst = ENG_NO_ARCHIVE;

    std::fflush(stdout);
    std::fflush(stderr);
    if (warnings + fatals + no_directory + directories > 0 || successes != 1)
        std::fputc('\n', stderr);
    if (successes > 1 || (successes == 1 && warnings + fatals + no_directory + directories > 0))
        std::fprintf(stderr, "%d archive%s successfully processed.\n", successes,
                     successes == 1 ? " was" : "s were");
    if (warnings)
        std::fprintf(stderr, "%d archive%s had warnings but no fatal errors.\n", warnings,
                     warnings == 1 ? "" : "s");
    if (fatals)
        std::fprintf(stderr, "%d archive%s had fatal errors.\n", fatals, fatals == 1 ? "" : "s");
    if (no_directory)
        std::fprintf(stderr, "%d file%s had no zipfile directory.\n", no_directory,
                     no_directory == 1 ? "" : "s");
    if (directories == 1)
        std::fprintf(stderr, "1 \"zipfile\" was a directory.\n");
    else if (directories > 1)
        std::fprintf(stderr, "%d \"zipfiles\" were directories.\n", directories);
    if (successes + warnings + fatals == 0) std::fprintf(stderr, "No zipfiles found.\n");

    release_fixed_tables();
    drop_root();
    G.archive_name = nullptr;
    G.unshrink_buffer = std::vector<uint8_t>();
    G.convert_buf = std::vector<uint8_t>();
    G.input_buf = std::vector<uint8_t>();
    return worst;
}

void engine_set_hooks(const EngineHooks& hooks) { G.hooks = hooks; }

void engine_keep_between_runs(bool on) {
    keep_wild_matches(on);
    keep_directory_memo(on);
}

int engine_unmatched_patterns() { return G.unmatched_patterns; }

int engine_entry(int argc, char** argv) {
    reset_options();
    drop_root();  // no extraction root survives from an earlier run
    // An interruption removes the file being written and ends the process with a
    // code of its own; an exceeded file-size limit arrives as a write error.
    host_catch_interruptions(ENG_INTERRUPTED);
    std::signal(SIGSEGV, on_fatal_signal);
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    // The program name: behind the last separator of the first entry.
    const char* program = argv[0] ? argv[0] : "";
    for (const char* p = program; *p; ++p)
        if (*p == '/' || *p == '\\') program = p + 1;
    G.info_mode = prefix_compare_nocase(program, "zipinfo", 7) == 0 ||
                  prefix_compare_nocase(program, "ii", 2) == 0 ||
                  (argc > 1 && argv[1] && std::strncmp(argv[1], "-Z", 2) == 0);
    int r;
    if (G.info_mode) {
        r = parse_info_options(&argc, &argv);
    } else {
        r = parse_options(argc, argv);
    }
    if (argc < 0 || r != 0) return r;

    for (int i = 0; i <= argc; ++i)
        for (char* p = argv[i]; p && *p; ++p)
            if (*p == '\\') *p = '/';

    G.archive_arg = argv[0];
    G.include_patterns = argv + 1;
    G.include_count = argc;
    G.exclude_patterns = nullptr;
    G.exclude_count = 0;

    if (argc == 0) {
        G.match_all = true;
    } else {
        G.match_all = false;
        bool in_includes = false;
        bool in_excludes = false;
        int exclude_start = 0;
        for (int i = 1; i <= argc; ++i) {
            char* word = argv[i];
            if (!G.dest_dir_given && std::strcmp(word, "-d") == 0) {
                if (in_includes) {
                    word[0] = '\0';
                    G.include_count = i - static_cast<int>(G.include_patterns - argv);
                } else if (in_excludes) {
                    word[0] = '\0';
                    G.exclude_count = i - exclude_start;
                }
                in_includes = false;
                if (i + 1 > argc) {
                    std::fputs(no_dest_dir, stderr);
                    return ENG_BAD_USAGE;
                }
                take_dest_dir(argv[i + 1]);
                if (i == 1) {
                    if (i + 2 > argc) {
                        G.match_all = true;
                        G.include_patterns = default_list;
                        G.include_count = 0;
                        break;
                    }
                    G.include_patterns = argv + i + 2;
                    G.include_count = argc - (i + 1);
                }
                ++i;
                continue;
            }
            if (in_excludes) continue;
            if (std::strcmp(word, "-x") == 0) {
                in_excludes = true;
                const bool third_after_d = i == 3 && std::strcmp(argv[1], "-d") == 0;
                if (i == 1 || third_after_d) {
                    G.include_patterns = default_list;
                    G.include_count = 0;
                } else if (in_includes) {
                    word[0] = '\0';
                    G.include_count = i - static_cast<int>(G.include_patterns - argv);
                }
                in_includes = false;  // a later "-d" ends the exclude list, not this one
                exclude_start = i + 1;
                G.exclude_patterns = argv + exclude_start;
                G.exclude_count = argc - i;
            } else {
                in_includes = true;
            }
        }
    }

    try {
        G.input_buf.assign(INPUT_BUF_SIZE + INPUT_SPARE, 0);
        G.convert_buf.assign(CONVERT_BUF_SIZE, 0);
    } catch (const std::bad_alloc&) {
        G.input_buf = std::vector<uint8_t>();
        G.convert_buf = std::vector<uint8_t>();
        std::fprintf(stderr, "error:  can't allocate unzip buffers\n");
        return ENG_NO_MEMORY;
    }
    return process_archives();
}
