// Each decompression method on its own, fed as the engine feeds a member. The
// first byte chooses the method (inflate; explode with each of its four flag
// variants; unshrink; unreduce with each factor; deflate64; bzip2; LZMA with
// and without its end marker) and whether line ends are
// converted; with the next two it gives the declared size. The rest is the
// member's data.
#include <cstdint>

#include "fuzz/support.h"

namespace {

struct Variant {
    unsigned method;
    uint16_t flags;
};

constexpr Variant variants[] = {
    {8, 0}, {6, 0}, {6, 2}, {6, 4}, {6, 6}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0},
    {9, 0}, {12, 0}, {14, 0}, {14, 2},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const Variant& v = variants[(data[0] & 0x0F) % (sizeof variants / sizeof variants[0])];
    const bool convert_text = (data[0] & 0x80) != 0;
    const uint32_t declared = data[1] | (data[2] << 8) | (((data[0] >> 4) & 3u) << 16);
    fz::run_method(v.method, v.flags, declared, convert_text, data + 3, size - 3);
    return 0;
}
