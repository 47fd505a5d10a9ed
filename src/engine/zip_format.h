// The ZIP format as the engine reads it: every number of the format named
// once, the records, their decoders from bytes, the blocks of an extra field
// and the MS-DOS date and time.
//
// Nothing here reads a file, keeps state or prints: the record reader
// (engine/zip_reader.h) takes the bytes from the archive, and the run loop, the
// member walk and the listings decide what to make of them. A new field, extra
// block or host is added here once and read from here everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>

// ---- Fields are little-endian, decoded byte by byte whatever the host's order.

constexpr uint16_t get_u16le(const uint8_t* b) { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }
constexpr uint32_t get_u32le(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
constexpr uint64_t get_u64le(const uint8_t* b) {
    return static_cast<uint64_t>(get_u32le(b)) | (static_cast<uint64_t>(get_u32le(b + 4)) << 32);
}

// ---- Records: their signatures ("PK" and two bytes, read as one word) and
// sizes, signature included, without the variable fields that follow them.

inline constexpr uint32_t LOCAL_HEADER_SIG = 0x04034B50;
inline constexpr uint32_t CENTRAL_HEADER_SIG = 0x02014B50;
inline constexpr uint32_t END_RECORD_SIG = 0x06054B50;
inline constexpr uint32_t ZIP64_END_SIG = 0x06064B50;
inline constexpr uint32_t ZIP64_LOCATOR_SIG = 0x07064B50;
inline constexpr uint32_t DATA_DESCRIPTOR_SIG = 0x08074B50;  // optional before a data descriptor

inline constexpr int SIGNATURE_SIZE = 4;
inline constexpr int LOCAL_HEADER_SIZE = 30;
inline constexpr int CENTRAL_HEADER_SIZE = 46;
inline constexpr int END_RECORD_SIZE = 22;
inline constexpr int ZIP64_LOCATOR_SIZE = 20;
inline constexpr int ZIP64_END_SIZE = 56;  // without its extensible data
inline constexpr int DESCRIPTOR_SIZE = 16;        // signature, CRC, 32-bit sizes
inline constexpr int ZIP64_DESCRIPTOR_SIZE = 24;  // signature, CRC, 64-bit sizes

// The headers are read in two steps, the signature first: these are the rest.
inline constexpr int LOCAL_BODY_SIZE = LOCAL_HEADER_SIZE - SIGNATURE_SIZE;
inline constexpr int CENTRAL_BODY_SIZE = CENTRAL_HEADER_SIZE - SIGNATURE_SIZE;

// A 16- or 32-bit field holding its largest value stands for the Zip64 one.
inline constexpr uint16_t SATURATED_16 = 0xFFFF;
inline constexpr uint32_t SATURATED_32 = 0xFFFFFFFF;

// ---- Host systems (the high byte of "version made by" and "version needed").
enum : unsigned {
    HOST_FAT = 0,  // MS-DOS, OS/2 and Windows FAT
    HOST_AMIGA = 1,
    HOST_VMS = 2,
    HOST_UNIX = 3,
    HOST_VM_CMS = 4,
    HOST_ATARI = 5,
    HOST_HPFS = 6,
    HOST_MACINTOSH = 7,
    HOST_Z_SYSTEM = 8,
    HOST_CPM = 9,
    HOST_TOPS20 = 10,
    HOST_WINDOWS_NTFS = 10,  // the format's later numbering gives 10 to Windows NTFS
    HOST_NTFS = 11,
    HOST_UNKNOWN = 12,  // every number from here on
};

// Hosts whose external attributes hold the MS-DOS attribute byte.
constexpr bool host_has_dos_attributes(unsigned host) {
    return host == HOST_FAT || host == HOST_HPFS || host == HOST_NTFS;
}
// Hosts that mark a volume label with the MS-DOS label bit.
constexpr bool host_marks_volume_labels(unsigned host) {
    return host == HOST_FAT || host == HOST_ATARI || host == HOST_HPFS || host == HOST_NTFS;
}
// Hosts whose file systems store names in capitals (the engine folds them).
constexpr bool host_stores_capitals(unsigned host) {
    return host == HOST_FAT || host == HOST_VM_CMS || host == HOST_ATARI || host == HOST_CPM ||
           host == HOST_TOPS20;
}

// ---- General purpose flags.
inline constexpr uint16_t FLAG_ENCRYPTED = 0x0001;
inline constexpr uint16_t FLAG_IMPLODE_8K = 0x0002;       // imploded: 8 KiB dictionary (else 4 KiB)
inline constexpr uint16_t FLAG_IMPLODE_3_TREES = 0x0004;  // imploded: three Shannon-Fano trees (else two)
inline constexpr uint16_t FLAG_LZMA_END_MARKER = 0x0002;  // LZMA: the data ends with an end marker
inline constexpr uint16_t FLAG_DATA_DESCRIPTOR = 0x0008;  // CRC and sizes follow the data
inline constexpr uint16_t FLAG_STRONG_ENCRYPTION = 0x0040; // encrypted by a scheme not read here
inline constexpr uint16_t FLAG_UTF8 = 0x0800;             // the name and comment are UTF-8

// Deflated: flag bits 1 and 2, the level asked of the compressor (0 normal,
// 1 maximum, 2 fast, 3 superfast).
constexpr unsigned deflate_level(unsigned flags) { return (flags >> 1) & 3u; }

// ---- Compression methods.
enum : unsigned {
    METHOD_STORED = 0,
    METHOD_SHRUNK = 1,
    METHOD_REDUCED_1 = 2,  // to METHOD_REDUCED_4, by compression factor
    METHOD_REDUCED_4 = 5,
    METHOD_IMPLODED = 6,
    METHOD_TOKENIZED = 7,
    METHOD_DEFLATED = 8,
    METHOD_DEFLATE64 = 9,
    METHOD_BZIP2 = 12,
    METHOD_LZMA = 14,
};

// The names of the compression methods: in the listing (at most 7 characters),
// in the short (4 characters) and the long form of the information mode. Deflate
// adds its level to the first two, implode its dictionary and trees to the short one.
struct MethodNames {
    unsigned method;
    const char* listed;
    const char* brief;
    const char* full;
};
inline constexpr MethodNames METHOD_NAMES[] = {
    {METHOD_STORED, "Stored", "stor", "none (stored)"},
    {METHOD_SHRUNK, "Shrunk", "shrk", "shrunk"},
    {2, "Reduce1", "re:1", "reduced (factor 1)"},
    {3, "Reduce2", "re:2", "reduced (factor 2)"},
    {4, "Reduce3", "re:3", "reduced (factor 3)"},
    {5, "Reduce4", "re:4", "reduced (factor 4)"},
    {METHOD_IMPLODED, "Implode", "", "imploded"},
    {METHOD_TOKENIZED, "Token", "tokn", "tokenized"},
    {METHOD_DEFLATED, "Defl", "def", "deflated"},
    {METHOD_DEFLATE64, "Def64", "df64", "Deflate64"},
    {METHOD_BZIP2, "BZip2", "bzp2", "BZip2"},
    {METHOD_LZMA, "LZMA", "lzma", "LZMA"},
    {93, "Zstd", "zstd", "Zstd"},
    {95, "XZ", "xz", "XZ"},
    {96, "JPEG", "jpeg", "JPEG"},
    {97, "WavPack", "wavp", "WavPack"},
    {98, "PPMd", "ppmd", "PPMd"},
    {99, "AES", "aes", "AES"},
};

// The names of `method`, or null for a method without a name.
constexpr const MethodNames* method_names(unsigned method) {
    for (const MethodNames& n : METHOD_NAMES)
        if (n.method == method) return &n;
    return nullptr;
}

// ---- Attributes.
inline constexpr uint16_t INTERNAL_TEXT = 0x0001;  // internal attributes: a text file

// MS-DOS attributes, the low byte of the external attributes.
constexpr unsigned dos_attributes(uint32_t external_attributes) { return external_attributes & 0xFFu; }
inline constexpr uint32_t DOS_READ_ONLY = 0x01;
inline constexpr uint32_t DOS_HIDDEN = 0x02;
inline constexpr uint32_t DOS_SYSTEM = 0x04;
inline constexpr uint32_t DOS_VOLUME_LABEL = 0x08;
inline constexpr uint32_t DOS_DIRECTORY = 0x10;
inline constexpr uint32_t DOS_ARCHIVE = 0x20;

// The host's own mode (Unix, Amiga, VMS), the high half of the external attributes.
constexpr unsigned host_mode(uint32_t external_attributes) { return external_attributes >> 16; }

// File types and special bits of a Unix mode.
inline constexpr unsigned UNIX_TYPE_MASK = 0xF000;
inline constexpr unsigned UNIX_FIFO = 0x1000;
inline constexpr unsigned UNIX_CHARACTER_DEVICE = 0x2000;
inline constexpr unsigned UNIX_DIRECTORY = 0x4000;
inline constexpr unsigned UNIX_BLOCK_DEVICE = 0x6000;
inline constexpr unsigned UNIX_REGULAR = 0x8000;
inline constexpr unsigned UNIX_SYMBOLIC_LINK = 0xA000;
inline constexpr unsigned UNIX_SOCKET = 0xC000;
inline constexpr unsigned UNIX_SET_USER_ID = 0x800;
inline constexpr unsigned UNIX_SET_GROUP_ID = 0x400;
inline constexpr unsigned UNIX_STICKY = 0x200;
inline constexpr unsigned UNIX_PERMISSIONS = 0777;

// ---- Extra-field block ids.
inline constexpr uint16_t EXTRA_ZIP64 = 0x0001;   // 64-bit sizes, offset and disk
inline constexpr uint16_t EXTRA_OS2_EA = 0x0009;  // OS/2 extended attributes
inline constexpr uint16_t EXTRA_NTFS = 0x000a;    // NTFS attributes: the file times in 100 ns
inline constexpr uint16_t EXTRA_EXTENDED_TIME = 0x5455;  // Unix file times in seconds
inline constexpr uint16_t EXTRA_AES = 0x9901;     // AES encryption
inline constexpr int EXTRA_BLOCK_HEADER_SIZE = 4;  // id and data size

// ---- The records as the engine keeps them.

// The end record, with the values of the Zip64 end record in place of the
// classic ones when the archive has one (more than 65,535 members, or a central
// directory beyond 4 GiB).
struct EndRecord {
    uint32_t disk_number = 0;
    uint32_t central_start_disk = 0;
    uint64_t entries_this_disk = 0;
    uint64_t entries_total = 0;
    uint64_t central_size = 0;
    uint64_t central_offset = 0;
    uint16_t comment_length = 0;
    bool zip64 = false;               // the Zip64 end record was found and read
    int64_t zip64_record_offset = 0;  // its physical offset
};

struct CentralHeader {
    uint8_t made_by_version = 0;
    uint8_t made_by_host = 0;
    uint8_t needed_version = 0;
    uint8_t needed_host = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dos_time = 0;
    uint16_t dos_date = 0;
    uint32_t crc32 = 0;
    uint64_t packed_size = 0;    // 64-bit values from the Zip64 extra field
    uint64_t unpacked_size = 0;  // replace the saturated 32-bit ones
    uint16_t name_length = 0;
    uint16_t extra_length = 0;
    uint16_t comment_length = 0;
    uint32_t start_disk = 0;
    uint16_t internal_attributes = 0;
    uint32_t external_attributes = 0;
    uint64_t local_header_offset = 0;
};

struct LocalHeader {
    uint8_t needed_version = 0;
    uint8_t needed_host = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dos_time = 0;
    uint16_t dos_date = 0;
    uint32_t crc32 = 0;
    uint64_t packed_size = 0;
    uint64_t unpacked_size = 0;
    uint16_t name_length = 0;
    uint16_t extra_length = 0;
};

// The end record from its END_RECORD_SIZE bytes, signature first; not a Zip64 one.
EndRecord decode_end_record(const uint8_t* record);

// The offset of the Zip64 end record as its locator (ZIP64_LOCATOR_SIZE bytes,
// signature first) states it; nothing when the bytes are no locator.
std::optional<uint64_t> decode_zip64_locator(const uint8_t* record);

// The Zip64 end record (ZIP64_END_SIZE bytes, signature first) over the values
// of `end`, as it states them (unchecked); false when the bytes are none.
bool decode_zip64_end(const uint8_t* record, EndRecord* end);

// The headers from the bytes behind their signatures (CENTRAL_BODY_SIZE and
// LOCAL_BODY_SIZE bytes).
CentralHeader decode_central_header(const uint8_t* body);
LocalHeader decode_local_header(const uint8_t* body);

// The 64-bit values of the Zip64 block in `extra_field` replace the saturated
// 32-bit ones, in the order the format gives them: uncompressed size,
// compressed size, local header offset (central only), disk (central only).
void widen_central_header(CentralHeader& h, std::span<const uint8_t> extra_field);
void widen_local_header(LocalHeader& h, std::span<const uint8_t> extra_field);


// ---- Extra fields: blocks of a 2-byte id, a 2-byte size and that many bytes
// of data, one after the other.

struct ExtraBlock {
    uint16_t id = 0;
    std::span<const uint8_t> data;
};

// The whole blocks of an extra field, in order; a block that runs past the
// field's end ends them (a damaged field is read as far as it is whole):
//
//     for (const ExtraBlock& block : ExtraBlocks(field)) ...
class ExtraBlocks {
public:
    explicit constexpr ExtraBlocks(std::span<const uint8_t> field) : field_(field) {}

    class iterator {
    public:
        explicit constexpr iterator(std::span<const uint8_t> rest) : rest_(rest) { take(); }
        constexpr const ExtraBlock& operator*() const { return block_; }
        constexpr iterator& operator++() {
            rest_ = rest_.subspan(EXTRA_BLOCK_HEADER_SIZE + block_.data.size());
            take();
            return *this;
        }
        constexpr bool operator==(std::default_sentinel_t) const { return done_; }

    private:
        constexpr void take() {
            done_ = rest_.size() < EXTRA_BLOCK_HEADER_SIZE;
            if (done_) return;
            const size_t size = get_u16le(&rest_[2]);
            done_ = size > rest_.size() - EXTRA_BLOCK_HEADER_SIZE;
            if (!done_) block_ = {get_u16le(rest_.data()), rest_.subspan(EXTRA_BLOCK_HEADER_SIZE, size)};
        }
        std::span<const uint8_t> rest_;
        ExtraBlock block_;
        bool done_ = false;
    };

    constexpr iterator begin() const { return iterator(field_); }
    constexpr std::default_sentinel_t end() const { return {}; }

private:
    std::span<const uint8_t> field_;
};

// The data of the first whole block with `id`, or nothing.
constexpr std::optional<std::span<const uint8_t>> find_extra_block(std::span<const uint8_t> field, uint16_t id) {
    for (const ExtraBlock& block : ExtraBlocks(field))
        if (block.id == id) return block.data;
    return std::nullopt;
}

// ---- Encryption: what it adds to a member's compressed data.

// The traditional encryption's header, before the data.
inline constexpr uint64_t ENCRYPTION_HEADER_SIZE = 12;

// AES encryption: method 99, whose extra block (EXTRA_AES, 7 bytes) names the
// vendor version (1 AE-1, 2 AE-2), the vendor ("AE"), the key strength (1, 2,
// 3: 128, 192, 256 bits) and the data's real method. The data is framed:
//   salt (8, 12 or 16 bytes) | verifier (2) | encrypted data | authentication code (10)
inline constexpr uint16_t AES_METHOD = 99;
inline constexpr size_t AES_EXTRA_SIZE = 7;
inline constexpr size_t AES_VERIFIER_SIZE = 2;
inline constexpr size_t AES_AUTH_CODE_SIZE = 10;
inline constexpr uint16_t AES_VENDOR_AE = 0x4541;  // "AE" as a little-endian number

struct AesExtra {
    uint16_t vendor_version = 0;  // 1 AE-1, 2 AE-2
    uint8_t strength = 0;         // 1, 2, 3: AES-128, AES-192, AES-256
    uint16_t method = 0;          // the real compression method of the data
    uint16_t vendor = AES_VENDOR_AE;
};

// The AES block of an extra field as it states it (not checked); nothing when
// the field has no whole block of that id and size.
constexpr std::optional<AesExtra> decode_aes_extra(std::span<const uint8_t> field) {
    const auto block = find_extra_block(field, EXTRA_AES);
    if (!block || block->size() != AES_EXTRA_SIZE) return std::nullopt;
    const uint8_t* b = block->data();
    return AesExtra{get_u16le(b), b[4], get_u16le(b + 5), get_u16le(b + 2)};
}

// The variants this program knows: AE-1 and AE-2 of the vendor "AE", strengths 1 to 3.
constexpr bool aes_variant_known(const AesExtra& e) {
    return e.vendor == AES_VENDOR_AE && e.vendor_version >= 1 && e.vendor_version <= 2 && e.strength >= 1 &&
           e.strength <= 3;
}

// The AES key's size in bytes (16, 24 or 32), and the salt's, for strengths 1 to 3.
constexpr size_t aes_key_size(uint8_t strength) { return 8 + 8 * static_cast<size_t>(strength); }
constexpr size_t aes_salt_size(uint8_t strength) { return 4 + 4 * static_cast<size_t>(strength); }
// Salt and verifier: what precedes the encrypted data.
constexpr size_t aes_header_size(uint8_t strength) { return aes_salt_size(strength) + AES_VERIFIER_SIZE; }

// The size of a member's compressed data without what its encryption adds
// (the traditional header; AES's salt, verifier and authentication code by
// the strength its extra block in `extra_field` states): never below 0, also
// for a damaged entry that states less.
constexpr uint64_t member_data_size(const CentralHeader& h, std::span<const uint8_t> extra_field) {
    if (!(h.flags & FLAG_ENCRYPTED)) return h.packed_size;
    uint64_t overhead = ENCRYPTION_HEADER_SIZE;
    if (h.method == AES_METHOD) {
        const std::optional<AesExtra> aes = decode_aes_extra(extra_field);
        if (aes && aes->strength >= 1 && aes->strength <= 3)
            overhead = aes_header_size(aes->strength) + AES_AUTH_CODE_SIZE;
    }
    return h.packed_size > overhead ? h.packed_size - overhead : 0;
}

// ---- MS-DOS date and time.

// The fields of a DOS date and time as stored, not checked: a damaged date may
// hold month 0 or 13 to 15, day 0, hour 24 to 31, minute 60 to 63.
struct DosDateTime {
    unsigned year = 0;  // 1980 to 2107
    unsigned month = 0;
    unsigned day = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;  // even, up to 62
};

constexpr DosDateTime decode_dos_date(uint16_t date, uint16_t time) {
    return {1980u + (date >> 9u), (date >> 5u) & 0x0Fu, date & 0x1Fu,
            static_cast<unsigned>(time >> 11u), (time >> 5u) & 0x3Fu, (time & 0x1Fu) * 2u};
}

// ---- Exact file times.

// The extended-timestamp block: a flags byte (bit 0 modification, bit 1 access,
// bit 2 creation time), then the times the flags name, in that order, each 4
// bytes of signed seconds since 1970-01-01 UTC. A central entry's copy holds the
// modification time at most, whatever its flags say; a time cut off is absent.
inline constexpr uint8_t EXTENDED_TIME_MODIFIED = 0x01;
inline constexpr uint8_t EXTENDED_TIME_ACCESSED = 0x02;
inline constexpr uint8_t EXTENDED_TIME_CREATED = 0x04;
struct ExtendedTimes {
    uint8_t flags = 0;
    std::optional<int64_t> modified, accessed, created;
};
ExtendedTimes decode_extended_times(std::span<const uint8_t> data);

// The NTFS block: 4 reserved bytes, then tagged attributes (2-byte tag, 2-byte
// size); tag 1, of 24 bytes, holds the modification, access and creation times
// in 100 ns ticks since 1601-01-01 UTC (the file times of Windows).
struct NtfsTimes {
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint64_t created = 0;
};
std::optional<NtfsTimes> decode_ntfs_times(std::span<const uint8_t> data);

// Seconds since 1970-01-01 UTC as 100 ns ticks since 1601-01-01 UTC.
constexpr uint64_t unix_to_file_time(int64_t seconds) {
    return static_cast<uint64_t>(seconds + 11644473600LL) * 10000000u;
}

// The modification time that the exact-time blocks of `extra_field` state, in
// 100 ns ticks since 1601 UTC: the NTFS block's when it has one (it is the more
// precise), else the extended timestamp's; nothing when neither states one.
std::optional<uint64_t> exact_modification_time(std::span<const uint8_t> extra_field);

// A UTC time of 100 ns ticks since 1601 as a calendar date.
struct UtcTime {
    int64_t year = 0;
    unsigned month = 0;  // 1 to 12
    unsigned day = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    unsigned ticks = 0;  // 100 ns ticks within the second
};
UtcTime utc_from_file_time(uint64_t file_time);
