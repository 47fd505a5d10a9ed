// Extraction or test of one member: the output file, the method, the CRC check.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "engine/globals.h"
#include "engine/io.h"
#include "engine/read_ahead.h"
#include "engine/shown_text.h"
#include "engine/walk.h"
#include "hostfs/file_finish.h"
#include "methods/methods.h"
#include "platform/interrupt.h"
#include "platform/win32_api.h"

namespace {

bool is_disk_full(int cause) {
#ifdef EDQUOT
    if (cause == EDQUOT) return true;
#endif
    return cause == ENOSPC;
}

// Stored members: long runs of input go to write_out as they are; short ones
// (the start and the end of the data, small members) are gathered in the window
// first, so that a small member is still one write.
void copy_stored() {
    G.window_fill = 0;
    while (G.disk_full_state == 0 && !output_overflowed()) {
        const uint8_t* run = nullptr;
        long n = take_input(&run, READ_AHEAD_SIZE);
        if (n <= 0) break;
        if (n >= WINDOW_SIZE) {
            // What was gathered goes first. After a failed write or past the
            // declared size, write_out passes nothing more on.
            if (G.window_fill > 0) write_out(G.window.data(), G.window_fill, 0);
            G.window_fill = 0;
            write_out(run, static_cast<uint32_t>(n), 0);
            continue;
        }
        while (n > 0) {
            const long k = std::min<long>(n, WINDOW_SIZE - static_cast<long>(G.window_fill));
            std::memcpy(G.window.data() + G.window_fill, run, static_cast<size_t>(k));
            G.window_fill += static_cast<uint32_t>(k);
            run += k;
            n -= k;
            if (G.window_fill == WINDOW_SIZE) {
                write_out(G.window.data(), WINDOW_SIZE, 0);
                G.window_fill = 0;
            }
        }
    }
    write_out(G.window.data(), G.window_fill, 0);
    G.window_fill = 0;
}

// Reports a method's failure in the quiet or the talkative form.
void report_method_error(int r, const char* no_memory_quiet, const char* invalid_quiet,
                         const char* no_memory, const char* invalid) {
    if (G.quiet_level)
        std::fprintf(stderr, "  error:  %s%s\n", r == 3 ? no_memory_quiet : invalid_quiet,
                     shown_text(G.member_name).c_str());
    else
        std::fprintf(stderr, "\n  error:  %s\n", r == 3 ? no_memory : invalid);
}

// The invalid-data report of a method's member, in the quiet and the talkative
// form, for a member whose data ended early or produced more than its size.
void report_invalid_data(unsigned method) {
    struct Words {
        const char* quiet;
        const char* talkative;
    };
    static constexpr Words words[] = {
        {"invalid compressed (stored) data for ", "invalid compressed data for stored format"},
        {"invalid compressed (shrunk) data for ", "invalid compressed data for unshrink format"},
        {"invalid compressed (reduced) data for ", "invalid compressed data for unreduce format"},
        {"invalid compressed (imploded) data for ", "invalid compressed data for explode format"},
        {"invalid compressed (deflated) data for ", "invalid compressed data for inflate format"},
    };
    const Words& w = words[method == 0 ? 0 : method == 1 ? 1 : method <= 5 ? 2 : method == 6 ? 3 : 4];
    report_method_error(1, "", w.quiet, "", w.talkative);
}

// A member whose output is not its declared size is damaged: its data ended
// early, or it produced more (which was not written). ENG_ERROR or 0.
int check_output_size() {
    if (!output_overflowed() && G.output_total == G.output_limit) return 0;
    report_invalid_data(G.local.method);
    return ENG_ERROR;
}

const char* method_word(unsigned method) {
    switch (method) {
    case 0: return "extracting";
    case 1: return "unshrinking";
    case 2: case 3: case 4: case 5: return "unreducing";
    case 6: return "exploding";
    case 8: return "inflating";
    default: return "extracting";
    }
}

// Runs the member's method; returns the member's result before the CRC check.
// After a failed write the method's own complaints are beside the point: the
// input was cut off to end it (write_out), and the write failure decides.
int run_method() {
    const unsigned method = G.local.method;
    int r;
    switch (method) {
    case 0:
        copy_stored();
        return 0;
    case 1:
        r = unshrink_member();
        if (r == 0 || G.disk_full_state) return 0;
        if (G.quiet_level)
            std::fprintf(stderr, "  error:  not enough memory to unshrink %s\n", shown_text(G.member_name).c_str());
        else
            std::fprintf(stderr, "\n  error:  not enough memory for unshrink operation\n");
        return r;
    case 2: case 3: case 4: case 5:
        if (unreduce_member() == 0) return 0;
        report_invalid_data(method);
        return ENG_ERROR;
    case 6:
        r = explode_member();
        if (r == 0 || G.disk_full_state) return 0;
        if (r == 5) {
            const bool warning =
                G.packed_size_used <= 0 || G.local.packed_size >= static_cast<uint64_t>(G.packed_size_used);
            std::fprintf(stderr,
                         "%s  %s:  %lld bytes required to uncompress to %llu bytes;\n"
                         "       %s   supposed to require %llu bytes%s%s%s\n",
                         G.quiet_level ? "" : "\n", warning ? "warning" : "error",
                         static_cast<long long>(G.packed_size_used),
                         static_cast<unsigned long long>(G.local.unpacked_size), warning ? "  " : "",
                         static_cast<unsigned long long>(G.local.packed_size),
                         G.quiet_level ? " [" : "", G.quiet_level ? shown_text(G.member_name).c_str() : "",
                         G.quiet_level ? "]" : ".");
            return warning ? ENG_WARNING : ENG_ERROR;
        }
        report_method_error(r, "not enough memory to explode ", "invalid compressed (imploded) data for ",
                            "not enough memory for explode operation",
                            "invalid compressed data for explode format");
        return r == 3 ? ENG_DECOMP_NO_MEMORY : ENG_ERROR;
    case 8:
        r = inflate_member();
        if (r == 0 || G.disk_full_state) return 0;
        report_method_error(r, "not enough memory to inflate ", "invalid compressed (deflated) data for ",
                            "not enough memory for inflate operation",
                            "invalid compressed data for inflate format");
        return r == 3 ? ENG_DECOMP_NO_MEMORY : ENG_ERROR;
    default:
        std::fprintf(stderr, "%s:  unknown compression method\n", shown_text(G.member_name).c_str());
        return ENG_WARNING;
    }
}

}  // namespace

// Reports a member's file that cannot be made. Only a full disk is reported as
// one; a missing permission, a folder of that name or a name the host refuses is
// an error of this member.
int report_cannot_create(int cause) {
    std::fprintf(stderr, "\nerror:  cannot create %s\n        %s\n", shown_text(G.member_name).c_str(),
                 cause ? std::strerror(cause) : "unknown cause");
    return is_disk_full(cause) ? ENG_DISK_FULL : ENG_ERROR;
}

namespace {

// A random 20-bit number for a temporary name, from a generator seeded once.
unsigned random_name_part() {
    static std::minstd_rand generator = [] {
        auto seed = static_cast<unsigned>(std::time(nullptr));
        try {
            seed ^= std::random_device()();
        } catch (...) {
            // No random source: the time alone, and a clash only costs a retry.
        }
        return std::minstd_rand(seed);
    }();
    return static_cast<unsigned>(generator()) & 0xFFFFFu;
}

}  // namespace

// The member is written under a temporary name in its folder (an 8.3 name, which
// every volume accepts) and renamed to its own name only when it is complete, so
// that a failed write, an interruption or damaged data never replaces a good file
// with a partial one. An interruption removes the temporary file.
//
// The name has a random part and is created only when nothing of that name
// exists, not even a link (which is never followed): a name that exists is
// passed over for the next one. Any other failure is reported with the
// create's own reason.
int create_output_file(FILE* (*create_new)(const char* path)) {
    const std::string& name = G.member_name;
    const size_t slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    // From a random start, an odd step modulo 2^20 never repeats a name.
    const unsigned start = random_name_part();
    int cause = EEXIST;
    for (unsigned attempt = 0; attempt < 64 && cause == EEXIST; ++attempt) {
        char temp[16];
        std::snprintf(temp, sizeof temp, "TEV%05X.TMP", (start + attempt * 0x9E3B7u) & 0xFFFFFu);
        G.temp_name = folder + temp;
        errno = 0;
        G.out_file = create_new(G.temp_name.c_str());
        if (G.out_file) {
            host_output_begun(G.temp_name.c_str(), shown_text(name).c_str());
            return 0;
        }
        cause = errno;
    }
    G.temp_name.clear();
    return report_cannot_create(cause);
}

namespace {

// Closes the temporary file; false (reported) when its last bytes could not be
// written. A file that is to be placed (`prepared` not null) gets its time and
// attributes before it is closed, while it is still open.
bool close_output(PreparedOutput* prepared) {
    FILE* f = G.out_file;
    G.out_file = nullptr;
    if (!f) return true;
    bool written = std::fflush(f) == 0;
    if (written && prepared) *prepared = prepare_output_file(f);
    if (std::fclose(f) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "\nerror:  cannot finish writing %s\n", shown_text(G.member_name).c_str());
        return false;
    }
    return true;
}

// Removes the temporary file: the member's own name keeps what it held.
void discard_output() {
    if (G.out_file) std::fclose(G.out_file);
    G.out_file = nullptr;
    host_remove(G.temp_name.c_str());
    host_output_ended();
}

// Renames the temporary file to the member's name, replacing an older file. An
// older read-only file (which Windows does not replace) is made writable first.
bool place_output() {
    const char* name = G.member_name.c_str();
    errno = 0;
    int placed = host_replace(G.temp_name.c_str(), name);
    int cause = errno;
    if (placed != 0) {
        HostStat st;
        if (host_stat(name, &st) == 0 && !st.is_dir && !st.writable) {
            host_make_writable(name);
            errno = 0;
            placed = host_replace(G.temp_name.c_str(), name);
            cause = errno;
        }
    }
    if (placed != 0) {
        discard_output();
        report_cannot_create(cause);
        return false;
    }
    host_output_ended();
    return true;
}

}  // namespace

int extract_member() {
    begin_member_output();
    const std::string shown_name = shown_text(G.member_name);
    const char* name = shown_name.c_str();

    if (G.test_only) {
        if (G.quiet_level == 0) {
            std::printf("%11s: %-22s  %s%s", "testing", name, "", "");
            std::fflush(stdout);
        }
    } else if (G.to_stdout) {
        std::fflush(stdout);
        host_set_binary(stdout);
        G.out_file = stdout;
    } else if (const int r = create_output_file()) {
        return r;
    }
    G.output_limit = G.unpacked_size;

    if (!G.test_only && G.quiet_level == 0) {
        const char* kind = "";
        if (G.text_convert == 1)
            kind = G.unpacked_size == 0 ? "[empty] " : G.cur->text_member ? "[text]  " : "[binary]";
        std::printf("%11s: %-22s  %s%s", method_word(G.local.method), name, kind,
                    G.to_stdout ? "\n" : "");
        std::fflush(stdout);
    }

    int result = run_method();
    if (result <= ENG_WARNING && G.disk_full_state == 0) result = std::max(result, check_output_size());
    const uint32_t crc = G.running_crc ^ 0xFFFFFFFFu;
    const bool to_file = !G.test_only && !G.to_stdout;

    if (G.disk_full_state > 1) {
        if (to_file) discard_output();
        G.out_file = nullptr;
        return ENG_DISK_FULL;
    }
    bool kept_old = false;
    if (to_file) {
        // Damaged data is kept (it may be mostly right) unless it would replace a
        // file. A failed write leaves an incomplete file, which is never kept;
        // going on after it is an error of the run.
        HostStat st;
        const bool complete = result <= 1 && crc == G.local.crc32;
        const bool place = G.disk_full_state == 0 && (complete || host_stat(G.member_name.c_str(), &st) != 0);
        PreparedOutput prepared;
        if (!close_output(place ? &prepared : nullptr) || G.disk_full_state == 1) {
            discard_output();
            std::fprintf(stderr, "%s:  not extracted (incomplete)\n", name);
            return ENG_ERROR;
        }
        if (place) {
            if (!place_output()) return std::max(result, static_cast<int>(ENG_ERROR));
            finish_output_file(&prepared);
        } else {
            discard_output();
            kept_old = true;
        }
    } else if (G.to_stdout) {
        std::fflush(stdout);
    }
    G.out_file = nullptr;
    const auto note_kept = [&] {
        if (kept_old) std::fprintf(stderr, "%s:  not replaced (the member is damaged)\n", name);
    };
    if (result > 1) {
        note_kept();
        return result;
    }

    if (crc != G.local.crc32) {
        if (G.quiet_level) std::fprintf(stderr, "%-22s ", shown_text(G.member_name).c_str());
        std::fprintf(stderr, " bad CRC %08lx  (should be %08lx)\n", static_cast<unsigned long>(crc),
                     static_cast<unsigned long>(G.local.crc32));
        note_kept();
        std::fflush(stderr);
        return ENG_ERROR;
    }
    if (G.test_only) {
        if (G.quiet_level == 0) std::printf(" OK\n");
    } else if (G.quiet_level == 0 && result == 0) {
        std::printf("\n");
    }
    return result;
}

int64_t dos_time_to_seconds(uint16_t dos_date, uint16_t dos_time) {
    static constexpr int days_before_month[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int64_t year = ((dos_date >> 9) & 0x7F) + 10;  // years since 1970
    int month = ((dos_date >> 5) & 0x0F) - 1;
    if (month < 0 || month > 11) month = 0;
    const int64_t day = (dos_date & 0x1F) - 1;
    const int64_t hours = dos_time >> 11;
    const int64_t minutes = (dos_time >> 5) & 0x3F;
    const int64_t seconds = 2 * (dos_time & 0x1F);
    int64_t days = (year + 1969) / 4 - 492 + 365 * year + days_before_month[month];
    if (month >= 2 && (year + 1970) % 4 == 0 && year + 1970 != 2100) ++days;
    const int64_t wall = (days + day) * 86400 + hours * 3600 + minutes * 60 + seconds;

    // The DOS fields are local time: convert to a real UTC instant the same way
    // as the file time set on extraction, including the zone's main bias.
    constexpr int64_t unix_epoch_in_filetime = 116444736000000000LL;
    const uint64_t local_ticks = static_cast<uint64_t>(wall * 10000000LL + unix_epoch_in_filetime);
    FILETIME local{static_cast<DWORD>(local_ticks & 0xFFFFFFFFu), static_cast<DWORD>(local_ticks >> 32)};
    FILETIME utc;
    if (!LocalFileTimeToFileTime(&local, &utc)) return wall;
    const int64_t utc_ticks = static_cast<int64_t>((static_cast<uint64_t>(utc.dwHighDateTime) << 32) |
                                                   utc.dwLowDateTime);
    return (utc_ticks - unix_epoch_in_filetime) / 10000000LL;
}

int existing_file_age(const char* host_path) {
    HostStat st;
    if (host_stat(host_path, &st) != 0) return -1;
    const int64_t file_time = st.mtime + (st.mtime & 1);  // rounded up to even seconds
    return file_time >= dos_time_to_seconds(G.local.dos_date, G.local.dos_time) ? 1 : 0;
}
