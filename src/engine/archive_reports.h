// What the run loop, the member walk and the listings print alike about an
// archive's records: its comments as they are shown, and the reports of damage
// found by the record reader (engine/zip_reader.h), which prints nothing itself.
#pragma once

#include <cstdint>

struct NameRead;

// The text that follows several archive-damage messages.
extern const char* const PLEASE_CHECK_TEXT;

// Shows the comment of `length` bytes at the input position on standard
// output: carriage returns dropped, ending at a zero byte, controls escaped,
// then a newline. 0, or ENG_EARLY_EOF when the archive ends inside it (what
// was read is shown, without the newline). Nothing for a length of 0.
int show_comment(unsigned length);

// A member name cut to its longest: the warning, and the kept part when it was read.
void report_cut_name(const NameRead& name);

// No central header signature where entry `number` should begin.
void report_missing_central_signature(uint64_t number);

// The end record's signature is not right behind the directory; with the
// "please check" text when `please_check`.
void report_no_end_behind_directory(bool please_check);

// seek_archive, with the report of an offset before the archive's start.
int seek_archive_reported(uint64_t logical_offset);
