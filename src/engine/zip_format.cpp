#include "engine/zip_format.h"

EndRecord decode_end_record(const uint8_t* b) {
    EndRecord e;
    e.disk_number = get_u16le(b + 4);
    e.central_start_disk = get_u16le(b + 6);
    e.entries_this_disk = get_u16le(b + 8);
    e.entries_total = get_u16le(b + 10);
    e.central_size = get_u32le(b + 12);
    e.central_offset = get_u32le(b + 16);
    e.comment_length = get_u16le(b + 20);
    return e;
}

std::optional<uint64_t> decode_zip64_locator(const uint8_t* b) {
    if (get_u32le(b) != ZIP64_LOCATOR_SIG) return std::nullopt;
    return get_u64le(b + 8);
}

bool decode_zip64_end(const uint8_t* b, EndRecord* end) {
    if (get_u32le(b) != ZIP64_END_SIG) return false;
    end->disk_number = get_u32le(b + 16);
    end->central_start_disk = get_u32le(b + 20);
    end->entries_this_disk = get_u64le(b + 24);
    end->entries_total = get_u64le(b + 32);
    end->central_size = get_u64le(b + 40);
    end->central_offset = get_u64le(b + 48);
    return true;
}

// The body offsets below are the record's less its 4-byte signature.
CentralHeader decode_central_header(const uint8_t* b) {
    CentralHeader h;
    h.made_by_version = b[0];
    h.made_by_host = b[1];
    h.needed_version = b[2];
    h.needed_host = b[3];
    h.flags = get_u16le(b + 4);
    h.method = get_u16le(b + 6);
    h.dos_time = get_u16le(b + 8);
    h.dos_date = get_u16le(b + 10);
    h.crc32 = get_u32le(b + 12);
    h.packed_size = get_u32le(b + 16);
    h.unpacked_size = get_u32le(b + 20);
    h.name_length = get_u16le(b + 24);
    h.extra_length = get_u16le(b + 26);
    h.comment_length = get_u16le(b + 28);
    h.start_disk = get_u16le(b + 30);
    h.internal_attributes = get_u16le(b + 32);
    h.external_attributes = get_u32le(b + 34);
    h.local_header_offset = get_u32le(b + 38);
    return h;
}

LocalHeader decode_local_header(const uint8_t* b) {
    LocalHeader h;
    h.needed_version = b[0];
    h.needed_host = b[1];
    h.flags = get_u16le(b + 2);
    h.method = get_u16le(b + 4);
    h.dos_time = get_u16le(b + 6);
    h.dos_date = get_u16le(b + 8);
    h.crc32 = get_u32le(b + 10);
    h.packed_size = get_u32le(b + 14);
    h.unpacked_size = get_u32le(b + 18);
    h.name_length = get_u16le(b + 22);
    h.extra_length = get_u16le(b + 24);
    return h;
}

namespace {

// The values of a Zip64 block, taken one by one for the saturated fields.
class WideValues {
public:
    explicit WideValues(std::span<const uint8_t> extra_field)
        : rest_(find_extra_block(extra_field, EXTRA_ZIP64).value_or(std::span<const uint8_t>())) {}

    void widen(uint64_t& value) {
        if (value != SATURATED_32 || rest_.size() < 8) return;
        value = get_u64le(rest_.data());
        rest_ = rest_.subspan(8);
    }
    void widen_disk(uint32_t& disk) {
        if (disk == SATURATED_16 && rest_.size() >= 4) disk = get_u32le(rest_.data());
    }

private:
    std::span<const uint8_t> rest_;
};

}  // namespace

void widen_central_header(CentralHeader& h, std::span<const uint8_t> extra_field) {
    WideValues wide(extra_field);
    wide.widen(h.unpacked_size);
    wide.widen(h.packed_size);
    wide.widen(h.local_header_offset);
    wide.widen_disk(h.start_disk);
}

void widen_local_header(LocalHeader& h, std::span<const uint8_t> extra_field) {
    WideValues wide(extra_field);
    wide.widen(h.unpacked_size);
    wide.widen(h.packed_size);
}
