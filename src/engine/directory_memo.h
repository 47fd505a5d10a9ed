// What one walk learned about an archive's central directory, kept for the
// next runs on the same unchanged archive while the host asks for it
// (engine_keep_between_runs). A host that runs the engine once per member,
// with that member's name as the only pattern, then reads the one matching
// entry instead of reading and parsing the whole directory on every run.
//
// A memo is made only from a walk that read every entry without a message or
// warning and found the end record right behind the directory: skipping the
// entries that cannot be selected then changes nothing a run prints or returns.
// An archive replaced by another of the same size and time is noticed at the
// first entry the memo serves: the walk reads it and compares its name, sizes
// and CRC with the memo's before it uses it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MemoEntry {
    int64_t start = 0;      // archive position of the entry's signature
    std::string name;       // the member name as the walk selects it
    bool fold = false;      // selected with case folded
    // What the entry read there must hold again before the memo serves it.
    uint32_t crc32 = 0;
    uint64_t packed_size = 0;
    uint64_t unpacked_size = 0;
};

struct DirectoryMemo {
    // The archive and the run state the entries were read under.
    std::string archive_name;
    uint64_t size = 0;
    int64_t mtime = 0;
    uint64_t central_offset = 0;
    int64_t offset_shift = 0;
    uint64_t entries_total = 0;
    bool keep_case = false;
    // What the directory holds.
    bool names_keep_case = false;   // the run's setting that the names were read with
    std::vector<MemoEntry> entries;
    int64_t end = 0;        // archive position right behind the last entry
};

// Switches memos on or off; either way the kept memo is dropped.
void keep_directory_memo(bool on);

// The memo of the archive now open (G.archive_name, G.end, G.offset_shift,
// G.keep_case), or null when none is kept for it. `size` and `mtime` are
// the archive's, as process_archive found them.
const DirectoryMemo* directory_memo_for(uint64_t size, int64_t mtime);

// Starts a memo of the archive now open for the walk that follows (when memos
// are on), with G.names_keep_case as the directory scan set it.
void begin_directory_memo(uint64_t size, int64_t mtime);

// The walk adds its entries in order (only while a memo is being recorded).
bool directory_memo_recording();
void add_memo_entry(const MemoEntry& entry);

// The entry just read (G.member_name, G.central) is the one the memo names.
bool memo_entry_holds(const MemoEntry& entry);

// The kept memo no longer describes its archive: it is dropped.
void drop_directory_memo();

// The walk read the whole directory cleanly (`clean`) and ended at `end`:
// the memo is kept, or dropped when the walk saw any trouble.
void finish_directory_memo(bool clean, int64_t end);
