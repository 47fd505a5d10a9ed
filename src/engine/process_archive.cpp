#include "engine/process_archive.h"

#include <algorithm>
#include <cstdio>

#include "engine/archive_reports.h"
#include "engine/bounds.h"
#include "engine/directory_memo.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "engine/password.h"
#include "engine/walk.h"
#include "engine/zip_reader.h"
#include "hostfs/mapname.h"
#include "listing/info.h"
#include "listing/list.h"

namespace {

// The program word of messages: "zipinfo" in information mode, else "unzip".
const char* program_word() { return G.info_mode ? "zipinfo" : "unzip"; }

void report_directory_not_found() {
    std::fprintf(stderr, "error [%s]:  start of central directory not found;\n  zipfile corrupt.\n%s",
                 G.archive_name, PLEASE_CHECK_TEXT);
}

// How far from its end an archive is searched for the end record: the record
// and the longest comment, with room to spare.
constexpr int64_t END_SEARCH_LENGTH = 66000;

// Finds the end record and reports what the search found: no end record, or a
// Zip64 locator that points to no Zip64 end record.
int find_and_report_end_record(int64_t search_length) {
    const int r = find_end_record(search_length);
    if (r == ENG_ERROR) {
        // Without the "Archive:" line or the header line, the archive is named here.
        if (G.quiet_level != 0 || (G.info_mode && !G.info.header_line))
            std::fprintf(stderr, "[%s]\n", G.archive_name);
        std::fprintf(stderr,
                     "  End-of-central-directory signature not found.  Either this file is not\n"
                     "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
                     "  latter case the central directory and zipfile comment will be found on\n"
                     "  the last disk(s) of this archive.\n\n");
    } else if (r == 0 && G.zip64_warning) {
        std::fprintf(stderr, "warning [%s]:  Zip64 end record not found; using the end record\n",
                     G.archive_name);
    }
    return r;
}

// The steps of process_archive that follow the end record. Each returns 0 to
// go on, or the archive's result (reported) to end it; going on, it raises
// *result with what it reported.

// One disk of several is refused; the two-part quirk goes on with a warning.
int check_disks(int* result) {
    const bool two_part_quirk = !G.info_mode && G.end.disk_number == 1 && G.end.central_start_disk == 1;
    if (G.info_mode) {
        if (G.end.disk_number != G.end.central_start_disk) {
            std::printf("\n     Zipfile is part of a multi-disk archive, and this is not the disk on\n"
                        "     which the central zipfile directory begins.\n");
            return ENG_MULTI_DISK;
        }
    } else if (!two_part_quirk && G.end.disk_number != 0) {
        std::fprintf(stderr,
                     "\nerror [%s]:  zipfile is part of multi-disk archive\n  (sorry, not yet supported).\n",
                     G.archive_name);
        return ENG_MULTI_DISK;
    }
    if (two_part_quirk) {
        std::fprintf(stderr,
                     "\n     Warning:  zipfile claims to be second disk of a two-part archive;\n"
                     "     attempting to process anyway.  If no further errors occur, this\n"
                     "     archive was probably made by an old archiver that marks single-disk\n"
                     "     archives this way.  (If further errors do occur, the archive really\n"
                     "     is part of a multi-part archive, which is not yet supported.)\n\n");
        *result = std::max(*result, static_cast<int>(ENG_WARNING));
    }
    return 0;
}

// Sets offset_shift, the correction of every offset the directory states, for
// bytes before or inside the archive or missing ones, and ends an empty archive.
int correct_offsets(int* result) {
    // The 64-bit size and offset of a Zip64 record may hold anything: beyond the
    // archive, no directory can be found by them. (The 32-bit ones of the end
    // record keep the corrections below, which also find a directory whose
    // archive lost its first bytes.)
    if (G.end.zip64 && !(within_archive(G.end.central_offset) && within_archive(0, G.end.central_size))) {
        report_directory_not_found();
        return ENG_BAD_ARCHIVE;
    }
    // The directory ends where the (Zip64) end record begins.
    G.offset_shift = directory_end_offset() - static_cast<int64_t>(G.expected_end_offset);
    if (G.offset_shift < 0) {
        std::fprintf(stderr, "error [%s]:  missing %lld bytes in zipfile\n  (attempting to process anyway)\n",
                     G.archive_name, static_cast<long long>(-G.offset_shift));
        *result = std::max(*result, static_cast<int>(ENG_ERROR));
    } else if (G.offset_shift > 0) {
        if (G.end.central_offset == 0 && G.end.central_size != 0) {
            std::fprintf(stderr, "error [%s]:  NULL central directory offset\n  (attempting to process anyway)\n",
                         G.archive_name);
            G.end.central_offset = static_cast<uint64_t>(G.offset_shift);
            G.offset_shift = 0;
            *result = std::max(*result, static_cast<int>(ENG_ERROR));
        } else {
            std::fprintf(stderr,
                         "warning [%s]:  extra %lld bytes at beginning or within zipfile\n  "
                         "(attempting to process anyway)\n",
                         G.archive_name, static_cast<long long>(G.offset_shift));
            *result = std::max(*result, static_cast<int>(ENG_WARNING));
        }
    }

    if (G.expected_end_offset == 0 && G.end.central_size == 0) {
        if (G.info_mode)
            std::printf("%sEmpty zipfile.\n", G.info.format == INFO_VERBOSE ? "\n  " : "");
        else
            std::fprintf(stderr, "warning [%s]:  zipfile is empty\n", G.archive_name);
        return std::max(*result, static_cast<int>(ENG_WARNING));
    }
    return 0;
}

// Finds the central directory's first signature where the corrected offset
// says, or, for a directory whose stated length is too long, where the offset
// alone says.
int find_directory(int* result) {
    int r = seek_archive_reported(G.end.central_offset);
    if (r == ENG_BAD_ARCHIVE) return ENG_BAD_ARCHIVE;
    long got = r == 0 ? read_signature() : 0;
    if (got < 0) return ENG_ERROR;
    if (got == SIGNATURE_SIZE && signature_is(CENTRAL_HEADER_SIG)) return 0;

    const int64_t remembered = G.offset_shift;
    G.offset_shift = 0;
    r = seek_archive_reported(G.end.central_offset);
    got = r == 0 ? read_signature() : 0;
    if (got != SIGNATURE_SIZE || !signature_is(CENTRAL_HEADER_SIG)) {
        report_directory_not_found();
        return ENG_BAD_ARCHIVE;
    }
    std::fprintf(stderr,
                 "error [%s]:  reported length of central directory is\n  %lld bytes too long "
                 "(made by a faulty archiver or\n  splitter?).  Compensating...\n",
                 G.archive_name, static_cast<long long>(-remembered));
    *result = std::max(*result, static_cast<int>(ENG_ERROR));
    return 0;
}

// The names' case rule, from the directory or from the memo of an earlier run
// (a walk on an archive whose directory is kept needs no scan of it; any
// other walk may record one); then the input at the directory's start.
int prepare_directory(const HostStat& st, int result) {
    G.archive_mtime = st.mtime;
    const bool walks = !G.info_mode && !G.list_level;
    const DirectoryMemo* memo = walks ? directory_memo_for(st.size, st.mtime) : nullptr;
    if (memo)
        G.names_keep_case = memo->names_keep_case;
    else
        scan_names_case();
    if (walks && !memo) begin_directory_memo(st.size, st.mtime);
    if (seek_archive_reported(G.end.central_offset) != 0)
        return std::max(result, static_cast<int>(ENG_BAD_ARCHIVE));
    return 0;
}

// The selected action over the directory.
int run_action() {
    if (G.info_mode) {
        const int r = info_walk();
        if (G.info.format == INFO_VERBOSE) std::putchar('\n');
        return r;
    }
    return G.list_level ? list_archive() : walk_members();
}

// An archive without end record whose local entries from its start are
// complete: the action runs over them, with a warning before and after. The
// archive is damaged, whatever the members are: at least ENG_ERROR.
int run_recovery(const RecoveryScan& scan) {
    std::fprintf(stderr,
                 "warning [%s]:  no end record: the archive is cut short or damaged;\n"
                 "  reading its members from their local headers\n",
                 G.archive_name);
    G.end = EndRecord();
    G.end.entries_total = scan.entries;
    G.offset_shift = 0;
    G.names_keep_case = true;
    G.recovering = true;
    G.recovery_next = 0;
    const int r = run_action();
    G.recovering = false;
    G.end = EndRecord();
    std::fflush(stdout);
    std::fprintf(stderr, "warning [%s]:  %llu complete member%s found before %s at offset %llu\n", G.archive_name,
                 static_cast<unsigned long long>(scan.entries), scan.entries == 1 ? "" : "s",
                 scan.directory_found ? "a cut central directory" : "the damage",
                 static_cast<unsigned long long>(scan.end));
    return std::max(r, static_cast<int>(ENG_ERROR));
}

}  // namespace

int show_archive_comment() {
    if (G.end.comment_length != 0 &&
        (G.comment_level > 0 || (G.comment_level == 0 && G.quiet_level == 0))) {
        if (show_comment(G.end.comment_length) != 0) {
            std::fprintf(stderr, "\ncaution:  zipfile comment truncated\n");
            return ENG_WARNING;
        }
    }
    return 0;
}

int process_archive(bool last_chance) {
    HostStat st;
    const bool found = host_stat(G.archive_name, &st) == 0;
    if (!found || st.is_dir) {
        if (last_chance) {
            if (G.no_directory_seen)
                std::fprintf(stderr,
                             "%s:  can't find zipfile directory in %s,\n        %sand can't find %s, period.\n",
                             program_word(), G.archive_arg, G.info_mode ? "  " : "", G.archive_name);
            else
                std::fprintf(stderr, "%s:  can't find either %s or %s, so there.\n", program_word(),
                             G.archive_arg, G.archive_name);
        }
        return found ? ENG_IS_DIRECTORY : ENG_NO_ARCHIVE;
    }
    if (st.size >= ARCHIVE_SIZE_LIMIT) {
        std::fprintf(stderr, "error [%s]:  too large for a zipfile (4 EiB or more)\n", G.archive_name);
        return ENG_BAD_ARCHIVE;
    }
    G.archive_size = static_cast<int64_t>(st.size);

    if (open_archive() != 0) {
        std::fprintf(stderr, "error:  can't open zipfile [ %s ]\n", G.archive_name);
        return ENG_NO_ARCHIVE;
    }
    G.input_buf_offset = 0;
    G.input_held = 0;
    G.input_pos = G.input_buf.data();
    G.input_left = 0;
    G.offset_shift = 0;
    password_new_archive();
    if (G.quiet_level == 0 && !G.info_mode) std::printf("Archive:  %s\n", G.archive_name);

    // The end record, then the information header or the archive comment.
    int result = 0;
    int failure = find_and_report_end_record(G.info_mode ? G.archive_size
                                                         : std::min<int64_t>(G.archive_size, END_SEARCH_LENGTH));
    if (failure == 0) {
        const int r = G.info_mode ? info_archive_header() : show_archive_comment();
        if (r > 1) failure = r;
        else result = r;
    }
    // No end record: the members before the damage are read from their local
    // entries, when the archive begins with a complete one.
    RecoveryScan recovery;
    if (failure == ENG_ERROR && G.comment_level <= 0) {
        recovery = scan_local_entries();
        if (recovery.entries > 0) failure = 0;
    }
    if (failure) {
        close_archive();
        if (st.owner_exec)
            std::fprintf(stderr, "note:  %s may be an executable, not an archive\n", G.archive_name);
        if (last_chance) return failure;
        G.no_directory_seen = true;  // the run tries the name with ".zip"
        return ENG_NO_ARCHIVE;
    }
    if (G.comment_level > 0 && !G.info_mode) {  // the comment was all that was asked for
        close_archive();
        return result;
    }

    // The -d folder is made only now that there is an archive to extract.
    if (G.extract_dir) {
        const int r = set_root(G.extract_dir);
        if (r > HOST_SKIP) {
            close_archive();
            return r;
        }
    }

    if (recovery.entries > 0) {
        const int r = run_recovery(recovery);
        close_archive();
        return r;
    }

    int end = check_disks(&result);
    if (end == 0) {
        result = std::max(result, G.zip64_warning);
        end = correct_offsets(&result);
    }
    if (end == 0) end = find_directory(&result);
    if (end == 0) end = prepare_directory(st, result);
    if (end == 0) end = std::max(result, run_action());
    close_archive();
    return end;
}
