// The decompression methods. Each decodes the current member: it reads through
// next_byte() and writes through write_out() (engine/io.h), after the engine has
// positioned the input at the member's data and reset the per-member state.
#pragma once

#include <cstdint>

// A method's result for a member it refuses to decode (nothing was written):
// the member is reported like one of a method the engine cannot handle.
constexpr int METHOD_REFUSED = 4;

// Method 8. 0 ok; 1 invalid data; 2 reserved block type or over-subscribed code
// set; 3 out of memory.
int inflate_member();

// Method 9 (deflate64), with the results of inflate_member; its 64 KiB window
// is allocated for the member.
int inflate64_member();

// Releases the fixed-code tables that inflate keeps for one engine run.
void release_fixed_tables();

// Method 6. 0 ok; 1 invalid code or incomplete tree; 2 over-subscribed tree;
// 3 out of memory; 4 malformed length list; 5 compressed size not used exactly
// (output complete, G.packed_size_used set).
int explode_member();

// Method 1. 0, or 5 when the text-conversion buffer cannot be allocated.
int unshrink_member();

// Methods 2 to 5. 0 ok; 1 the data ended before the declared size.
int unreduce_member();

// Method 12 (bzip2). 0 ok; 1 invalid data (including a block or stream CRC
// that does not match); 3 out of memory.
int bunzip2_member();

// The largest LZMA dictionary that a member may need (the smaller of its
// stream's dictionary size and its declared size).
constexpr uint32_t LZMA_DICTIONARY_LIMIT = 256u << 20;

// Method 14 (LZMA; general-purpose flag bit 1: the data ends with an end
// marker). 0 ok; 1 invalid data; 3 out of memory; METHOD_REFUSED when the
// member needs a dictionary over LZMA_DICTIONARY_LIMIT (its dictionary size
// is then set in *refused_dictionary).
int lzma_member(uint32_t* refused_dictionary);
