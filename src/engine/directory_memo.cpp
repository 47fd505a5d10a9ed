#include "engine/directory_memo.h"

#include <utility>

#include "engine/globals.h"

namespace {

bool memos_on = false;
DirectoryMemo kept;        // valid when `kept_valid`
bool kept_valid = false;
DirectoryMemo recording;   // being made by the current walk
bool is_recording = false;

bool same_archive(const DirectoryMemo& m, uint64_t size, int64_t mtime) {
    return m.archive_name == G.archive_name && m.size == size && m.mtime == mtime &&
           m.central_offset == G.end.central_offset && m.offset_shift == G.offset_shift &&
           m.entries_total == G.end.entries_total && m.keep_case == (G.keep_case != 0);
}

}  // namespace

void keep_directory_memo(bool on) {
    memos_on = on;
    kept = DirectoryMemo();
    kept_valid = false;
    recording = DirectoryMemo();
    is_recording = false;
}

const DirectoryMemo* directory_memo_for(uint64_t size, int64_t mtime) {
    if (!memos_on || !kept_valid || !same_archive(kept, size, mtime)) return nullptr;
    return &kept;
}

void begin_directory_memo(uint64_t size, int64_t mtime) {
    is_recording = memos_on;
    if (!is_recording) return;
    recording = DirectoryMemo();
    recording.archive_name = G.archive_name;
    recording.size = size;
    recording.mtime = mtime;
    recording.central_offset = G.end.central_offset;
    recording.offset_shift = G.offset_shift;
    recording.entries_total = G.end.entries_total;
    recording.keep_case = G.keep_case != 0;
    recording.names_keep_case = G.names_keep_case;
}

bool directory_memo_recording() { return is_recording; }

void add_memo_entry(const MemoEntry& entry) { recording.entries.push_back(entry); }

bool memo_entry_holds(const MemoEntry& entry) {
    return G.member_name == entry.name && G.central.crc32 == entry.crc32 &&
           G.central.packed_size == entry.packed_size && G.central.unpacked_size == entry.unpacked_size;
}

void drop_directory_memo() {
    kept = DirectoryMemo();
    kept_valid = false;
}

void finish_directory_memo(bool clean, int64_t end) {
    if (!is_recording) return;
    is_recording = false;
    if (!clean || recording.entries.size() != recording.entries_total) return;
    recording.end = end;
    kept = std::move(recording);
    kept_valid = true;
    recording = DirectoryMemo();
}
