// wildcard_match on any pattern and name (the input split at its first zero
// byte), with and without case folding, and the bounded prefix comparison.
#include <cstdint>
#include <string>

#include "engine/wildcard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t cut = input.find('\0');
    const std::string pattern = input.substr(0, cut);
    const std::string name = cut == std::string::npos ? "" : input.substr(cut + 1);
    wildcard_match(name.c_str(), pattern.c_str(), false);
    wildcard_match(name.c_str(), pattern.c_str(), true);
    prefix_compare_nocase(pattern.c_str(), name.c_str(), static_cast<int>(size % 300));
    return 0;
}
