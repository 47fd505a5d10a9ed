#include "engine/zip_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/bounds.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "engine/names.h"
#include "engine/read_ahead.h"

namespace {

// The physical position of a logical archive offset, checked in unsigned
// arithmetic: false when it lies beyond the archive's end. Before the
// archive's start it is negative.
bool physical_offset(uint64_t logical, int64_t* physical) {
    // The archive is below ARCHIVE_SIZE_LIMIT and the shift, a difference of
    // checked offsets, below 2^63 in magnitude: the sums fit in 64 unsigned bits.
    const uint64_t size = static_cast<uint64_t>(G.archive_size);
    if (G.offset_shift >= 0) {
        const uint64_t extra = static_cast<uint64_t>(G.offset_shift);
        if (!within_size(logical, extra, size)) return false;
        *physical = static_cast<int64_t>(logical + extra);
        return true;
    }
    const uint64_t missing = 0 - static_cast<uint64_t>(G.offset_shift);
    if (!within_size(logical, 0, size + missing)) return false;
    *physical = logical >= missing ? static_cast<int64_t>(logical - missing)
                                   : -static_cast<int64_t>(missing - logical);
    return true;
}

}  // namespace

int seek_archive(uint64_t logical_offset) {
    int64_t physical = 0;
    if (!physical_offset(logical_offset, &physical)) return ENG_EARLY_EOF;
    if (physical < 0) return ENG_BAD_ARCHIVE;
    return position_input(physical);
}

long read_signature() { return read_bytes(G.signature_buf.data(), SIGNATURE_SIZE); }

bool signature_is(uint32_t sig) { return get_u32le(G.signature_buf.data()) == sig; }

int read_directory_end() {
    if (G.recovering) return 0;
    const long got = read_signature();
    if (got <= 0) return ENG_EARLY_EOF;
    const bool ends = got == SIGNATURE_SIZE &&
                      (signature_is(END_RECORD_SIG) || (G.end.zip64 && signature_is(ZIP64_END_SIG)));
    return ends ? 0 : ENG_WARNING;
}

namespace {

// The last position at or below `from` where the end-record signature starts, or -1.
long scan_back(const uint8_t* buf, long from) {
    for (long pos = from; pos >= 0; --pos)
        if (get_u32le(buf + pos) == END_RECORD_SIG) return pos;
    return -1;
}

long read_at(int64_t offset, uint8_t* dest, long count) {
    if (archive_seek(offset) != offset) return -1;
    return archive_read(dest, count);
}

// Reads the Zip64 end record at a physical offset into G.end; false when there is none.
bool read_zip64_record(int64_t offset) {
    if (offset < 0) return false;
    std::array<uint8_t, ZIP64_END_SIZE> b{};
    if (read_at(offset, b.data(), ZIP64_END_SIZE) != ZIP64_END_SIZE) return false;
    // As the record states them: the run loop checks them against the archive
    // before it works with them.
    if (!decode_zip64_end(b.data(), &G.end)) return false;
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
    if (locator >= 0 && read_at(locator, loc.data(), ZIP64_LOCATOR_SIZE) == ZIP64_LOCATOR_SIZE) {
        if (const std::optional<uint64_t> stated = decode_zip64_locator(loc.data())) {
            // Where the locator says, when the record fits there before the
            // locator, or (data before the archive shifts every offset)
            // directly before it.
            const bool found = (within_size(*stated, ZIP64_END_SIZE, static_cast<uint64_t>(locator)) &&
                                read_zip64_record(static_cast<int64_t>(*stated))) ||
                               read_zip64_record(locator - ZIP64_END_SIZE);
            if (!found) result = ENG_WARNING;
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
            hit = scan_back(buf, n - END_RECORD_SIZE);
        }
    } else {
        // The blocks are scanned from the end backwards. A signature that starts
        // in the last 3 bytes of a block is completed by the spare area behind
        // it, which holds the first 3 bytes of the block after it. A tail too
        // short to hold the rest of an end record is not read.
        const int64_t tail = G.archive_size % INPUT_BUF_SIZE;
        G.input_buf_offset = G.archive_size - tail;
        if (tail > END_RECORD_SIZE - SIGNATURE_SIZE) {
            const long n = read_at(G.input_buf_offset, buf, static_cast<long>(tail));
            if (n == tail) {
                G.input_held = static_cast<int32_t>(n);
                hit = scan_back(buf, n - END_RECORD_SIZE);
            }
            std::memcpy(buf + INPUT_BUF_SIZE, buf, SIGNATURE_SIZE - 1);
        }
        int64_t blocks = (search_length - tail + INPUT_BUF_SIZE - 1) / INPUT_BUF_SIZE;
        while (hit < 0 && blocks-- > 0 && G.input_buf_offset >= INPUT_BUF_SIZE) {
            G.input_buf_offset -= INPUT_BUF_SIZE;
            const long n = read_at(G.input_buf_offset, buf, INPUT_BUF_SIZE);
            if (n < INPUT_BUF_SIZE) break;
            G.input_held = INPUT_BUF_SIZE;
            hit = scan_back(buf, INPUT_BUF_SIZE - 1);
            std::memcpy(buf + INPUT_BUF_SIZE, buf, SIGNATURE_SIZE - 1);
        }
    }

    if (hit < 0) {
        G.input_held = 0;
        return ENG_ERROR;
    }

    G.end_record_offset = G.input_buf_offset + hit;
    // Continue reading at the hit; the file position stands behind the held block.
    G.input_pos = buf + hit;
    G.input_left = G.input_held - static_cast<int32_t>(hit);
    std::array<uint8_t, END_RECORD_SIZE> rec{};
    if (read_bytes(rec.data(), END_RECORD_SIZE) != END_RECORD_SIZE) return ENG_EARLY_EOF;
    G.end = decode_end_record(rec.data());
    G.zip64_warning = read_zip64_end();
    // As the record states it; only a damaged Zip64 record makes the sum
    // exceed 2^64 - 1, which stands for it then.
    const uint64_t room = UINT64_MAX - G.end.central_offset;
    G.expected_end_offset = G.end.central_size > room ? UINT64_MAX : G.end.central_size + G.end.central_offset;
    return 0;
}

namespace {

// A complete local entry found by the recovery: the central header it stands
// for, and the offset behind its data (and descriptor).
struct LocalFound {
    CentralHeader central;
    uint64_t next = 0;
};

// The data descriptor of a member whose data starts at `data_start`: the first
// descriptor signature followed by a compressed size that equals the distance
// to it. Fills the CRC and sizes; false when none is found before the end.
bool find_descriptor(uint64_t data_start, CentralHeader* h, uint64_t* next) {
    constexpr long CHUNK = 65536;
    std::vector<uint8_t> buf(CHUNK + ZIP64_DESCRIPTOR_SIZE);
    const auto size = static_cast<uint64_t>(G.archive_size);
    for (uint64_t at = data_start; at + DESCRIPTOR_SIZE <= size; at += CHUNK) {
        const long want = static_cast<long>(std::min<uint64_t>(buf.size(), size - at));
        const long n = read_at(static_cast<int64_t>(at), buf.data(), want);
        if (n < DESCRIPTOR_SIZE) return false;
        for (long i = 0; i <= std::min<long>(CHUNK - 1, n - DESCRIPTOR_SIZE); ++i) {
            const uint8_t* d = buf.data() + i;
            if (get_u32le(d) != DATA_DESCRIPTOR_SIG) continue;
            const uint64_t distance = at + static_cast<uint64_t>(i) - data_start;
            if (get_u32le(d + 8) == distance) {
                h->crc32 = get_u32le(d + 4);
                h->packed_size = distance;
                h->unpacked_size = get_u32le(d + 12);
                *next = data_start + distance + DESCRIPTOR_SIZE;
                return true;
            }
            if (n - i >= ZIP64_DESCRIPTOR_SIZE && get_u64le(d + 8) == distance) {
                h->crc32 = get_u32le(d + 4);
                h->packed_size = distance;
                h->unpacked_size = get_u64le(d + 16);
                *next = data_start + distance + ZIP64_DESCRIPTOR_SIZE;
                return true;
            }
        }
    }
    return false;
}

// The complete local entry at `offset`, read around the input (whose file
// position is restored): nothing when there is none.
std::optional<LocalFound> find_local_entry(uint64_t offset) {
    std::optional<LocalFound> found;
    std::array<uint8_t, LOCAL_HEADER_SIZE> b{};
    const auto size = static_cast<uint64_t>(G.archive_size);
    if (within_size(offset, LOCAL_HEADER_SIZE, size) &&
        read_at(static_cast<int64_t>(offset), b.data(), LOCAL_HEADER_SIZE) == LOCAL_HEADER_SIZE &&
        get_u32le(b.data()) == LOCAL_HEADER_SIG) {
        LocalHeader l = decode_local_header(b.data() + SIGNATURE_SIZE);
        const uint64_t data_start = offset + LOCAL_HEADER_SIZE + l.name_length + l.extra_length;
        std::vector<uint8_t> extra(l.extra_length);
        const int64_t extra_at = static_cast<int64_t>(offset + LOCAL_HEADER_SIZE + l.name_length);
        if (data_start <= size &&
            read_at(extra_at, extra.data(), l.extra_length) == static_cast<long>(l.extra_length)) {
            LocalFound f;
            CentralHeader& h = f.central;
            h.made_by_version = h.needed_version = l.needed_version;
            h.made_by_host = h.needed_host = l.needed_host;
            h.flags = l.flags;
            h.method = l.method;
            h.dos_time = l.dos_time;
            h.dos_date = l.dos_date;
            h.name_length = l.name_length;
            h.extra_length = l.extra_length;
            h.local_header_offset = offset;
            bool complete;
            if (l.flags & FLAG_DATA_DESCRIPTOR) {
                complete = find_descriptor(data_start, &h, &f.next);
            } else {
                widen_local_header(l, extra);
                h.crc32 = l.crc32;
                h.packed_size = l.packed_size;
                h.unpacked_size = l.unpacked_size;
                complete = within_size(data_start, l.packed_size, size);
                f.next = data_start + l.packed_size;
            }
            if (complete) found = f;
        }
    }
    archive_seek(G.input_buf_offset + G.input_held);
    return found;
}

}  // namespace

RecoveryScan scan_local_entries() {
    RecoveryScan scan;
    while (const std::optional<LocalFound> f = find_local_entry(scan.end)) {
        ++scan.entries;
        scan.end = f->next;
    }
    std::array<uint8_t, SIGNATURE_SIZE> sig{};
    scan.directory_found = read_at(static_cast<int64_t>(scan.end), sig.data(), SIGNATURE_SIZE) == SIGNATURE_SIZE &&
                           get_u32le(sig.data()) == CENTRAL_HEADER_SIG;
    archive_seek(G.input_buf_offset + G.input_held);
    return scan;
}

int64_t directory_end_offset() { return G.end.zip64 ? G.end.zip64_record_offset : G.end_record_offset; }

namespace {

// The host and the name's case and label flags of G.cur, from G.central.
void note_member_kind() {
    const CentralHeader& h = G.central;
    MemberInfo& m = *G.cur;
    m.host = static_cast<int32_t>(std::min<unsigned>(h.made_by_host, HOST_UNKNOWN));
    const auto host = static_cast<unsigned>(m.host);
    m.utf8_name = (h.flags & FLAG_UTF8) != 0;
    m.lowercase_name = !G.names_keep_case && host_stores_capitals(host);
    m.volume_label = (h.external_attributes & DOS_VOLUME_LABEL) && host_marks_volume_labels(host);
    if (m.volume_label) m.lowercase_name = false;
}

}  // namespace

int read_central_header() {
    std::array<uint8_t, CENTRAL_BODY_SIZE> b{};
    if (read_bytes(b.data(), CENTRAL_BODY_SIZE) != CENTRAL_BODY_SIZE) return ENG_EARLY_EOF;
    G.central = decode_central_header(b.data());
    note_member_kind();
    return 0;
}

int read_local_header() {
    std::array<uint8_t, LOCAL_BODY_SIZE> b{};
    if (read_bytes(b.data(), LOCAL_BODY_SIZE) != LOCAL_BODY_SIZE) return ENG_EARLY_EOF;
    LocalHeader& h = G.local = decode_local_header(b.data());
    if (h.flags & FLAG_DATA_DESCRIPTOR) {
        // Sizes and CRC follow the data; the central directory has them. The
        // uncompressed size too: shrink, reduce and implode need it to end.
        h.crc32 = G.cur->crc32;
        h.packed_size = G.cur->packed_size;
        h.unpacked_size = G.cur->unpacked_size;
    }
    return 0;
}

namespace {

// Moves the input `length` bytes on, reading the block it lands in.
int move_input(unsigned length) {
    if (static_cast<int64_t>(length) < G.input_left) {
        G.input_pos += length;
        G.input_left -= static_cast<int32_t>(length);
        return 0;
    }
    return position_input(input_position() + static_cast<int64_t>(length));
}

}  // namespace

int skip_field(unsigned length) { return length == 0 ? 0 : move_input(length); }

NameRead read_member_name(unsigned length) {
    NameRead read;
    G.member_name.clear();
    if (length == 0) return read;
    unsigned excess = 0;
    if (length > MEMBER_NAME_MAX) {
        read.cut = true;
        excess = length - MEMBER_NAME_MAX;
        length = MEMBER_NAME_MAX;
    }
    G.member_name.assign(length, '\0');
    const long n = read_bytes(reinterpret_cast<uint8_t*>(G.member_name.data()), length);
    if (n < static_cast<long>(length)) {
        G.member_name.resize(n > 0 ? static_cast<size_t>(n) : 0);
        G.member_name.resize(std::strlen(G.member_name.c_str()));
        read.code = ENG_EARLY_EOF;
        return read;
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
    if (read.cut) {
        read.kept = true;
        const int r = move_input(excess);
        read.code = r ? r : ENG_WARNING;
    }
    return read;
}

int read_extra_field(unsigned length) {
    G.extra_field.assign(length, 0);
    if (length == 0) return 0;
    const long n = read_bytes(G.extra_field.data(), length);
    return n < static_cast<long>(length) ? ENG_EARLY_EOF : 0;
}

namespace {

// The name and the extra field of the entry whose header was read: the worst
// code, and where they stopped it.
void read_name_and_extra(uint16_t name_length, uint16_t extra_length, EntryRead* entry) {
    entry->name = read_member_name(name_length);
    entry->code = entry->name.code;
    if (entry->code > ENG_WARNING) {
        entry->stop = EntryStop::NAME;
        return;
    }
    if (const int r = read_extra_field(extra_length)) {
        entry->code = r;
        entry->stop = EntryStop::EXTRA;
    }
}

}  // namespace

EntryRead read_central_entry(bool stored_name) {
    EntryRead entry;
    if (G.recovering) {
        const std::optional<LocalFound> f = find_local_entry(G.recovery_next);
        if (!f || seek_archive(G.recovery_next + LOCAL_HEADER_SIZE) != 0) {
            entry.code = ENG_EARLY_EOF;
            entry.stop = EntryStop::SIGNATURE;
            return entry;
        }
        G.recovery_next = f->next;
        G.central = f->central;
        note_member_kind();
        read_name_and_extra(G.central.name_length, G.central.extra_length, &entry);
        return entry;
    }
    const long got = read_signature();
    if (got <= 0 || got != SIGNATURE_SIZE || !signature_is(CENTRAL_HEADER_SIG)) {
        entry.code = got <= 0 ? ENG_EARLY_EOF : ENG_BAD_ARCHIVE;
        entry.stop = EntryStop::SIGNATURE;
        return entry;
    }
    if ((entry.code = read_central_header()) != 0) {
        entry.stop = EntryStop::HEADER;
        return entry;
    }
    if (stored_name) {
        // The header reader has set volume_label for a FAT-style label; the
        // name itself is read exactly as the archive holds it.
        G.cur->lowercase_name = false;
        G.cur->convert_text = false;
    }
    read_name_and_extra(G.central.name_length, G.central.extra_length, &entry);
    if (entry.stop == EntryStop::NONE) widen_central_header(G.central, G.extra_field);
    return entry;
}

EntryRead read_local_entry() {
    EntryRead entry;
    if ((entry.code = read_local_header()) != 0) {
        entry.stop = EntryStop::HEADER;
        return entry;
    }
    read_name_and_extra(G.local.name_length, G.local.extra_length, &entry);
    if (entry.stop != EntryStop::NONE) return entry;

    LocalHeader& h = G.local;
    if (!(h.flags & FLAG_DATA_DESCRIPTOR)) {
        widen_local_header(h, G.extra_field);
        // Sizes still saturated: the directory's (64-bit) sizes are the ones.
        if (h.unpacked_size == SATURATED_32 && G.cur) h.unpacked_size = G.cur->unpacked_size;
        if (h.packed_size == SATURATED_32 && G.cur) h.packed_size = G.cur->packed_size;
    }
    // The member's data ends at the archive's end at the latest: a larger
    // stated size (up to 2^64 - 1 in a Zip64 field) leaves the method short of
    // data there, as a cut archive does.
    const auto data_start = static_cast<uint64_t>(input_position());
    const uint64_t room = within_archive(data_start) ? static_cast<uint64_t>(G.archive_size) - data_start : 0;
    G.packed_left = static_cast<int64_t>(std::min(h.packed_size, room));
    G.unpacked_size = h.unpacked_size;
    return entry;
}

namespace {

// Reads the directory entry at the input position as stored, its name into
// *name, and moves past it; false for a damaged entry.
bool read_stored_entry(std::string* name) {
    std::array<uint8_t, CENTRAL_BODY_SIZE> b{};
    if (read_signature() != SIGNATURE_SIZE || !signature_is(CENTRAL_HEADER_SIG)) return false;
    if (read_bytes(b.data(), CENTRAL_BODY_SIZE) != CENTRAL_BODY_SIZE) return false;
    const CentralHeader h = decode_central_header(b.data());
    name->assign(h.name_length, '\0');
    if (read_bytes(reinterpret_cast<uint8_t*>(name->data()), h.name_length) != static_cast<long>(h.name_length))
        return false;
    return move_input(static_cast<unsigned>(h.extra_length) + h.comment_length) == 0;
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

}  // namespace

void scan_names_case() {
    G.names_keep_case = G.keep_case || (seek_archive(G.end.central_offset) == 0 && directory_has_lower_case());
}

int reread_directory_to(uint64_t index, std::optional<uint64_t>* damaged) {
    damaged->reset();
    scan_names_case();
    if (seek_archive(G.end.central_offset) != 0) return ENG_BAD_ARCHIVE;
    std::string name;
    for (uint64_t i = 0; i < index; ++i) {
        if (!read_stored_entry(&name)) {
            *damaged = i;
            return ENG_BAD_ARCHIVE;
        }
    }
    return 0;
}
