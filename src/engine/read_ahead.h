// Archive reads through a read-ahead buffer.
//
// The engine reads the archive in INPUT_BUF_SIZE blocks at positions it sets
// itself (the block logic decides what the end-record search and the messages
// see). Underneath, archive_read serves those blocks from one larger buffer:
// while the engine reads on, each read of the archive doubles in size up to
// READ_AHEAD_SIZE, so that a long member costs one system call per
// READ_AHEAD_SIZE bytes; after a jump it starts again with one block, so that
// scattered reads cost what they cost without it. Both calls return what
// host_seek and host_read on the archive handle would return at the same
// position, errors included.
#pragma once

#include <cstdint>

constexpr int READ_AHEAD_SIZE = 64 * 1024;

// After the archive was opened: nothing held, reading at offset 0.
void archive_input_start();

// Before the archive is closed: the buffer is given back.
void archive_input_end();

// Sets the position of the next archive_read; the offset, or -1 (also for an
// offset beyond ARCHIVE_SIZE_LIMIT, which is not sought).
int64_t archive_seek(int64_t offset);

// Reads up to `count` bytes at the position and moves past them: the number
// read, 0 at the end of the archive, -1 on a read error.
long archive_read(uint8_t* dest, long count);

// Like archive_read, without the copy: points *data at up to `count` bytes of
// the buffer (as many as it holds from the position on, after a read when it
// holds none) and moves past them. The bytes stay valid until the next call.
// 0 at the end, -1 on a read error, also 0 when there is no buffer.
long archive_view(const uint8_t** data, long count);

// Where the next read begins.
int64_t archive_position();
