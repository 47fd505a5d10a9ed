// Reading the archive's structure: the end record, the comment, the central and
// local headers, the field reader and positioning. process_archive runs one
// archive from its name to the selected action.
#pragma once

#include <cstdint>

// Field reader modes.
enum : int {
    FIELD_SKIP = 0,
    FIELD_DISPLAY = 1,
    FIELD_MEMBER_NAME = 2,
    FIELD_EXTRA = 3,
};

int process_archive(bool last_chance);
int find_end_record(int64_t search_length);
int show_archive_comment();
int read_central_header();
int read_local_header();

// After the extra field of a central or local header was read: the 64-bit sizes
// and offset of its Zip64 field replace the saturated 32-bit header values. The
// local one also sets the member's compressed bytes left (at most what the
// archive holds from the input position on) and its uncompressed size.
void apply_zip64_central();
// The current extra field holds a Zip64 extended information field.
bool has_zip64_extra();
void apply_zip64_local();
int read_field_text(unsigned length, int mode);

// For the listings: reads central-directory entry `index` (signature, header,
// name, extra field and its Zip64 sizes) into G.central and G.cur. With
// `stored_name` the name is shown as stored, never case-folded or converted.
// Returns 0 or the code that ends the listing; warnings raise *worst.
int read_listed_entry(uint64_t index, bool stored_name, int* worst);

// Positions the input at a logical archive offset (plus offset_shift). Returns 0;
// ENG_BAD_ARCHIVE for an offset before the archive's start (reported); or
// ENG_EARLY_EOF for one beyond its end or when the block read yields nothing
// (not reported).
int seek_archive(uint64_t logical_offset);

// The physical offset where the central directory ends: that of the Zip64 end
// record when the archive has one, else that of the end record.
int64_t directory_end_offset();

// Reads the four signature bytes before a record into signature_buf. Returns the
// number of bytes read (4, fewer at the end, -1 on a read error).
// Positions the input at a physical offset, reusing the held block when it is the
// right one. 0, or ENG_EARLY_EOF when the block read yields nothing.
int position_input(int64_t physical_offset);

long read_signature();

bool signature_is(const uint8_t* sig);

// The signature read behind the last central header is the end record's (or,
// in a Zip64 archive, the Zip64 end record's).
bool signature_ends_directory();

// For a walk whose directory memo turned out to describe another archive:
// works out the names' case rule for this directory again (G.names_keep_case)
// and positions the input at its entry `index`, read from the directory's
// start. 0, or ENG_BAD_ARCHIVE for a damaged directory (reported).
int reread_directory_to(uint64_t index);

void close_archive();

// The program word of messages: "zipinfo" in information mode, else "unzip".
const char* program_word();
