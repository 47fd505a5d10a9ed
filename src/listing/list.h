// The short and verbose list modes (-l, -v).
#pragma once

#include <cstdint>

int list_archive();

// The saving in tenths of a percent; negative when the data grew.
int saving_ratio(uint64_t uncompressed, uint64_t compressed);

// A total of member sizes plus one more; damaged sizes (up to 2^64 - 1 each)
// make it stop at 2^64 - 1 rather than wrap around.
uint64_t capped_sum(uint64_t total, uint64_t size);

// Formats a ratio as printed in the listings: sign character and whole percent.
void format_ratio(char* out, int ratio);

// Writes a name to standard output, control characters as '^' + letter, then a newline.
void print_member_name(const char* name);

// The method name shown in listings ("Stored", "Defl:N", "Unk:012", ...).
void method_name(char* out, unsigned method, unsigned flags);
