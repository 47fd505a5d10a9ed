#include "engine/io.h"

#include <algorithm>
#include <cstring>

#include "engine/read_ahead.h"
#include "engine/shown_text.h"

int refill_byte() {
    const long n = archive_read(G.input_buf.data(), INPUT_BUF_SIZE);
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
    if (G.input_stage.arrived)
        G.input_stage.arrived(G.input_stage.stage, G.input_buf.data(), G.input_buf_offset, n);
    return G.input_buf[0];
}

namespace {

// Up to `max` bytes (a multiple of the block size) of whole blocks that follow
// the held, used-up block, straight from the read-ahead buffer. Afterwards the
// last of them is the held block, used up, as reading them one by one leaves
// it. 0 when no whole block is at hand: the block reader then takes over, with
// its own handling of the archive's end and of read errors.
long take_whole_blocks(const uint8_t** run, long max) {
    if (G.input_held != INPUT_BUF_SIZE || archive_position() != G.input_buf_offset + INPUT_BUF_SIZE)
        return 0;
    const uint8_t* data = nullptr;
    const long n = archive_view(&data, max);
    if (n <= 0) return 0;
    const long whole = n - n % INPUT_BUF_SIZE;
    if (whole < n) archive_seek(archive_position() - (n - whole));  // inside the buffer
    if (whole == 0) return 0;
    G.input_buf_offset += whole;
    std::memcpy(G.input_buf.data(), data + whole - INPUT_BUF_SIZE, INPUT_BUF_SIZE);
    G.input_pos = G.input_buf.data() + INPUT_BUF_SIZE;
    G.input_left = 0;
    *run = data;
    return whole;
}

}  // namespace

long take_input(const uint8_t** run, long max) {
    if (G.packed_left <= 0 || max <= 0) return 0;
    if (G.packed_left < max) max = static_cast<long>(G.packed_left);
    if (G.input_left <= 0) {
        long n = 0;
        // A stage needs every block in the input block (member_decryption.h).
        if (max >= INPUT_BUF_SIZE && !G.input_stage.arrived)
            n = take_whole_blocks(run, max - max % INPUT_BUF_SIZE);
        if (n > 0) {
            G.packed_left -= n;
            return n;
        }
        if (refill_byte() < 0) return 0;
        // refill_byte handed out the block's first byte: it belongs to this run.
        --G.input_pos;
        ++G.input_left;
    }
    const long n = std::min<long>(max, G.input_left);
    *run = G.input_pos;
    G.input_pos += n;
    G.input_left -= static_cast<int32_t>(n);
    G.packed_left -= n;
    return n;
}

long read_bytes(uint8_t* dest, long count) {
    long done = 0;
    while (done < count) {
        if (G.input_left <= 0) {
            const long n = archive_read(G.input_buf.data(), INPUT_BUF_SIZE);
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
            std::fprintf(stderr, "\nerror:  cannot write %s to standard output\n",
                         shown_text(G.member_name).c_str());
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
    if (G.compute_crc) G.running_crc = crc32_update(G.running_crc, block, size);
    if (G.test_only || size == 0) return 0;
    if (G.disk_full_state != 0) return ENG_DISK_FULL;

    if (!G.cur || !G.cur->convert_text) return write_block(block, size);

    // Text conversion: every line end (CR LF, lone CR, lone LF) becomes the local
    // one (G.crlf_line_ends), also when a CR LF pair is split between two blocks.
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
            if (G.crlf_line_ends) target[out++] = '\r';
            target[out++] = '\n';
            if (i + 1 == size)
                G.cr_pending = true;
            else if (block[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            if (G.crlf_line_ends) target[out++] = '\r';
            target[out++] = '\n';
        } else {
            target[out++] = c;
        }
    }
    return write_block(target.data(), out);
}

int open_archive() {
    G.archive_handle = host_open_read(G.archive_name);
    if (G.archive_handle < 0) return -1;
    archive_input_start();
    return 0;
}

void close_archive() {
    archive_input_end();
    if (G.archive_handle >= 0) host_close(G.archive_handle);
    G.archive_handle = -1;
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

void begin_member_output() {
    G.held_bits = 0;
    G.held_bit_count = 0;
    G.input_exhausted = false;
    G.first_block = true;
    G.running_crc = 0xFFFFFFFFu;
    G.compute_crc = true;
    G.window_fill = 0;
    G.window.fill(0);
    G.output_total = 0;
    G.output_limit = UINT64_MAX;
    G.output_overflow = false;
}
