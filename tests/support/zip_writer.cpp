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

}  // namespace

Built Archive::build() const {
    Built out;
    Bytes& b = out.bytes;
    put(b, prefix);
    // Offsets stored in the archive are counted from its first local header,
    // unless the prefix counts (as in a self-extracting archive).
    const size_t base = prefix_counted ? 0 : prefix.size();

    std::vector<Bytes> packed;
    for (const Member& m : members) {
        packed.push_back(packed_of(m));
        const Bytes& p = packed.back();
        const uint32_t crc = m.crc.value_or(crc32_of(m.data));
        const uint32_t psize = m.packed_size.value_or(static_cast<uint32_t>(p.size()));
        const uint32_t usize = m.unpacked_size.value_or(static_cast<uint32_t>(m.data.size()));
        const std::string& lname = m.local_name ? *m.local_name : m.name;
        const uint16_t flags = m.local_flags.value_or(
            static_cast<uint16_t>(m.flags | (m.descriptor ? 0x08 : 0)));

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
        put16(b, static_cast<uint32_t>(m.local_extra.size()));
        put(b, lname);
        put(b, m.local_extra);
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
    for (size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        const Bytes& p = packed[i];
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
        put32(b, m.packed_size.value_or(static_cast<uint32_t>(p.size())));
        put32(b, m.unpacked_size.value_or(static_cast<uint32_t>(m.data.size())));
        put16(b, static_cast<uint32_t>(m.name.size()));
        put16(b, static_cast<uint32_t>(m.central_extra.size()));
        put16(b, static_cast<uint32_t>(m.comment.size()));
        put16(b, m.start_disk);
        put16(b, m.internal_attributes);
        put32(b, m.external_attributes);
        put32(b, m.local_offset.value_or(static_cast<uint32_t>(out.local_offsets[i] - base)));
        put(b, m.name);
        put(b, m.central_extra);
        put(b, m.comment);
    }
    const size_t central_end = b.size();

    out.end_offset = b.size();
    const auto count = static_cast<uint16_t>(members.size());
    put32(b, 0x06054B50);
    put16(b, disk_number.value_or(0));
    put16(b, central_start_disk.value_or(0));
    put16(b, entries_this_disk.value_or(count));
    put16(b, entries_total.value_or(count));
    put32(b, central_size.value_or(static_cast<uint32_t>(central_end - out.central_offset)));
    put32(b, central_offset.value_or(static_cast<uint32_t>(out.central_offset - base)));
    put16(b, comment_length.value_or(static_cast<uint16_t>(comment.size())));
    put(b, comment);
    put(b, suffix);
    return out;
}

Built Archive::write(const std::string& path) const {
    Built built = build();
    write_file(path, built.bytes);
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
