#include "engine/walk.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "decrypt/decrypt_result.h"
#include "decrypt/zip_aes.h"
#include "engine/archive_reports.h"
#include "engine/directory_memo.h"
#include "engine/extract.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "engine/select.h"
#include "engine/shown_text.h"
#include "engine/zip_reader.h"
#include "hostfs/file_finish.h"
#include "hostfs/mapname.h"
#include "methods/methods.h"
#include "platform/hostfile.h"
#include "platform/win32_api.h"

namespace {

constexpr int BATCH_SIZE = 64;

// The folders this walk made for folder members, with their members' times.
// They are given those times at the walk's end, deepest first: writing the
// contents (and making the folders inside) would change them again.
class FolderTimes {
public:
    void clear() { folders_.clear(); }
    void add(const std::string& path) {
        FILETIME time;
        if (!dos_time_to_file_time(&time)) return;
        try {
            folders_.emplace_back(path, (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
        } catch (const std::bad_alloc&) {
            // The folder keeps the time of its making.
        }
    }
    void apply() {
        const auto depth = [](const std::string& p) { return std::count(p.begin(), p.end(), '/'); };
        std::stable_sort(folders_.begin(), folders_.end(),
                         [&](const auto& a, const auto& b) { return depth(a.first) > depth(b.first); });
        for (const auto& [path, time] : folders_) host_set_path_time(path.c_str(), time);
        folders_.clear();
    }

private:
    std::vector<std::pair<std::string, uint64_t>> folders_;
};

FolderTimes folder_times;

// The archive stretches (local header to the end of the data) of the members
// processed in this walk. A member that overlaps one of them is refused: sound
// archives never share bytes between members, and archives built that way make
// a few kilobytes extract to gigabytes. Members of a sound archive mostly come
// in the order of their data, so their spans are appended to a sorted array
// (16 bytes each, against some 64 for a tree node: 20,000 members stay within a
// few hundred kilobytes); a span that comes out of order goes to a tree.
class ProcessedSpans {
public:
    void clear() {
        ordered_ = {};
        others_.clear();
    }

    // True when [start, end) overlaps a processed member; otherwise records it.
    bool overlaps_or_add(int64_t start, int64_t end) {
        if (overlaps(ordered_, start, end) || overlaps(others_, start, end)) return true;
        const Span span{start, std::max(end, start + 1)};
        if (ordered_.empty() || start > ordered_.back().first)
            ordered_.push_back(span);
        else
            others_.insert(span);
        return false;
    }

private:
    using Span = std::pair<int64_t, int64_t>;  // start, end

    // Each store holds spans that do not overlap, so only the neighbours of
    // `start` can overlap [start, end).
    template <typename Iterator>
    static bool neighbours_overlap(Iterator first, Iterator next, Iterator last, int64_t start, int64_t end) {
        if (next != last && next->first < end) return true;
        return next != first && std::prev(next)->second > start;
    }
    static bool overlaps(const std::vector<Span>& spans, int64_t start, int64_t end) {
        const auto next = std::lower_bound(spans.begin(), spans.end(), Span{start, INT64_MIN});
        return neighbours_overlap(spans.begin(), next, spans.end(), start, end);
    }
    static bool overlaps(const std::set<Span>& spans, int64_t start, int64_t end) {
        const auto next = spans.lower_bound(Span{start, INT64_MIN});
        return neighbours_overlap(spans.begin(), next, spans.end(), start, end);
    }

    std::vector<Span> ordered_;
    std::set<Span> others_;
};

ProcessedSpans processed_spans;

int raise(int result, int r) { return std::max(result, r); }

// Reports a cut name, and a damaged name or extra field of a header
// ("central" or "local").
void report_fields(const EntryRead& entry, const char* which) {
    report_cut_name(entry.name);
    if (entry.stop == EntryStop::NAME || entry.stop == EntryStop::EXTRA)
        std::fprintf(stderr, "%s:  bad %s length (%s)\n", shown_text(G.member_name).c_str(),
                     entry.stop == EntryStop::NAME ? "filename" : "extra field", which);
}

void bad_offset(long index, const char* what, uint64_t offset) {
    std::fprintf(stderr, "file #%ld:  bad zipfile offset (%s):  %llu\n", index, what,
                 static_cast<unsigned long long>(offset));
}

// Positions the input at the member's local header through the block logic of
// seek_archive, with this walk's own message for a block that lies beyond the
// archive's end or cannot be read. False when the member cannot be reached;
// otherwise *physical is where the header begins.
bool seek_local(uint64_t logical, long index, uint64_t* physical) {
    // Only for the messages: modulo 2^64, as the offset was sought.
    *physical = logical + static_cast<uint64_t>(G.offset_shift);
    const int r = seek_archive_reported(logical);
    if (r == ENG_EARLY_EOF) bad_offset(index, "lseek", *physical - *physical % INPUT_BUF_SIZE);
    return r == 0;
}

// A member that needs a newer version of the format (or of the VMS file system)
// than `can_do` (both as version x 10).
void skip_for_version(const char* name, const char* what, unsigned needed, unsigned can_do) {
    std::fprintf(stderr, "   skipping: %-22s  need %s compat. v%u.%u (can do v%u.%u)\n", name, what,
                 needed / 10u, needed % 10u, can_do / 10u, can_do % 10u);
}

// The format version read (x 10): 4.5, with the Zip64 records; a member
// packed with bzip2 (4.6) or LZMA (6.3), or encrypted with AES (5.1), may ask
// for its method's version. And the VMS file system's: 4.2.
constexpr unsigned FORMAT_VERSION_READ = 45;
constexpr unsigned VMS_VERSION_READ = 42;
unsigned version_read_for(unsigned method) {
    return method == METHOD_BZIP2 ? 46u : method == METHOD_LZMA ? 63u : method == AES_METHOD ? 51u
                                                                               : FORMAT_VERSION_READ;
}

// The permission bits of a file or directory made on Unix, which keeps its mode
// in the high half of the external attributes; 0 for anything else. Never
// set-user-ID, set-group-ID or sticky. A symbolic link gets none: it is made
// as a link, or written as a file with the default permissions.
uint32_t unix_permissions(const CentralHeader& h) {
    if (h.made_by_host != HOST_UNIX) return 0;
    const uint32_t mode = host_mode(h.external_attributes);
    const uint32_t type = mode & UNIX_TYPE_MASK;
    if (type != 0 && type != UNIX_REGULAR && type != UNIX_DIRECTORY) return 0;
    return mode & UNIX_PERMISSIONS;
}

// Existing files: true when the member is to be extracted.
bool decide_existing() {
    // When every existing file is replaced, there is nothing to look up.
    if (!G.freshen && !G.never_overwrite && !G.update_only && (G.replace_all || G.no_prompts)) return true;
    const int age = existing_file_age(G.member_name.c_str());
    if (age < 0) return !G.freshen;
    if (G.never_overwrite) return false;
    if (age == 1 && G.update_only) return false;
    if (G.replace_all || G.no_prompts) return true;
    if (!G.hooks.existing_file) return false;
    return G.hooks.existing_file(G.member_name.c_str()) == EXISTING_OVERWRITE;
}

// The member steps for one batch entry; returns the member's result. Sets
// `stop_walk` when the walk must end at once, `walk_code` to what it returns.
int member_steps(long index, bool* stop_walk, int* walk_code) {
    MemberInfo& m = *G.cur;
    int result = 0;

    // 1 and 2: the local header's position and signature.
    uint64_t physical = 0;
    if (!seek_local(m.local_offset, index, &physical)) return ENG_BAD_ARCHIVE;
    long got = read_signature();
    if (got <= 0) {
        bad_offset(index, "EOF", physical);
        return ENG_BAD_ARCHIVE;
    }
    if (got != SIGNATURE_SIZE || !signature_is(LOCAL_HEADER_SIG)) {
        bad_offset(index, "local header sig", physical);
        result = ENG_ERROR;
        if (index == 0) {
            std::fprintf(stderr, "  (attempting to re-compensate)\n");
            G.offset_shift = 0;
            const int r = seek_archive_reported(m.local_offset);
            if (r == ENG_BAD_ARCHIVE) {
                *stop_walk = true;
                *walk_code = ENG_BAD_ARCHIVE;
                return result;
            }
            if (r != 0) {
                *stop_walk = true;
                *walk_code = ENG_EARLY_EOF;
                return result;
            }
            got = read_signature();
            if (got <= 0) {
                bad_offset(index, "EOF", m.local_offset);
                return ENG_BAD_ARCHIVE;
            }
            if (got != SIGNATURE_SIZE || !signature_is(LOCAL_HEADER_SIG)) {
                bad_offset(index, "local header sig", m.local_offset);
                return ENG_BAD_ARCHIVE;
            }
        }
    }

    // 3 and 4: the local header, name and extra field.
    const EntryRead local = read_local_entry();
    if (local.stop == EntryStop::HEADER) {
        std::fprintf(stderr, "\nfile #%ld:  bad local header\n", index);
        return raise(result, local.code);
    }
    report_fields(local, "local");
    result = raise(result, local.code);
    if (local.stop != EntryStop::NONE) return result;
    const int64_t data_start = input_position();
    const int64_t header_start = data_start - LOCAL_HEADER_SIZE - G.local.name_length - G.local.extra_length;
    if (processed_spans.overlaps_or_add(header_start, data_start + G.packed_left)) {
        std::fprintf(stderr, "file #%ld:  %s overlaps an earlier member; not processed\n", index,
                     shown_text(G.member_name).c_str());
        return raise(result, ENG_ERROR);
    }

    // 5 to 7: the host path and the rules for existing files.
    const std::string stored_name = G.member_name;
    if (!G.test_only && !G.to_stdout) {
        const int r = mapname(0);
        if (r == HOST_WARNING) {
            result = raise(result, ENG_WARNING);
        } else if (r == HOST_SKIP || r == HOST_DIR_CREATED) {
            // A directory made here gets its permissions, but always keeps the
            // owner's, so that the members inside can still be written.
            const bool folder = !stored_name.empty() && stored_name.back() == '/';
            if (host_paths.created_dir && folder) {
                if (m.unix_mode) host_set_unix_mode(G.member_name.c_str(), m.unix_mode | 0700);
                folder_times.add(G.member_name);
            }
            return result;
        } else if (r == HOST_VOLUME_LABEL_UNWANTED) {
            std::fprintf(stderr, "   skipping: %-22s  %svolume label\n", shown_text(stored_name).c_str(),
                         G.volume_label_level ? "hard disk " : "");
            return result;
        } else if (r > HOST_WARNING) {
            return raise(result, ENG_ERROR);
        }
        if (!decide_existing()) return result;
    }

    // 8: extraction.
    G.disk_full_state = 0;
    result = raise(result, extract_member(stored_name));
    if (G.disk_full_state > 1) {
        *stop_walk = true;
        *walk_code = -1;  // the walk's own result so far, raised by this member
    }
    return result;
}

}  // namespace

bool check_member_support() {
    MemberInfo& m = *G.cur;
    const CentralHeader& h = G.central;
    m.encrypted = (h.flags & FLAG_ENCRYPTED) != 0;
    m.has_descriptor = (h.flags & FLAG_DATA_DESCRIPTOR) != 0;
    m.text_member = (h.internal_attributes & INTERNAL_TEXT) != 0;
    m.crc32 = h.crc32;
    m.packed_size = h.packed_size;
    m.unpacked_size = h.unpacked_size;
    m.convert_text = G.text_convert == 0 ? false : G.text_convert == 1 ? m.text_member : true;
    m.unix_mode = unix_permissions(h);
    m.symbolic_link = h.made_by_host == HOST_UNIX &&
                      (host_mode(h.external_attributes) & UNIX_TYPE_MASK) == UNIX_SYMBOLIC_LINK;
    const std::string shown_name = shown_text(G.member_name);
    const char* name = shown_name.c_str();

    // Methods 0 to 6, 8, 9, 12 and 14 are decoded, also under AES encryption
    // (method 99, which names the real method in its extra field); others are
    // refused, whatever version of the format they ask for.
    unsigned method = h.method;
    unsigned can_do = version_read_for(method);
    if (m.encrypted && (h.flags & FLAG_STRONG_ENCRYPTION)) {
        std::fprintf(stderr, "   skipping: %-22s  encrypted (not supported)\n", name);
        return false;
    }
    if (m.encrypted && h.method == AES_METHOD) {
        AesExtra extra;
        const int e = parse_aes_extra(G.extra_field, &extra);
        if (e != DECRYPT_OK) {
            std::fprintf(stderr, "   skipping: %-22s  %s\n", name, aes_extra_refusal(e));
            return false;
        }
        method = extra.method;
        can_do = std::max(can_do, version_read_for(method));
    }
    if (method > METHOD_IMPLODED && method != METHOD_DEFLATED && method != METHOD_DEFLATE64 &&
        method != METHOD_BZIP2 && method != METHOD_LZMA) {
        const MethodNames* names = method_names(method);
        std::fprintf(stderr, "   skipping: %-22s  compression method %u%s%s%s\n", name, method,
                     names ? " (" : "", names ? names->full : "", names ? ")" : "");
        return false;
    }
    if (h.needed_host == HOST_VMS) {
        if (h.needed_version > VMS_VERSION_READ) {
            skip_for_version(name, "VMS", h.needed_version, VMS_VERSION_READ);
            return false;
        }
        if (!G.test_only && !G.no_prompts) {
            std::fprintf(stderr, "\n%s:  stored in VMS format.  Extract anyway? (y/n) ", name);
            std::fflush(stderr);
            read_answer_line();
            if (G.answer_buf[0] != 'y' && G.answer_buf[0] != 'Y') return false;
        }
    } else if (h.needed_version > can_do) {
        skip_for_version(name, "PK", h.needed_version, can_do);
        return false;
    }
    map_host_attributes();
    m.local_offset = h.local_header_offset;
    return true;
}

int walk_members() {
    std::array<MemberInfo, BATCH_SIZE> batch{};
    // Which include and exclude patterns matched a member (all false to begin with).
    const std::unique_ptr<bool[]> include_flags = pattern_flags(G.include_count);
    const std::unique_ptr<bool[]> exclude_flags = pattern_flags(G.exclude_count);
    uint64_t members_left = G.end.entries_total;
    long unsupported = 0;
    long batch_number = 0;
    long last_index = -1;
    int result = 0;
    bool directory_damaged = false;
    processed_spans.clear();
    folder_times.clear();
    // With a memo of this directory, entries that cannot be selected are passed
    // by unread; without one, a memo is recorded when the host keeps them.
    // (Local entries read in recovery are no directory to remember.)
    const DirectoryMemo* memo =
        G.recovering ? nullptr : directory_memo_for(static_cast<uint64_t>(G.archive_size), G.archive_mtime);
    size_t memo_next = 0;
    const bool recording = !memo && !G.recovering && directory_memo_recording();
    bool directory_clean = true;  // no entry of the directory raised the result

    while (members_left != 0 && !directory_damaged) {
        int count = 0;
        while (members_left != 0 && count < BATCH_SIZE) {
            if (memo) {
                while (members_left != 0 && !select_member(memo->entries[memo_next].name.c_str(),
                                                           memo->entries[memo_next].fold,
                                                           include_flags.get(), exclude_flags.get())) {
                    --members_left;
                    ++memo_next;
                }
                if (members_left == 0) break;
                position_input(memo->entries[memo_next++].start);
            }
            --members_left;
            G.cur = &batch[count];
            *G.cur = MemberInfo{};
            const int64_t entry_start = input_position();
            const EntryRead entry = read_central_entry(false);
            if (entry.stop == EntryStop::SIGNATURE && entry.code == ENG_BAD_ARCHIVE)
                report_missing_central_signature(static_cast<unsigned>(count));
            report_fields(entry, "central");
            if (entry.code) directory_clean = false;
            result = raise(result, entry.code);
            bool stop = entry.stop != EntryStop::NONE;
            if (!stop) {
                const int r = skip_field(G.central.comment_length);
                if (r) directory_clean = false;
                result = raise(result, r);
                if ((stop = r > 1))
                    std::fprintf(stderr, "\n%s:  bad file comment length\n", shown_text(G.member_name).c_str());
            }
            if (stop) {
                directory_damaged = true;
                break;
            }
            if (memo && !memo_entry_holds(memo->entries[memo_next - 1])) {
                // Another archive of the same size and time took the place of
                // the one the memo describes: the memo is dropped and the
                // directory read from its start again. With no member processed
                // yet (as for a host that runs the engine once per member) the
                // walk starts afresh; otherwise it goes on from this entry.
                memo = nullptr;
                drop_directory_memo();
                uint64_t from = memo_next - 1;
                if (batch_number == 0) {
                    from = 0;
                    count = 0;
                    unsupported = 0;
                    if (include_flags) std::fill_n(include_flags.get(), G.include_count, false);
                    if (exclude_flags) std::fill_n(exclude_flags.get(), G.exclude_count, false);
                    members_left = G.end.entries_total;
                } else {
                    ++members_left;
                }
                std::optional<uint64_t> damaged;
                if (const int r = reread_directory_to(from, &damaged)) {
                    if (damaged) report_missing_central_signature(*damaged);
                    result = raise(result, r);
                    directory_damaged = true;
                    break;
                }
                continue;
            }
            const bool fold = G.cur->lowercase_name;
            if (recording)
                add_memo_entry(MemoEntry{entry_start, G.member_name, fold, G.central.crc32, G.central.packed_size,
                                         G.central.unpacked_size});
            if (!select_member(G.member_name.c_str(), fold, include_flags.get(), exclude_flags.get()))
                continue;
            if (check_member_support())
                ++count;
            else
                ++unsupported;
        }

        const int64_t mark = input_position();
        for (int i = 0; i < count; ++i) {
            G.cur = &batch[i];
            const long index = batch_number * BATCH_SIZE + i;
            last_index = index;
            bool stop_walk = false;
            int walk_code = 0;
            result = raise(result, member_steps(index, &stop_walk, &walk_code));
            if (stop_walk) {
                G.cur = nullptr;
                folder_times.apply();
                return walk_code < 0 ? result : walk_code;
            }
        }
        position_input(mark);
        ++batch_number;
    }
    G.cur = nullptr;
    folder_times.apply();

    report_unmatched_patterns(include_flags.get(), exclude_flags.get());

    if (memo) position_input(memo->end);
    const int64_t directory_end = input_position();
    const int end = read_directory_end();
    if (recording) finish_directory_memo(directory_clean && !directory_damaged && end == 0, directory_end);
    if (end == ENG_EARLY_EOF) {
        result = ENG_EARLY_EOF;
    } else if (end) {
        report_no_end_behind_directory(true);
        if (result == 0) result = ENG_WARNING;
    }

    if (G.test_only && G.quiet_level < 2) {
        const long tested = last_index + 1;
        // An archive read from its local headers is damaged, however sound
        // the members before the damage are.
        if (result != 0 || G.recovering)
            std::printf("At least one %serror was detected in %s.\n",
                        result == ENG_WARNING ? "warning-" : "", G.archive_name);
        else if (tested == 0)
            std::printf("Caution:  zero files tested in %s.\n", G.archive_name);
        else if (G.match_all && unsupported == 0)
            std::printf("No errors detected in compressed data of %s.\n", G.archive_name);
        else
            std::printf("No errors detected in %s for the %ld file%s tested.\n", G.archive_name,
                        tested, tested == 1 ? "" : "s");
        if (unsupported > 0)
            std::printf("%ld file%s skipped because of unsupported compression or encoding.\n",
                        unsupported, unsupported == 1 ? "" : "s");
    }
    if (unsupported > 0 && result == 0) result = ENG_WARNING;
    // Include patterns of which none matched: nothing was found, which a script sees.
    return raise(result, nothing_matched_result());
}

int64_t dos_time_to_seconds(uint16_t dos_date, uint16_t dos_time) {
    static constexpr int days_before_month[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const DosDateTime t = decode_dos_date(dos_date, dos_time);
    const int64_t year = static_cast<int64_t>(t.year) - 1970;
    const int month = t.month >= 1 && t.month <= 12 ? static_cast<int>(t.month) - 1 : 0;
    const int64_t day = static_cast<int64_t>(t.day) - 1;
    int64_t days = (year + 1969) / 4 - 492 + 365 * year + days_before_month[month];
    if (month >= 2 && (year + 1970) % 4 == 0 && year + 1970 != 2100) ++days;
    const int64_t wall = (days + day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;

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
