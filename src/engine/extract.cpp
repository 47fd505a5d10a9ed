// Extraction or test of one member: the output file, the method, the CRC check.
#include "engine/extract.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <string_view>

#include "decrypt/decrypt_result.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "engine/member_decryption.h"
#include "engine/password.h"
#include "engine/read_ahead.h"
#include "engine/shown_text.h"
#include "hostfs/file_finish.h"
#include "hostfs/mapname.h"
#include "methods/methods.h"
#include "platform/interrupt.h"

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

// The words of a method's failure reports, in the quiet form (followed by the
// member name) and the talkative form.
struct MethodTexts {
    const char* invalid_quiet;
    const char* invalid;
    const char* no_memory_quiet;
    const char* no_memory;
};

const MethodTexts& method_texts(unsigned method) {
    static constexpr MethodTexts texts[] = {
        {"invalid compressed (stored) data for ", "invalid compressed data for stored format", "", ""},
        {"invalid compressed (shrunk) data for ", "invalid compressed data for unshrink format", "", ""},
        {"invalid compressed (reduced) data for ", "invalid compressed data for unreduce format", "", ""},
        {"invalid compressed (imploded) data for ", "invalid compressed data for explode format",
         "not enough memory to explode ", "not enough memory for explode operation"},
        {"invalid compressed (deflated) data for ", "invalid compressed data for inflate format",
         "not enough memory to inflate ", "not enough memory for inflate operation"},
        {"invalid compressed (deflate64) data for ", "invalid compressed data for deflate64 format",
         "not enough memory to inflate ", "not enough memory for deflate64 operation"},
        {"invalid compressed (bzip2) data for ", "invalid compressed data for bzip2 format",
         "not enough memory to decompress ", "not enough memory for bzip2 operation"},
        {"invalid compressed (LZMA) data for ", "invalid compressed data for LZMA format",
         "not enough memory to decompress ", "not enough memory for LZMA operation"},
    };
    switch (method) {
    case 0: return texts[0];
    case 1: return texts[1];
    case 2: case 3: case 4: case 5: return texts[2];
    case 6: return texts[3];
    case 9: return texts[5];
    case 12: return texts[6];
    case 14: return texts[7];
    default: return texts[4];
    }
}

// Reports a method's failure (3: out of memory, else invalid data) in the
// quiet or the talkative form.
void report_method_error(int r, unsigned method) {
    const MethodTexts& t = method_texts(method);
    if (G.quiet_level)
        std::fprintf(stderr, "  error:  %s%s\n", r == 3 ? t.no_memory_quiet : t.invalid_quiet,
                     shown_text(G.member_name).c_str());
    else
        std::fprintf(stderr, "\n  error:  %s\n", r == 3 ? t.no_memory : t.invalid);
}

// The invalid-data report of a method's member, in the quiet and the talkative
// form, for a member whose data ended early or produced more than its size.
void report_invalid_data(unsigned method) { report_method_error(1, method); }

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
    case 8: case 9: return "inflating";
    case 12: return "bunzipping";
    case 14: return "unLZMAing";
    default: return "extracting";
    }
}

// A member whose LZMA dictionary needs more memory than the engine gives a
// member: refused like a method the engine cannot handle.
int refuse_dictionary(uint32_t dictionary) {
    std::fprintf(stderr, "%s   skipping: %-22s  LZMA dictionary of %u MiB (can do %u MiB)\n",
                 G.quiet_level ? "" : "\n", shown_text(G.member_name).c_str(),
                 static_cast<unsigned>((uint64_t{dictionary} + (1u << 20) - 1) >> 20),
                 static_cast<unsigned>(LZMA_DICTIONARY_LIMIT >> 20));
    return ENG_WARNING;
}

// Runs the member's method; returns the member's result before the CRC check,
// and sets *refused when the method refused the member before decoding it.
// After a failed write the method's own complaints are beside the point: the
// input was cut off to end it (write_out), and the write failure decides.
int run_method(bool* refused) {
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
        report_method_error(r, method);
        return r == 3 ? ENG_DECOMP_NO_MEMORY : ENG_ERROR;
    case 8: case 9: case 12: case 14: {
        uint32_t dictionary = 0;
        r = method == 8 ? inflate_member() : method == 9 ? inflate64_member()
            : method == 12 ? bunzip2_member() : lzma_member(&dictionary);
        if (r == METHOD_REFUSED) {
            *refused = true;
            return refuse_dictionary(dictionary);
        }
        if (r == 0 || G.disk_full_state) return 0;
        report_method_error(r, method);
        return r == 3 ? ENG_DECOMP_NO_MEMORY : ENG_ERROR;
    }
    default:
        std::fprintf(stderr, "%s:  unknown compression method\n", shown_text(G.member_name).c_str());
        return ENG_WARNING;
    }
}

// A skipped member's line, and its result.
int skip_member(const std::string& shown_name, const char* why, int result) {
    std::fprintf(stderr, "   skipping: %-22s  %s\n", shown_name.c_str(), why);
    return result;
}

// An encrypted member whose data is damaged or cut short, reported on a line
// of its own also when its progress line was begun.
int report_encrypted_damage(const std::string& shown_name, int decrypt_result, bool after_progress) {
    std::fprintf(stderr, "%s  error:  %s: %s\n", after_progress && G.quiet_level == 0 ? "\n" : "", shown_name.c_str(),
                 decrypt_result == DECRYPT_TRUNCATED ? "encrypted data cut short"
                                                     : "authentication failed: the data is damaged or altered");
    return ENG_ERROR;
}

// For an encrypted member: its cipher, a password and the start of the
// decryption stage, which then turns the data into what the member's real
// method reads (G.local.method). 0 when the stage runs; otherwise the member
// is skipped (reported) and its result returned.
int start_decryption(MemberDecryption& decryption, const std::string& stored_name) {
    const std::string shown_name = shown_text(G.member_name);
    AesExtra extra;
    const bool aes = G.local.method == AES_METHOD;
    if (aes) {
        const int e = parse_aes_extra(G.extra_field, &extra);
        if (e != DECRYPT_OK)
            return skip_member(shown_name, aes_extra_refusal(e), e == DECRYPT_UNSUPPORTED ? ENG_WARNING : ENG_ERROR);
    }
    const std::string* password = password_for_member(stored_name);
    if (!password)
        return skip_member(shown_name, "encrypted: no password (give it with -P password)", ENG_WARNING);
    const bool has_descriptor = G.local.flags & FLAG_DATA_DESCRIPTOR;
    const int d = aes ? decryption.begin_aes(extra, *password)
                      : decryption.begin_traditional(
                            *password, traditional_check_byte(has_descriptor, G.local.crc32, G.local.dos_time));
    switch (d) {
    case DECRYPT_OK:
        if (aes) G.local.method = extra.method;
        G.compute_crc = decryption.crc_checked();
        return 0;
    case DECRYPT_WRONG_PASSWORD:
        password_refused();
        return skip_member(shown_name, "incorrect password", ENG_WARNING);
    case DECRYPT_UNSUPPORTED:
        return skip_member(shown_name, aes_extra_refusal(d), ENG_WARNING);
    case DECRYPT_TRUNCATED:
        return report_encrypted_damage(shown_name, d, false);
    default:
        return skip_member(shown_name, "AES decryption unavailable on this system", ENG_WARNING);
    }
}

}  // namespace

const char* aes_extra_refusal(int parse_result) {
    return parse_result == DECRYPT_UNSUPPORTED ? "unsupported AES encryption" : "AES extra field missing or damaged";
}

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

// True when a link at `link_path` (a host path below the root) to `target`
// stays inside the extraction folder: a relative target whose ".." components
// all come first, and no more of them than there are folders between the root
// and the link. (Its other components may be links this run made, which stay
// inside by the same rule.)
bool link_stays_inside(std::string_view target, std::string_view link_path) {
    if (target.empty() || target[0] == '/' || target[0] == '\\' || (target.size() >= 2 && target[1] == ':'))
        return false;
    const std::string_view below = link_path.substr(std::min(link_path.size(), static_cast<size_t>(host_paths.root_len)));
    long depth = std::count(below.begin(), below.end(), '/');
    bool leading = true;
    while (!target.empty()) {
        const size_t end = std::min(target.find('/'), target.find('\\'));
        const std::string_view part = target.substr(0, end);
        target.remove_prefix(end == std::string_view::npos ? target.size() : end + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!leading || --depth < 0) return false;
            continue;
        }
        leading = false;
    }
    return true;
}

// A symbolic-link member was written to its temporary file, which holds the
// link's target. Makes the link under a temporary name of its own in place of
// that file, so that the member's name is given to it as to a file. A link
// that would leave the extraction folder (unless -K) or that cannot be made
// here stays a file holding its target: the warning about it is returned
// (empty when the link was made).
std::string make_link() {
    constexpr size_t TARGET_MAX = 4095;
    std::string target;
    if (FILE* f = host_fopen(G.temp_name.c_str(), "rb")) {
        char buf[TARGET_MAX + 1];
        target.assign(buf, std::fread(buf, 1, sizeof buf, f));
        std::fclose(f);
    }
    std::string why;
    if (!host_symbolic_links())
        why = "links are files on this system";
    else if (target.empty() || target.size() > TARGET_MAX || target.find('\0') != std::string::npos)
        why = "no usable target";
    else if (!G.outside_links && !link_stays_inside(target, G.member_name))
        why = "the target is outside the extraction folder; -K makes the link";
    if (why.empty()) {
        const std::string link_temp = G.temp_name + "L";
        errno = 0;
        if (host_make_link(target.c_str(), link_temp.c_str()) == 0) {
            host_remove(G.temp_name.c_str());
            G.temp_name = link_temp;
            host_output_begun(G.temp_name.c_str(), shown_text(G.member_name).c_str());
            return std::string();
        }
        why = std::strerror(errno);
    }
    return "warning:  " + shown_text(G.member_name) + " -> " + shown_text(target) + " written as a file (" + why +
           ")\n";
}

}  // namespace

int extract_member(const std::string& stored_name) {
    begin_member_output();
    // Ends the decryption stage when the member is done, also on an early return.
    MemberDecryption decryption;
    if (G.cur->encrypted) {
        if (const int r = start_decryption(decryption, stored_name)) return r;
    }
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

    bool refused = false;
    int result = run_method(&refused);
    const bool to_file = !G.test_only && !G.to_stdout;
    if (refused) {  // nothing was decoded: no file is made
        if (to_file) discard_output();
        G.out_file = nullptr;
        return result;
    }
    if (result <= ENG_WARNING && G.disk_full_state == 0) result = std::max(result, check_output_size());
    // An AES member is good only when its authentication code agrees.
    if (G.cur->encrypted && result <= ENG_WARNING && G.disk_full_state == 0) {
        if (const int d = decryption.finish()) result = report_encrypted_damage(shown_name, d, true);
    }
    const uint32_t crc = G.running_crc ^ 0xFFFFFFFFu;
    const bool crc_good = !G.compute_crc || crc == G.local.crc32;

    if (G.disk_full_state > 1) {
        if (to_file) discard_output();
        G.out_file = nullptr;
        return ENG_DISK_FULL;
    }
    bool kept_old = false;
    std::string link_warning;  // given after the member's line is ended
    if (to_file) {
        // Damaged data is kept (it may be mostly right) unless it would replace a
        // file. A failed write leaves an incomplete file, which is never kept;
        // going on after it is an error of the run.
        HostStat st;
        const bool complete = result <= 1 && crc_good;
        const bool place = G.disk_full_state == 0 && (complete || host_stat(G.member_name.c_str(), &st) != 0);
        PreparedOutput prepared;
        if (!close_output(place ? &prepared : nullptr) || G.disk_full_state == 1) {
            discard_output();
            std::fprintf(stderr, "%s:  not extracted (incomplete)\n", name);
            return ENG_ERROR;
        }
        const bool link_member = place && complete && G.cur && G.cur->symbolic_link;
        if (link_member) link_warning = make_link();
        const bool link = link_member && link_warning.empty();
        if (place) {
            if (!place_output()) return std::max(result, static_cast<int>(ENG_ERROR));
            // A link's time and mode are not set by name: that would set its target's.
            if (link)
                host_paths.links_made.insert(G.member_name);
            else
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

    if (!crc_good) {
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
    if (link_warning.empty()) return result;
    std::fflush(stdout);
    std::fputs(link_warning.c_str(), stderr);
    return std::max(result, static_cast<int>(ENG_WARNING));
}
