// Runs one decompression method in-process on given compressed bytes, the way
// the engine runs it for a member, and collects its output.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "support/zip_writer.h"

namespace tz {

struct MethodRun {
    int result = -1;       // the method's own result code
    Bytes output;          // everything passed to write_out
    uint32_t crc = 0;      // finished CRC-32 of the output
    int64_t packed_left = 0;  // compressed bytes not taken at the end (negative: read past)
    std::string err;       // standard error during the run
};

struct MethodSetup {
    uint32_t unpacked_size = 0;   // the member's uncompressed size
    uint16_t flags = 0;           // general purpose flags (explode reads bits 1 and 2)
    uint16_t method = 8;          // the member's method (unreduce derives its factor)
    bool convert_text = false;    // line-end conversion on output
    int quiet_level = 0;
    size_t leading_bytes = 0;     // archive bytes before the member data
    size_t trailing_bytes = 64;   // archive bytes after the member data (read as garbage)
};

// Runs `method` (for example inflate_member) over `packed` as the member's data.
MethodRun run_method(const std::function<int()>& method, const Bytes& packed,
                     const MethodSetup& setup = {});

}  // namespace tz
