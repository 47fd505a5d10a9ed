// The decompression methods. Each decodes the current member: it reads through
// next_byte() and writes through write_out() (engine/io.h), after the engine has
// positioned the input at the member's data and reset the per-member state.
#pragma once

// Method 8. 0 ok; 1 invalid data; 2 reserved block type or over-subscribed code
// set; 3 out of memory.
int inflate_member();

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
