// The LZMA (method 14) decoder on its own, with and without its end marker
// (flag bit 1), fed as the engine feeds a member (see fz::run_method_input for
// the layout of the input).
#include <cstdint>

#include "fuzz/support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fz::run_method_input(14, data, size);
    return 0;
}
