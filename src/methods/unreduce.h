// Internals of methods 2 to 5 that the decoder names on its own.
#pragma once

// Reads the 256 follower sets (from byte value 255 down to 0) that start a
// reduced member: a 6-bit size, then that many 8-bit followers.
void read_follower_sets();
