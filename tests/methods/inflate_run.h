// Running inflate on compressed bytes in-process, for the inflate tests.
#pragma once

#include <functional>

#include "methods/methods.h"
#include "support/method_harness.h"

namespace inflate_test {

inline tz::MethodRun run_inflate(const tz::Bytes& packed, int quiet_level = 0) {
    tz::MethodSetup setup;
    setup.quiet_level = quiet_level;
    return tz::run_method(inflate_member, packed, setup);
}

// Runs `method` (which calls inflate_member) in place of inflate_member itself.
inline tz::MethodRun run_inflate_with(const std::function<int()>& method, const tz::Bytes& packed) {
    return tz::run_method(method, packed);
}

// No valid stream asks for more than a few bytes beyond its end; a truncated
// one is stopped after 8 bytes, plus what one decoding step asks for.
constexpr int64_t max_overrun = 8 + 16;

}  // namespace inflate_test
