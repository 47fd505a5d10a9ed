#include "engine/read_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/bounds.h"
#include "engine/globals.h"

void archive_input_start() {
    ReadAhead& a = G.ahead;
    a.start = 0;
    a.held = 0;
    a.run = 0;
    a.pos = 0;
    a.handle_pos = 0;
    try {
        a.buf.resize(READ_AHEAD_SIZE);
    } catch (const std::bad_alloc&) {
        a.buf = std::vector<uint8_t>();  // every read goes straight to the archive
    }
}

void archive_input_end() {
    G.ahead = ReadAhead{};
}

int64_t archive_seek(int64_t offset) {
    ReadAhead& a = G.ahead;
    // No archive reaches the limit (engine/bounds.h): positions stay below it,
    // so the sums of a position and a count below cannot overflow.
    if (offset < 0 || static_cast<uint64_t>(offset) > ARCHIVE_SIZE_LIMIT) return -1;
    if (a.held > 0 && offset >= a.start && offset <= a.start + a.held) {
        a.pos = offset;
        return offset;
    }
    const int64_t r = host_seek(G.archive_handle, offset);
    if (r >= 0) a.pos = a.handle_pos = r;
    return r;
}

namespace {

// One read of the archive at the position; the handle is moved there first when
// the buffer was served from without it.
long read_at_position(uint8_t* dest, long count) {
    ReadAhead& a = G.ahead;
    if (a.handle_pos != a.pos) {
        if (host_seek(G.archive_handle, a.pos) != a.pos) {
            a.handle_pos = -1;
            return -1;
        }
        a.handle_pos = a.pos;
    }
    const long n = host_read(G.archive_handle, dest, static_cast<unsigned long>(count));
    if (n < 0) {
        a.handle_pos = -1;  // unknown after a failure: set again before the next read
        return n;
    }
    a.handle_pos += n;
    return n;
}

// Fills the buffer from the position for a read of `count` bytes: false when
// the buffer cannot take them. The bytes read (0 at the end, -1 on an error) are
// in *got.
bool fill_buffer(long count, long* got) {
    ReadAhead& a = G.ahead;
    const bool reading_on = a.held > 0 && a.pos >= a.start && a.pos <= a.start + a.held;
    a.run = reading_on ? std::min(a.run * 2, READ_AHEAD_SIZE) : INPUT_BUF_SIZE;
    const long fill = std::max<long>(a.run, count);
    if (fill > static_cast<long>(a.buf.size())) return false;
    a.held = 0;
    *got = read_at_position(a.buf.data(), fill);
    if (*got > 0) {
        a.start = a.pos;
        a.held = static_cast<int32_t>(*got);
    }
    return true;
}

}  // namespace

long archive_read(uint8_t* dest, long count) {
    ReadAhead& a = G.ahead;
    if (count <= 0) return 0;
    if (a.pos < a.start || a.pos + count > a.start + a.held) {
        long n = 0;
        if (!fill_buffer(count, &n)) {
            // No buffer, or a read larger than it: straight into the destination.
            a.held = 0;
            n = read_at_position(dest, count);
            if (n > 0) a.pos += n;
            return n;
        }
        if (n <= 0) return n;
        count = std::min(count, n);
    }
    std::memcpy(dest, a.buf.data() + (a.pos - a.start), static_cast<size_t>(count));
    a.pos += count;
    return count;
}

long archive_view(const uint8_t** data, long count) {
    ReadAhead& a = G.ahead;
    if (count <= 0 || a.buf.empty()) return 0;
    count = std::min(count, static_cast<long>(a.buf.size()));
    if (a.pos < a.start || a.pos >= a.start + a.held) {
        long n = 0;
        if (!fill_buffer(count, &n) || n <= 0) return n;
    }
    count = std::min(count, static_cast<long>(a.start + a.held - a.pos));
    *data = a.buf.data() + (a.pos - a.start);
    a.pos += count;
    return count;
}

int64_t archive_position() { return G.ahead.pos; }
