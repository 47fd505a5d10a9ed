#include "support/zip_writer.h"

#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tz {

Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string text_of(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes deflate_raw(const Bytes& data, int level, int strategy, int mem_level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, mem_level, strategy) != Z_OK)
        throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&z, data.size()) + 64);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int r = deflate(&z, Z_FINISH);
    if (r != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

uint32_t crc32_of(const Bytes& data) {
    return static_cast<uint32_t>(::crc32(0L, data.data(), static_cast<uInt>(data.size())));
}

uint16_t dos_date(int year, int month, int day) {
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
uint16_t dos_time(int hour, int minute, int second) {
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

Member& Archive::add(const std::string& name, const std::string& content, uint16_t method) {
    return add(name, bytes_of(content), method);
}

Member& Archive::add(const std::string& name, const Bytes& content, uint16_t method) {
    Member m;
    m.name = name;
    m.data = content;
    m.method = method;
    members.push_back(std::move(m));
    return members.back();
}

namespace {

void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void put(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void put(Bytes& b, const std::string& more) { b.insert(b.end(), more.begin(), more.end()); }

Bytes packed_of(const Member& m) {
    if (m.packed) return *m.packed;
    if (m.method == 0) return m.data;
    if (m.method == 8) return deflate_raw(m.data, m.level, m.strategy);
    throw std::runtime_error("method needs packed bytes: " + m.name);
}

void put64(Bytes& b, uint64_t v) {
    put32(b, static_cast<uint32_t>(v));
    put32(b, static_cast<uint32_t>(v >> 32));
}

constexpr uint32_t SATURATED = 0xFFFFFFFF;

// The Zip64 extended information field with the given values.
Bytes zip64_field(const std::vector<uint64_t>& values) {
    Bytes f;
    put16(f, 0x0001);
    put16(f, static_cast<uint32_t>(values.size() * 8));
    for (uint64_t v : values) put64(f, v);
    return f;
}

}  // namespace

Bytes extended_time_block(uint8_t flags, const std::vector<int32_t>& times) {
    Bytes f;
    put16(f, 0x5455);
    put16(f, static_cast<uint32_t>(1 + 4 * times.size()));
    f.push_back(flags);
    for (int32_t t : times) put32(f, static_cast<uint32_t>(t));
    return f;
}

Bytes ntfs_time_block(uint64_t modified, uint64_t accessed, uint64_t created) {
    Bytes f;
    put16(f, 0x000a);
    put16(f, 32);
    put32(f, 0);  // reserved
    put16(f, 1);  // the times' tag and size
    put16(f, 24);
    for (uint64_t t : {modified, accessed, created}) put64(f, t);
    return f;
}

Built Archive::build() const {
    Built out;
    Bytes& b = out.bytes;
    put(b, prefix);
    // Offsets stored in the archive are counted from its first local header,
    // unless the prefix counts (as in a self-extracting archive).
    const size_t base = prefix_counted ? 0 : prefix.size();
    uint64_t holes = 0;  // zero bytes of the holes so far
    std::vector<uint64_t> stored_offsets;

    std::vector<Bytes> packed;
    for (const Member& m : members) {
        if (m.hole_before) {
            out.holes.emplace_back(b.size(), m.hole_before);
            holes += m.hole_before;
        }
        packed.push_back(packed_of(m));
        const Bytes& p = packed.back();
        const uint32_t crc = m.crc.value_or(crc32_of(m.data));
        const uint32_t psize = m.zip64 ? SATURATED : m.packed_size.value_or(static_cast<uint32_t>(p.size()));
        const uint32_t usize = m.zip64 ? SATURATED : m.unpacked_size.value_or(static_cast<uint32_t>(m.data.size()));
        const std::string& lname = m.local_name ? *m.local_name : m.name;
        const uint16_t flags = m.local_flags.value_or(
            static_cast<uint16_t>(m.flags | (m.descriptor ? 0x08 : 0)));
        Bytes local_extra = m.local_extra;
        if (m.zip64)
            put(local_extra, zip64_field({m.zip64_unpacked_size.value_or(m.data.size()),
                                          m.zip64_packed_size.value_or(p.size())}));

        stored_offsets.push_back(b.size() + holes - base);
        out.local_offsets.push_back(b.size());
        put32(b, 0x04034B50);
        b.push_back(m.needed_version);
        b.push_back(m.needed_host);
        put16(b, flags);
        put16(b, m.local_method.value_or(m.method));
        put16(b, m.time);
        put16(b, m.date);
        put32(b, m.local_crc.value_or(m.descriptor ? 0 : crc));
        put32(b, m.local_packed_size.value_or(m.descriptor ? 0 : psize));
        put32(b, m.local_unpacked_size.value_or(m.descriptor ? 0 : usize));
        put16(b, static_cast<uint32_t>(lname.size()));
        put16(b, static_cast<uint32_t>(local_extra.size()));
        put(b, lname);
        put(b, local_extra);
        out.data_offsets.push_back(b.size());
        put(b, p);
        if (m.descriptor) {
            put32(b, 0x08074B50);
            put32(b, crc);
            put32(b, psize);
            put32(b, usize);
        }
    }
    put(b, before_central);

    out.central_offset = b.size();
    const uint64_t stored_central = b.size() + holes - base;
    for (size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        const Bytes& p = packed[i];
        const bool far = stored_offsets[i] >= SATURATED;
        Bytes central_extra = m.central_extra;
        std::vector<uint64_t> wide;
        if (m.zip64) {
            wide.push_back(m.zip64_unpacked_size.value_or(m.data.size()));
            wide.push_back(m.zip64_packed_size.value_or(p.size()));
        }
        if (m.zip64 || far) wide.push_back(stored_offsets[i]);
        if (!wide.empty()) put(central_extra, zip64_field(wide));
        put32(b, 0x02014B50);
        b.push_back(m.made_by_version);
        b.push_back(m.made_by_host);
        b.push_back(m.needed_version);
        b.push_back(m.needed_host);
        put16(b, static_cast<uint16_t>(m.flags | (m.descriptor ? 0x08 : 0)));
        put16(b, m.method);
        put16(b, m.time);
        put16(b, m.date);
        put32(b, m.crc.value_or(crc32_of(m.data)));
        put32(b, m.zip64 ? SATURATED : m.packed_size.value_or(static_cast<uint32_t>(p.size())));
        put32(b, m.zip64 ? SATURATED : m.unpacked_size.value_or(static_cast<uint32_t>(m.data.size())));
        put16(b, static_cast<uint32_t>(m.name.size()));
        put16(b, static_cast<uint32_t>(central_extra.size()));
        put16(b, static_cast<uint32_t>(m.comment.size()));
        put16(b, m.start_disk);
        put16(b, m.internal_attributes);
        put32(b, m.external_attributes);
        put32(b, m.local_offset.value_or(m.zip64 || far ? SATURATED
                                                        : static_cast<uint32_t>(stored_offsets[i])));
        put(b, m.name);
        put(b, central_extra);
        put(b, m.comment);
    }
    const size_t central_end = b.size();
    const uint64_t central_bytes = central_end - out.central_offset;
    const bool wide_end = zip64_end || members.size() > 0xFFFF || stored_central >= SATURATED;
    if (wide_end) {
        const uint64_t record = b.size() + holes - base;
        put32(b, 0x06064B50);
        put64(b, 44);
        put16(b, 45);
        put16(b, 45);
        put32(b, disk_number.value_or(0));
        put32(b, central_start_disk.value_or(0));
        put64(b, members.size());
        put64(b, members.size());
        put64(b, central_bytes);
        put64(b, stored_central);
        put32(b, 0x07064B50);
        put32(b, 0);
        put64(b, record);
        put32(b, 1);
    }

    out.end_offset = b.size();
    const auto count = static_cast<uint16_t>(wide_end ? 0xFFFF : members.size());
    put32(b, 0x06054B50);
    put16(b, disk_number.value_or(wide_end ? 0xFFFF : 0));
    put16(b, central_start_disk.value_or(wide_end ? 0xFFFF : 0));
    put16(b, entries_this_disk.value_or(count));
    put16(b, entries_total.value_or(count));
    put32(b, central_size.value_or(wide_end ? SATURATED : static_cast<uint32_t>(central_bytes)));
    put32(b, central_offset.value_or(wide_end ? SATURATED : static_cast<uint32_t>(stored_central)));
    put16(b, comment_length.value_or(static_cast<uint16_t>(comment.size())));
    put(b, comment);
    put(b, suffix);
    return out;
}

Built Archive::write(const std::string& path) const {
    Built built = build();
    if (built.holes.empty()) {
        write_file(path, built.bytes);
        return built;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    size_t from = 0;
    for (const auto& [at, size] : built.holes) {
        std::fwrite(built.bytes.data() + from, 1, at - from, f);
        // Seeking past the end leaves a hole that reads as zeros and takes no space.
        if (fseeko(f, static_cast<off_t>(size), SEEK_CUR) != 0) throw std::runtime_error("seek " + path);
        from = at;
    }
    std::fwrite(built.bytes.data() + from, 1, built.bytes.size() - from, f);
    if (std::fclose(f) != 0) throw std::runtime_error("cannot write " + path);
    return built;
}

void write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error("cannot write " + path);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace tz
