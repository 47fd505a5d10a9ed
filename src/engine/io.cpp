#include "engine/io.h"

#include <algorithm>
#include <cstring>

#include "engine/records.h"
#include "engine/shown_text.h"

int refill_byte() {
    const long n = host_read(G.archive_handle, G.input_buf.data(), INPUT_BUF_SIZE);
    if (n <= 0) {
        G.input_left = 0;
        // The archive ends inside the member's data: its data ends here, and
        // a method asking for more runs past the end at once (rather than
        // reading nothing for each of the bytes the header still promises).
        if (G.packed_left > 0) G.packed_left = 0;
        return -1;
    }
    G.input_buf_offset += INPUT_BUF_SIZE;
    G.input_held = static_cast<int32_t>(n);
    G.input_pos = G.input_buf.data() + 1;
    G.input_left = static_cast<int32_t>(n) - 1;
    return G.input_buf[0];
}

long read_bytes(uint8_t* dest, long count) {
    long done = 0;
    while (done < count) {
        if (G.input_left <= 0) {
            const long n = host_read(G.archive_handle, G.input_buf.data(), INPUT_BUF_SIZE);
            if (n < 0) {
                std::fprintf(stderr, "error:  zipfile read error\n");
                return -1;
            }
            if (n == 0) break;
            G.input_buf_offset += INPUT_BUF_SIZE;
            G.input_held = static_cast<int32_t>(n);
            G.input_pos = G.input_buf.data();
            G.input_left = static_cast<int32_t>(n);
        }
        const long take = std::min<long>(count - done, G.input_left);
        std::memcpy(dest + done, G.input_pos, static_cast<size_t>(take));
        G.input_pos += take;
        G.input_left -= static_cast<int32_t>(take);
        done += take;
    }
    return done;
}

bool read_answer_line() {
    char line[256];
    if (!std::fgets(line, sizeof line, stdin)) return false;
    size_t len = std::strlen(line);
    // Drop the rest of an over-long line so that it does not answer the next question.
    if (len > 0 && line[len - 1] != '\n') {
        int c;
        while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        }
    }
    while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r')) line[--len] = '\0';
    if (len > ANSWER_MAX) len = ANSWER_MAX;
    std::memcpy(G.answer_buf.data(), line, len);
    G.answer_buf[len] = '\0';
    return true;
}

int ask_disk_full() {
    std::fprintf(stderr, "\n%s:  write error (disk full?).  Continue? (y/n/^C) ",
                 shown_text(G.member_name).c_str());
    std::fflush(stderr);
    read_answer_line();
    G.disk_full_state = (G.answer_buf[0] == 'y') ? 1 : 2;
    return ENG_DISK_FULL;
}

namespace {

// One low-level write of a finished block; a short write asks the disk-full question.
int write_block(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::fflush(G.out_file);  // keep anything printed through the stream in order
    const long n = host_write(host_fileno(G.out_file), data, static_cast<unsigned long>(size));
    if (n < 0 || static_cast<size_t>(n) < size) {
        // Standard output refuses (full, closed pipe): nothing more can be delivered.
        int r;
        if (G.to_stdout) {
            std::fprintf(stderr, "\nerror:  cannot write %s to standard output\n", G.member_name.c_str());
            G.disk_full_state = 2;
            r = ENG_DISK_FULL;
        } else {
            r = ask_disk_full();
        }
        // Nothing more of the member is written: cutting its input off ends the
        // method at once instead of decoding the rest for nothing.
        G.packed_left = 0;
        return r;
    }
    return 0;
}

// The part of a block that fits the member's declared size; output beyond it is
// dropped and marks the member as damaged (or built to fill the disk).
uint32_t within_declared_size(uint32_t size) {
    const uint64_t room = G.output_limit > G.output_total ? G.output_limit - G.output_total : 0;
    if (size > room) {
        G.output_overflow = true;
        size = static_cast<uint32_t>(room);
    }
    G.output_total += size;
    return size;
}

}  // namespace

int write_out(const uint8_t* block, uint32_t size, int from_unshrink) {
    size = within_declared_size(size);
    G.running_crc = crc32_update(G.running_crc, block, size);
    if (G.test_only || size == 0) return 0;
    if (G.disk_full_state != 0) return ENG_DISK_FULL;

    if (!G.cur || !G.cur->convert_text) return write_block(block, size);

    // Text conversion: every line end (CR LF, lone CR, lone LF) becomes CR LF, also
    // when a CR LF pair is split between two blocks.
    std::vector<uint8_t>& target =
        (from_unshrink && !G.unshrink_buffer.empty()) ? G.unshrink_buffer : G.convert_buf;
    if (target.size() < 3) return write_block(block, size);
    if (G.first_block) {
        G.cr_pending = false;
        G.first_block = false;
    }
    uint32_t i = 0;
    if (block[0] == '\n' && G.cr_pending) i = 1;
    G.cr_pending = false;
    // Each input byte yields at most two output bytes; flush before the target fills.
    const size_t limit = target.size() - 1;
    size_t out = 0;
    for (; i < size; ++i) {
        if (out + 2 > limit) {
            const int r = write_block(target.data(), out);
            if (r) return r;
            out = 0;
        }
        const uint8_t c = block[i];
        if (c == '\r') {
            target[out++] = '\r';
            target[out++] = '\n';
            if (i + 1 == size)
                G.cr_pending = true;
            else if (block[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            target[out++] = '\r';
            target[out++] = '\n';
        } else {
            target[out++] = c;
        }
    }
    return write_block(target.data(), out);
}

int open_archive() {
    G.archive_handle = host_open_read(G.archive_name);
    return G.archive_handle < 0 ? -1 : 0;
}

void begin_member_output() {
    G.held_bits = 0;
    G.held_bit_count = 0;
    G.input_exhausted = false;
    G.first_block = true;
    G.running_crc = 0xFFFFFFFFu;
    G.window_fill = 0;
    G.window.fill(0);
    G.output_total = 0;
    G.output_limit = UINT64_MAX;
    G.output_overflow = false;
}
