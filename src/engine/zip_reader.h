// Reading the records of the archive now open through the engine's input
// (engine/io.h): the search for the end of the central directory, the central
// and local entries with their names and extra fields, and the positioning by
// the offsets the records state.
//
// The reader knows the format (engine/zip_format.h) and the input, nothing
// above them. Every offset and size taken from a record is checked against the
// archive's size (engine/bounds.h) before it is sought or used. The readers
// return result codes and leave every message to their callers, the run loop,
// the member walk and the listings (engine/archive_reports.h for the messages
// they share).
#pragma once

#include <cstdint>
#include <optional>

// Positions the input at a logical archive offset (one read from the archive,
// plus offset_shift). 0; ENG_BAD_ARCHIVE for an offset before the archive's
// start; ENG_EARLY_EOF for one beyond its end or when the block read yields
// nothing.
int seek_archive(uint64_t logical_offset);

// Reads the four signature bytes before a record into signature_buf. Returns the
// number of bytes read (4, fewer at the end, -1 on a read error).
long read_signature();

// signature_buf holds the signature `sig`.
bool signature_is(uint32_t sig);

// Behind the last central entry: 0 when the end record (or, in a Zip64
// archive, the Zip64 end record) follows; ENG_WARNING when something else
// does; ENG_EARLY_EOF when the archive ends.
int read_directory_end();

// Finds the end record in the last `search_length` bytes of the archive and
// reads it into G.end, with the Zip64 end record's values when a locator points
// to one (G.zip64_warning is set when it points to none). Sets
// end_record_offset and expected_end_offset. 0; ENG_ERROR when there is no end
// record; ENG_EARLY_EOF when it cannot be read.
int find_end_record(int64_t search_length);

// The physical offset where the central directory ends: that of the Zip64 end
// record when the archive has one, else that of the end record.
int64_t directory_end_offset();

// The header of a central entry into G.central, behind its signature; sets the
// host and the name's case and label flags of G.cur. 0 or ENG_EARLY_EOF.
int read_central_header();

// The header of a local entry into G.local, behind its signature. A member with
// a data descriptor takes its CRC and sizes from G.cur. 0 or ENG_EARLY_EOF.
int read_local_header();

// How a member name was read.
struct NameRead {
    int code = 0;       // 0; ENG_WARNING when the name was cut; ENG_EARLY_EOF
    bool cut = false;   // longer than MEMBER_NAME_MAX, so cut to it...
    bool kept = false;  // ...and the part kept was read
};

// The member name of `length` bytes into G.member_name, cut to MEMBER_NAME_MAX,
// as the engine uses it: folded to lower case for a member of G.cur that asks
// for it, in UTF-8, without the dot of a volume label.
NameRead read_member_name(unsigned length);

// The extra field of `length` bytes into G.extra_field. 0 or ENG_EARLY_EOF.
int read_extra_field(unsigned length);

// Moves the input `length` bytes on. 0 or ENG_EARLY_EOF.
int skip_field(unsigned length);

// The part of an entry where reading it stopped.
enum class EntryStop {
    NONE,
    SIGNATURE,  // no central signature (nothing read: the code is ENG_EARLY_EOF)
    HEADER,
    NAME,
    EXTRA,
};

// How an entry was read: code 0, ENG_WARNING for a cut name, or the code that
// stopped it at `stop`.
struct EntryRead {
    int code = 0;
    EntryStop stop = EntryStop::NONE;
    NameRead name;
};

// The step of every walk over the central directory: reads the entry at the
// input position, signature, header, name and extra field, with the Zip64
// values in G.central. The entry's comment is left at the input position for
// the caller to show or skip. With `stored_name` the name is read as stored,
// never case-folded.
EntryRead read_central_entry(bool stored_name);

// The local entry at the input position, behind its signature: header, name and
// extra field, with the Zip64 sizes; then the input is at the member's data,
// G.packed_left holds its compressed size (at most what the archive holds from
// there on) and G.unpacked_size its uncompressed size.
EntryRead read_local_entry();

// Works out the names' case rule for the archive's directory (G.names_keep_case):
// -U, or any name in the directory with a lower-case letter, keeps the case.
// The input is moved.
void scan_names_case();

// ---- An archive without end record (cut short, or its end damaged): its
// members are read from their local entries, one after the other from the
// archive's start. While G.recovering is set, read_central_entry reads the
// local entry at G.recovery_next as the central one it stands for (no comment,
// no attributes; a member with a data descriptor takes its CRC and sizes from
// the descriptor, found behind its data by its signature and a size that
// matches) and read_directory_end finds nothing wrong.

// The complete local entries from the archive's start (their data within the
// archive): how many there are, and where the walk over them stopped.
struct RecoveryScan {
    uint64_t entries = 0;
    uint64_t end = 0;              // offset of what follows the last complete entry
    bool directory_found = false;  // a central entry's signature follows it
};
RecoveryScan scan_local_entries();

// For a walk whose directory memo turned out to describe another archive:
// scan_names_case, then the input at the directory's entry `index`, read from
// its start. 0, or ENG_BAD_ARCHIVE for a damaged directory; *damaged is then the
// entry that stopped the reading (nothing when the start could not be reached).
int reread_directory_to(uint64_t index, std::optional<uint64_t>* damaged);
