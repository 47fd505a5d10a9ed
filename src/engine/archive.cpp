#include "engine/archive.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <span>
#include <utility>

#include "engine/bounds.h"
#include "engine/directory_memo.h"
#include "engine/io.h"
#include "engine/names.h"
#include "engine/read_ahead.h"
#include "engine/shown_text.h"
#include "engine/walk.h"
#include "listing/info.h"
#include "listing/list.h"

const char* const PLEASE_CHECK_TEXT =
    "  (please check that you have transferred or created the zipfile in the\n"
    "  appropriate BINARY mode and that you have compiled unzip properly)\n";

namespace {

constexpr uint32_t ZIP64_LOCATOR_SIG = 0x07064B50;
constexpr uint32_t ZIP64_END_SIG = 0x06064B50;

}  // namespace

const char* program_word() { return G.info_mode ? "zipinfo" : "unzip"; }

bool signature_is(const uint8_t* sig) {
    return std::memcmp(G.signature_buf.data(), sig, 4) == 0;
}

bool signature_ends_directory() {
    if (signature_is(G.end_sig.data())) return true;
    return G.end.zip64 && get_u32le(G.signature_buf.data()) == ZIP64_END_SIG;
}

void close_archive() {
    archive_input_end();
    if (G.archive_handle >= 0) host_close(G.archive_handle);
    G.archive_handle = -1;
}

namespace {

// The physical position of a logical archive offset (a value read from the
// archive, plus offset_shift), checked in unsigned arithmetic: false when it
// lies beyond the archive's end. Before the archive's start it is negative.
bool physical_offset(uint64_t logical, int64_t* physical) {
    // The archive is below 2^62 bytes and the shift, a difference of checked
    // offsets, below 2^63 in magnitude: the sums below fit in 64 unsigned bits.
    const uint64_t size = static_cast<uint64_t>(G.archive_size);
    if (G.offset_shift >= 0) {
        const uint64_t extra = static_cast<uint64_t>(G.offset_shift);
        if (extra > size || logical > size - extra) return false;
        *physical = static_cast<int64_t>(logical + extra);
        return true;
    }
    const uint64_t missing = 0 - static_cast<uint64_t>(G.offset_shift);
    if (logical > size + missing) return false;
    *physical = logical >= missing ? static_cast<int64_t>(logical - missing)
                                   : -static_cast<int64_t>(missing - logical);
    return true;
}

}  // namespace

int seek_archive(uint64_t logical_offset) {
    int64_t physical = 0;
    if (!physical_offset(logical_offset, &physical)) return ENG_EARLY_EOF;
    if (physical < 0) {
        std::fprintf(stderr, "error [%s]:  attempt to seek before beginning of zipfile\n%s",
                     G.archive_name, PLEASE_CHECK_TEXT);
        return ENG_BAD_ARCHIVE;
    }
    return position_input(physical);
}

int position_input(int64_t physical) {
    const int64_t block = physical - physical % INPUT_BUF_SIZE;
    const int32_t inside = static_cast<int32_t>(physical - block);
    if (block != G.input_buf_offset || G.input_held <= 0) {
        G.input_buf_offset = block;
        long n = -1;
        if (archive_seek(block) == block) n = archive_read(G.input_buf.data(), INPUT_BUF_SIZE);
        if (n <= 0) {
            G.input_held = 0;
            G.input_pos = G.input_buf.data();
            G.input_left = 0;
            return ENG_EARLY_EOF;
        }
        G.input_held = static_cast<int32_t>(n);
    }
    G.input_pos = G.input_buf.data() + inside;
    G.input_left = G.input_held - inside;
    return 0;
}

long read_signature() {
    return read_bytes(G.signature_buf.data(), 4);
}

namespace {

// The last position at or below `from` where the end-record signature starts, or -1.
long scan_back(const uint8_t* buf, long from) {
    for (long pos = from; pos >= 0; --pos)
        if (std::memcmp(buf + pos, G.end_sig.data(), 4) == 0) return pos;
    return -1;
}

void decode_end_record(const uint8_t* b) {
    G.end.disk_number = get_u16le(b + 4);
    G.end.central_start_disk = get_u16le(b + 6);
    G.end.entries_this_disk = get_u16le(b + 8);
    G.end.entries_total = get_u16le(b + 10);
    G.end.central_size = get_u32le(b + 12);
    G.end.central_offset = get_u32le(b + 16);
    G.end.comment_length = get_u16le(b + 20);
}

long read_at(int64_t offset, uint8_t* dest, long count) {
    if (archive_seek(offset) != offset) return -1;
    return archive_read(dest, count);
}

uint64_t get_u64le(const uint8_t* b) {
    return static_cast<uint64_t>(get_u32le(b)) | (static_cast<uint64_t>(get_u32le(b + 4)) << 32);
}

constexpr int ZIP64_LOCATOR_SIZE = 20;
constexpr int ZIP64_END_SIZE = 56;  // without extensible data

// Reads the Zip64 end record at a physical offset into G.end; false when there is none.
bool read_zip64_record(int64_t offset) {
    if (offset < 0) return false;
    std::array<uint8_t, ZIP64_END_SIZE> b{};
    if (read_at(offset, b.data(), ZIP64_END_SIZE) != ZIP64_END_SIZE) return false;
    if (get_u32le(b.data()) != ZIP64_END_SIG) return false;
    G.end.disk_number = get_u32le(&b[16]);
    G.end.central_start_disk = get_u32le(&b[20]);
    G.end.entries_this_disk = get_u64le(&b[24]);
    G.end.entries_total = get_u64le(&b[32]);
    // As the record states them: process_archive checks them against the
    // archive before it works with them.
    G.end.central_size = get_u64le(&b[40]);
    G.end.central_offset = get_u64le(&b[48]);
    G.end.zip64 = true;
    G.end.zip64_record_offset = offset;
    return true;
}

// An archive with more than 65,535 members or a directory beyond 4 GiB has a
// Zip64 end record, found through the locator right before the end record; its
// values replace the saturated ones of the end record. The archive's file
// position is restored, so that the comment can be read next. Returns 0, or
// ENG_WARNING when a locator points to no Zip64 end record.
int read_zip64_end() {
    int result = 0;
    std::array<uint8_t, ZIP64_LOCATOR_SIZE> loc{};
    const int64_t locator = G.end_record_offset - ZIP64_LOCATOR_SIZE;
    if (locator >= 0 && read_at(locator, loc.data(), ZIP64_LOCATOR_SIZE) == ZIP64_LOCATOR_SIZE &&
        get_u32le(loc.data()) == ZIP64_LOCATOR_SIG) {
        // Where the locator says, when the record fits there before the locator,
        // or (data before the archive shifts every offset) directly before it.
        const uint64_t stated = get_u64le(&loc[8]);
        const bool found = (within_size(stated, ZIP64_END_SIZE, static_cast<uint64_t>(locator)) &&
                            read_zip64_record(static_cast<int64_t>(stated))) ||
                           read_zip64_record(locator - ZIP64_END_SIZE);
        if (!found) {
            std::fprintf(stderr, "warning [%s]:  Zip64 end record not found; using the end record\n",
                         G.archive_name);
            result = ENG_WARNING;
        }
    }
    archive_seek(G.input_buf_offset + G.input_held);
    return result;
}

}  // namespace

int find_end_record(int64_t search_length) {
    uint8_t* buf = G.input_buf.data();
    std::memset(buf + INPUT_BUF_SIZE, 0, INPUT_SPARE);
    int64_t hit = -1;
    G.input_held = 0;

    if (G.archive_size <= INPUT_BUF_SIZE) {
        const long n = read_at(0, buf, static_cast<long>(G.archive_size));
        G.input_buf_offset = 0;
        if (n == G.archive_size) {
            G.input_held = static_cast<int32_t>(n);
            hit = scan_back(buf, n - 22);
        }
    } else {
        const int64_t tail = G.archive_size % INPUT_BUF_SIZE;
        G.input_buf_offset = G.archive_size - tail;
        if (tail > 18) {
            const long n = read_at(G.input_buf_offset, buf, static_cast<long>(tail));
            if (n == tail) {
                G.input_held = static_cast<int32_t>(n);
                hit = scan_back(buf, n - 22);
            }
            std::memcpy(buf + INPUT_BUF_SIZE, buf, 3);
        }
        int64_t blocks = (search_length - tail + INPUT_BUF_SIZE - 1) / INPUT_BUF_SIZE;
        while (hit < 0 && blocks-- > 0 && G.input_buf_offset >= INPUT_BUF_SIZE) {
            G.input_buf_offset -= INPUT_BUF_SIZE;
            const long n = read_at(G.input_buf_offset, buf, INPUT_BUF_SIZE);
            if (n < INPUT_BUF_SIZE) break;
            G.input_held = INPUT_BUF_SIZE;
            hit = scan_back(buf, INPUT_BUF_SIZE - 1);
            std::memcpy(buf + INPUT_BUF_SIZE, buf, 3);
        }
    }

    if (hit < 0) {
        G.input_held = 0;
        if (G.quiet_level != 0 || (G.info_mode && !G.info_header_line))
            std::fprintf(stderr, "[%s]\n", G.archive_name);
        std::fprintf(stderr,
                     "  End-of-central-directory signature not found.  Either this file is not\n"
                     "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
                     "  latter case the central directory and zipfile comment will be found on\n"
                     "  the last disk(s) of this archive.\n\n");
        return ENG_ERROR;
    }

    G.end_record_offset = G.input_buf_offset + hit;
    // Continue reading at the hit; the file position stands behind the held block.
    G.input_pos = buf + hit;
    G.input_left = G.input_held - static_cast<int32_t>(hit);
    std::array<uint8_t, 22> rec{};
    if (read_bytes(rec.data(), 22) != 22) return ENG_EARLY_EOF;
    decode_end_record(rec.data());
    G.end.zip64 = false;
    G.zip64_warning = read_zip64_end();
    // As the record states it; only a damaged Zip64 record makes the sum
    // exceed 2^64 - 1, which stands for it then.
    const uint64_t room = UINT64_MAX - G.end.central_offset;
    G.expected_end_offset = G.end.central_size > room ? UINT64_MAX : G.end.central_size + G.end.central_offset;
    return 0;
}

int show_archive_comment() {
    if (G.end.comment_length != 0 &&
        (G.comment_level > 0 || (G.comment_level == 0 && G.quiet_level == 0))) {
        if (read_field_text(G.end.comment_length, FIELD_DISPLAY) != 0) {
            std::fprintf(stderr, "\ncaution:  zipfile comment truncated\n");
            return ENG_WARNING;
        }
    }
    return 0;
}

int read_central_header() {
    std::array<uint8_t, 42> b{};
    if (read_bytes(b.data(), 42) != 42) return ENG_EARLY_EOF;
    CentralHeader& h = G.central;
    h.made_by_version = b[0];
    h.made_by_host = b[1];
    h.needed_version = b[2];
    h.needed_host = b[3];
    h.flags = get_u16le(&b[4]);
    h.method = get_u16le(&b[6]);
    h.dos_time = get_u16le(&b[8]);
    h.dos_date = get_u16le(&b[10]);
    h.crc32 = get_u32le(&b[12]);
    h.packed_size = get_u32le(&b[16]);
    h.unpacked_size = get_u32le(&b[20]);
    h.name_length = get_u16le(&b[24]);
    h.extra_length = get_u16le(&b[26]);
    h.comment_length = get_u16le(&b[28]);
    h.start_disk = get_u16le(&b[30]);
    h.internal_attributes = get_u16le(&b[32]);
    h.external_attributes = get_u32le(&b[34]);
    h.local_header_offset = get_u32le(&b[38]);

    MemberInfo& m = *G.cur;
    m.host = h.made_by_host >= 12 ? 12 : h.made_by_host;
    m.utf8_name = (h.flags & 0x0800) != 0;
    m.lowercase_name = false;
    if (!G.names_keep_case &&
        (m.host == 0 || m.host == 4 || m.host == 5 || m.host == 9 || m.host == 10))
        m.lowercase_name = true;
    if ((h.external_attributes & 0x08) &&
        (m.host == 0 || m.host == 5 || m.host == 6 || m.host == 11)) {
        m.volume_label = true;
        m.lowercase_name = false;
    } else {
        m.volume_label = false;
    }
    return 0;
}

namespace {

// The data of the Zip64 extended information field (0x0001) in the current
// extra field, or an empty span.
std::span<const uint8_t> zip64_extra() {
    const std::vector<uint8_t>& e = G.extra_field;
    size_t pos = 0;
    while (pos + 4 <= e.size()) {
        const uint16_t id = get_u16le(&e[pos]);
        const size_t size = get_u16le(&e[pos + 2]);
        if (pos + 4 + size > e.size()) break;
        if (id == 0x0001) return std::span<const uint8_t>(e.data() + pos + 4, size);
        pos += 4 + size;
    }
    return {};
}

// Takes the next 64-bit value of the Zip64 field for a saturated 32-bit one.
void take_wide(std::span<const uint8_t>& field, uint64_t& value) {
    if (value != 0xFFFFFFFFu || field.size() < 8) return;
    value = get_u64le(field.data());
    field = field.subspan(8);
}

}  // namespace

bool has_zip64_extra() { return !zip64_extra().empty(); }

int read_listed_entry(uint64_t index, bool stored_name, int* worst) {
    const long got = read_signature();
    if (got <= 0) return ENG_EARLY_EOF;
    if (got != 4 || !signature_is(G.central_sig.data())) {
        std::fprintf(stderr, "error:  expected central file header signature not found (file #%llu).\n",
                     static_cast<unsigned long long>(index));
        std::fprintf(stderr, "%s", PLEASE_CHECK_TEXT);
        return ENG_BAD_ARCHIVE;
    }
    if (const int r = read_central_header()) return r;
    if (stored_name) {
        // The header reader has set volume_label for a FAT-style label; the
        // name itself is shown exactly as the archive holds it.
        G.cur->lowercase_name = false;
        G.cur->convert_text = false;
    }
    for (const auto& [length, mode] : {std::pair<unsigned, int>{G.central.name_length, FIELD_MEMBER_NAME},
                                       std::pair<unsigned, int>{G.central.extra_length, FIELD_EXTRA}}) {
        const int r = read_field_text(length, mode);
        if (r > 1) return r;
        *worst = std::max(*worst, r);
    }
    apply_zip64_central();
    return 0;
}

void apply_zip64_central() {
    std::span<const uint8_t> field = zip64_extra();
    CentralHeader& h = G.central;
    take_wide(field, h.unpacked_size);
    take_wide(field, h.packed_size);
    take_wide(field, h.local_header_offset);
    if (h.start_disk == 0xFFFF && field.size() >= 4) h.start_disk = get_u32le(field.data());
}

void apply_zip64_local() {
    LocalHeader& h = G.local;
    if (!(h.flags & 0x08)) {
        std::span<const uint8_t> field = zip64_extra();
        take_wide(field, h.unpacked_size);
        take_wide(field, h.packed_size);
        // Sizes still saturated: the directory's (64-bit) sizes are the ones.
        if (h.unpacked_size == 0xFFFFFFFFu && G.cur) h.unpacked_size = G.cur->unpacked_size;
        if (h.packed_size == 0xFFFFFFFFu && G.cur) h.packed_size = G.cur->packed_size;
    }
    // The member's data ends at the archive's end at the latest: a larger
    // stated size (up to 2^64 - 1 in a Zip64 field) leaves the method short of
    // data there, as a cut archive does.
    const uint64_t data_start = static_cast<uint64_t>(G.input_buf_offset + (G.input_pos - G.input_buf.data()));
    const uint64_t room = within_archive(data_start) ? static_cast<uint64_t>(G.archive_size) - data_start : 0;
    G.packed_left = static_cast<int64_t>(std::min(h.packed_size, room));
    G.unpacked_size = h.unpacked_size;
}

int read_local_header() {
    std::array<uint8_t, 26> b{};
    if (read_bytes(b.data(), 26) != 26) return ENG_EARLY_EOF;
    LocalHeader& h = G.local;
    h.needed_version = b[0];
    h.needed_host = b[1];
    h.flags = get_u16le(&b[2]);
    h.method = get_u16le(&b[4]);
    h.dos_time = get_u16le(&b[6]);
    h.dos_date = get_u16le(&b[8]);
    h.crc32 = get_u32le(&b[10]);
    h.packed_size = get_u32le(&b[14]);
    h.unpacked_size = get_u32le(&b[18]);
    h.name_length = get_u16le(&b[22]);
    h.extra_length = get_u16le(&b[24]);
    if (h.flags & 0x08) {
        // Sizes and CRC follow the data; the central directory has them. The
        // uncompressed size too: shrink, reduce and implode need it to end.
        h.crc32 = G.cur->crc32;
        h.packed_size = G.cur->packed_size;
        h.unpacked_size = G.cur->unpacked_size;
    }
    return 0;
}

namespace {

int skip_field(unsigned length) {
    if (static_cast<int64_t>(length) < G.input_left) {
        G.input_pos += length;
        G.input_left -= static_cast<int32_t>(length);
        return 0;
    }
    return position_input(G.input_buf_offset + (G.input_pos - G.input_buf.data()) +
                          static_cast<int64_t>(length));
}

int display_field(unsigned length) {
    uint8_t* buf = G.convert_buf.data();
    unsigned left = length;
    while (left > 0) {
        const long piece = std::min<long>(left, 65536);
        const long n = read_bytes(buf, piece);
        if (n <= 0) return ENG_EARLY_EOF;  // the archive ended inside the field
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
    std::putchar('\n');
    return 0;
}

}  // namespace

int read_field_text(unsigned length, int mode) {
    if (length == 0) {
        if (mode == FIELD_MEMBER_NAME) G.member_name.clear();
        if (mode == FIELD_EXTRA) G.extra_field.clear();
        return 0;
    }
    switch (mode) {
    case FIELD_DISPLAY:
        return display_field(length);
    case FIELD_MEMBER_NAME: {
        unsigned excess = 0;
        if (length > MEMBER_NAME_MAX) {
            std::fprintf(stderr, "warning:  filename too long--truncating.\n");
            excess = length - MEMBER_NAME_MAX;
            length = MEMBER_NAME_MAX;
        }
        G.member_name.assign(length, '\0');
        const long n = read_bytes(reinterpret_cast<uint8_t*>(G.member_name.data()), length);
        if (n < static_cast<long>(length)) {
            G.member_name.resize(n > 0 ? static_cast<size_t>(n) : 0);
            G.member_name.resize(std::strlen(G.member_name.c_str()));
            return ENG_EARLY_EOF;
        }
        G.member_name.resize(std::strlen(G.member_name.c_str()));
        // Only a name in capitals alone is a DOS name to be lower-cased; a name with
        // a lower-case letter was written with its case on purpose and keeps it (two
        // names that differ in case only would otherwise collide).
        if (G.cur && G.cur->lowercase_name &&
            G.member_name.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos)
            G.cur->lowercase_name = false;
        if (G.cur && G.cur->lowercase_name)
            for (char& c : G.member_name)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (G.cur && !G.cur->utf8_name && host_writes_cp437(G.cur->host))
            G.member_name = cp437_to_utf8(G.member_name);
        if (G.cur && G.cur->volume_label && G.member_name.size() > 8 && G.member_name[8] == '.')
            G.member_name.erase(8, 1);
        if (excess) {
            std::fprintf(stderr, "[ %s ]\n", shown_text(G.member_name).c_str());
            const int r = skip_field(excess);
            return r ? r : ENG_WARNING;
        }
        return 0;
    }
    case FIELD_EXTRA: {
        G.extra_field.assign(length, 0);
        const long n = read_bytes(G.extra_field.data(), length);
        if (n < static_cast<long>(length)) return ENG_EARLY_EOF;
        return 0;
    }
    default:
        return skip_field(length);
    }
}

namespace {

void report_directory_not_found() {
    std::fprintf(stderr, "error [%s]:  start of central directory not found;\n  zipfile corrupt.\n%s",
                 G.archive_name, PLEASE_CHECK_TEXT);
}

// Reads the directory entry at the input position as stored, its name into
// *name, and moves past it; false for a damaged entry.
bool read_stored_entry(std::string* name) {
    std::array<uint8_t, 42> b{};
    if (read_signature() != 4 || !signature_is(G.central_sig.data())) return false;
    if (read_bytes(b.data(), 42) != 42) return false;
    const unsigned name_length = get_u16le(&b[24]);
    name->assign(name_length, '\0');
    if (read_bytes(reinterpret_cast<uint8_t*>(name->data()), name_length) != static_cast<long>(name_length))
        return false;
    return skip_field(static_cast<unsigned>(get_u16le(&b[26])) + get_u16le(&b[28])) == 0;
}

// Whether any name in the central directory holds a lower-case letter. Names
// from FAT-style hosts are lower-cased only in archives of capitals alone (real
// DOS names): an archive with a lower-case letter anywhere was written with its
// names' case on purpose, and lower-casing some of them would split its folders
// (META-INF beside meta-inf) or make two names collide. Expects the input at the
// start of the directory; a damaged directory ends the scan (the walk reports it).
bool directory_has_lower_case() {
    std::string name;
    for (uint64_t i = 0; i < G.end.entries_total && read_stored_entry(&name); ++i)
        if (name.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos) return true;
    return false;
}

// Sets G.names_keep_case for the archive's directory (the input is moved).
void scan_names_case() {
    G.names_keep_case = G.keep_case || (seek_archive(G.end.central_offset) == 0 && directory_has_lower_case());
}

}  // namespace

int reread_directory_to(uint64_t index) {
    scan_names_case();
    if (seek_archive(G.end.central_offset) != 0) return ENG_BAD_ARCHIVE;
    std::string name;
    for (uint64_t i = 0; i < index; ++i) {
        if (!read_stored_entry(&name)) {
            std::fprintf(stderr, "error:  expected central file header signature not found (file #%llu).\n%s",
                         static_cast<unsigned long long>(i), PLEASE_CHECK_TEXT);
            return ENG_BAD_ARCHIVE;
        }
    }
    return 0;
}

int64_t directory_end_offset() { return G.end.zip64 ? G.end.zip64_record_offset : G.end_record_offset; }

int process_archive(bool last_chance) {
    HostStat st;
    const bool found = host_stat(G.archive_name, &st) == 0;
    if (!found || st.is_dir) {
        if (last_chance) {
            if (G.no_directory_seen)
                std::fprintf(stderr,
                             "%s:  can't find zipfile directory in %s,\n        %sand can't find "
                             "%s, period.\n",
                             program_word(), G.archive_arg, G.info_mode ? "  " : "",
                             G.archive_name);
            else
                std::fprintf(stderr, "%s:  can't find either %s or %s, so there.\n",
                             program_word(), G.archive_arg, G.archive_name);
        }
        return found ? ENG_IS_DIRECTORY : ENG_NO_ARCHIVE;
    }
    if (st.size >= ARCHIVE_SIZE_LIMIT) {
        std::fprintf(stderr, "error [%s]:  too large for a zipfile (4 EiB or more)\n", G.archive_name);
        return ENG_BAD_ARCHIVE;
    }
    G.archive_size = static_cast<int64_t>(st.size);
    const bool maybe_executable = st.owner_exec;

    if (open_archive() != 0) {
        std::fprintf(stderr, "error:  can't open zipfile [ %s ]\n", G.archive_name);
        return ENG_NO_ARCHIVE;
    }
    G.input_buf_offset = 0;
    G.input_held = 0;
    G.input_pos = G.input_buf.data();
    G.input_left = 0;
    G.offset_shift = 0;
    if (G.quiet_level == 0 && !G.info_mode) std::printf("Archive:  %s\n", G.archive_name);

    int result = 0;
    int failure = 0;
    if (G.info_mode) {
        failure = find_end_record(G.archive_size);
        if (failure == 0) {
            const int r = info_archive_header();
            if (r > 1) failure = r;
            else result = std::max(result, r);
        }
    } else {
        failure = find_end_record(std::min<int64_t>(G.archive_size, 66000));
        if (failure == 0) {
            const int r = show_archive_comment();
            if (r > 1) failure = r;
            else result = std::max(result, r);
        }
    }
    if (failure) {
        close_archive();
        if (maybe_executable)
            std::fprintf(stderr, "note:  %s may be an executable, not an archive\n",
                         G.archive_name);
        if (last_chance) return failure;
        G.no_directory_seen = true;
        return ENG_NO_ARCHIVE;
    }

    if (G.comment_level > 0 && !G.info_mode) {
        close_archive();
        return result;
    }

    // Multi-disk archives.
    const bool two_part_quirk =
        !G.info_mode && G.end.disk_number == 1 && G.end.central_start_disk == 1;
    if (G.info_mode) {
        if (G.end.disk_number != G.end.central_start_disk) {
            std::printf(
                "\n     Zipfile is part of a multi-disk archive, and this is not the disk on\n"
                "     which the central zipfile directory begins.\n");
            close_archive();
            return ENG_MULTI_DISK;
        }
    } else if (!two_part_quirk && G.end.disk_number != 0) {
        std::fprintf(stderr,
                     "\nerror [%s]:  zipfile is part of multi-disk archive\n  (sorry, not yet "
                     "supported).\n",
                     G.archive_name);
        close_archive();
        return ENG_MULTI_DISK;
    }
    if (two_part_quirk) {
        std::fprintf(
            stderr,
            "\n     Warning:  zipfile claims to be second disk of a two-part archive;\n"
            "     attempting to process anyway.  If no further errors occur, this\n"
            "     archive was probably made by an old archiver that marks single-disk\n"
            "     archives this way.  (If further errors do occur, the archive really\n"
            "     is part of a multi-part archive, which is not yet supported.)\n\n");
        result = std::max(result, static_cast<int>(ENG_WARNING));
    }

    result = std::max(result, G.zip64_warning);

    // The 64-bit size and offset of a Zip64 record may hold anything: beyond the
    // archive, no directory can be found by them. (The 32-bit ones of the end
    // record keep the corrections below, which also find a directory whose
    // archive lost its first bytes.)
    if (G.end.zip64 && !(within_archive(G.end.central_offset) && within_archive(0, G.end.central_size))) {
        report_directory_not_found();
        close_archive();
        return ENG_BAD_ARCHIVE;
    }

    // Offset correction for data before or inside the archive, or missing bytes.
    // The directory ends where the (Zip64) end record begins.
    G.offset_shift = directory_end_offset() - static_cast<int64_t>(G.expected_end_offset);
    if (G.offset_shift < 0) {
        std::fprintf(stderr, "error [%s]:  missing %lld bytes in zipfile\n  (attempting to process anyway)\n",
                     G.archive_name, static_cast<long long>(-G.offset_shift));
        result = std::max(result, static_cast<int>(ENG_ERROR));
    } else if (G.offset_shift > 0) {
        if (G.end.central_offset == 0 && G.end.central_size != 0) {
            std::fprintf(stderr, "error [%s]:  NULL central directory offset\n  (attempting to process anyway)\n",
                         G.archive_name);
            G.end.central_offset = static_cast<uint64_t>(G.offset_shift);
            G.offset_shift = 0;
            result = std::max(result, static_cast<int>(ENG_ERROR));
        } else {
            std::fprintf(stderr,
                         "warning [%s]:  extra %lld bytes at beginning or within zipfile\n  "
                         "(attempting to process anyway)\n",
                         G.archive_name, static_cast<long long>(G.offset_shift));
            result = std::max(result, static_cast<int>(ENG_WARNING));
        }
    }

    if (G.expected_end_offset == 0 && G.end.central_size == 0) {
        if (G.info_mode)
            std::printf("%sEmpty zipfile.\n", info_format_number() > 9 ? "\n  " : "");
        else
            std::fprintf(stderr, "warning [%s]:  zipfile is empty\n", G.archive_name);
        close_archive();
        return std::max(result, static_cast<int>(ENG_WARNING));
    }

    // Position at the central directory, compensating an overstated length.
    int r = seek_archive(G.end.central_offset);
    if (r == ENG_BAD_ARCHIVE) {
        close_archive();
        return ENG_BAD_ARCHIVE;
    }
    long got = r == 0 ? read_signature() : 0;
    if (got < 0) {
        close_archive();
        return ENG_ERROR;
    }
    if (got != 4 || !signature_is(G.central_sig.data())) {
        const int64_t remembered = G.offset_shift;
        G.offset_shift = 0;
        r = seek_archive(G.end.central_offset);
        got = r == 0 ? read_signature() : 0;
        if (got != 4 || !signature_is(G.central_sig.data())) {
            report_directory_not_found();
            close_archive();
            return ENG_BAD_ARCHIVE;
        }
        std::fprintf(stderr,
                     "error [%s]:  reported length of central directory is\n  %lld bytes too long "
                     "(made by a faulty archiver or\n  splitter?).  Compensating...\n",
                     G.archive_name, static_cast<long long>(-remembered));
        result = std::max(result, static_cast<int>(ENG_ERROR));
    }
    // A walk on an archive whose directory is kept from an earlier run needs
    // no scan of it; any other walk may record one.
    G.archive_mtime = st.mtime;
    const bool walks = !G.info_mode && !G.list_level;
    const DirectoryMemo* memo = walks ? directory_memo_for(st.size, st.mtime) : nullptr;
    if (memo)
        G.names_keep_case = memo->names_keep_case;
    else
        scan_names_case();
    if (walks && !memo) begin_directory_memo(st.size, st.mtime);
    if (seek_archive(G.end.central_offset) != 0) {
        close_archive();
        return std::max(result, static_cast<int>(ENG_BAD_ARCHIVE));
    }

    int action;
    if (G.info_mode) {
        action = info_walk();
        if (info_format_number() > 9) std::putchar('\n');
    } else if (G.list_level) {
        action = list_archive();
    } else {
        action = walk_members();
    }
    close_archive();
    return std::max(result, action);
}
