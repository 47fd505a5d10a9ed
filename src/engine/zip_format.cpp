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

ExtendedTimes decode_extended_times(std::span<const uint8_t> data) {
    ExtendedTimes t;
    if (data.empty()) return t;
    t.flags = data[0];
    size_t at = 1;
    const auto take = [&](uint8_t bit, std::optional<int64_t>& time) {
        if (!(t.flags & bit)) return;
        if (data.size() - at < 4) {
            at = data.size();  // cut off: this time and the later ones are absent
            return;
        }
        time = static_cast<int32_t>(get_u32le(&data[at]));
        at += 4;
    };
    take(EXTENDED_TIME_MODIFIED, t.modified);
    take(EXTENDED_TIME_ACCESSED, t.accessed);
    take(EXTENDED_TIME_CREATED, t.created);
    return t;
}

std::optional<NtfsTimes> decode_ntfs_times(std::span<const uint8_t> data) {
    constexpr size_t RESERVED = 4, TAG_HEADER = 4, TIMES_SIZE = 24;
    constexpr uint16_t TIMES_TAG = 1;
    if (data.size() < RESERVED) return std::nullopt;
    std::span<const uint8_t> rest = data.subspan(RESERVED);
    while (rest.size() >= TAG_HEADER) {
        const uint16_t tag = get_u16le(rest.data());
        const size_t size = get_u16le(rest.data() + 2);
        if (size > rest.size() - TAG_HEADER) break;
        if (tag == TIMES_TAG && size >= TIMES_SIZE) {
            const uint8_t* b = rest.data() + TAG_HEADER;
            return NtfsTimes{get_u64le(b), get_u64le(b + 8), get_u64le(b + 16)};
        }
        rest = rest.subspan(TAG_HEADER + size);
    }
    return std::nullopt;
}

std::optional<uint64_t> exact_modification_time(std::span<const uint8_t> extra_field) {
    if (const auto block = find_extra_block(extra_field, EXTRA_NTFS)) {
        const auto times = decode_ntfs_times(*block);
        if (times && times->modified != 0) return times->modified;
    }
    if (const auto block = find_extra_block(extra_field, EXTRA_EXTENDED_TIME)) {
        const ExtendedTimes times = decode_extended_times(*block);
        if (times.modified) return unix_to_file_time(*times.modified);
    }
    return std::nullopt;
}

UtcTime utc_from_file_time(uint64_t file_time) {
    // Days since 1601-01-01 to a civil date, by 400-year eras from 0000-03-01.
    constexpr uint64_t TICKS_PER_SECOND = 10000000u;
    const uint64_t seconds = file_time / TICKS_PER_SECOND;
    UtcTime t;
    t.ticks = static_cast<unsigned>(file_time % TICKS_PER_SECOND);
    const uint64_t in_day = seconds % 86400u;
    t.hour = static_cast<unsigned>(in_day / 3600u);
    t.minute = static_cast<unsigned>(in_day / 60u % 60u);
    t.second = static_cast<unsigned>(in_day % 60u);
    // 1601-01-01 is day 584694 after 0000-03-01.
    const int64_t days = static_cast<int64_t>(seconds / 86400u) + 584694;
    const int64_t era = days / 146097;
    const int64_t day_of_era = days - era * 146097;
    const int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t mp = (5 * day_of_year + 2) / 153;
    t.day = static_cast<unsigned>(day_of_year - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    t.year = year_of_era + era * 400 + (t.month <= 2 ? 1 : 0);
    return t;
}
