// The deflate64 (method 9) decoder on its own, fed as the engine feeds a
// member (see fz::run_method_input for the layout of the input).
#include <cstdint>

#include "fuzz/support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fz::run_method_input(9, data, size);
    return 0;
}
