// Sample inputs for round trips through the test encoders: text, binary,
// all-zero, random and highly repetitive bytes of a given size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/zip_writer.h"

namespace tz {

enum class SampleKind { text, binary, zeros, random, repetitive };

const std::vector<SampleKind>& all_sample_kinds();
std::string sample_kind_name(SampleKind kind);

// `size` bytes of the given kind; the same arguments give the same bytes.
Bytes sample_data(SampleKind kind, size_t size, uint32_t seed = 1);

}  // namespace tz
