// What the fuzz targets share: a scratch folder per process, the engine run on
// an argument vector, one decompression method run on given bytes as the
// engine runs it for a member, and the cap on the sizes an archive declares.
//
// The targets write nothing to the terminal themselves. The engine's own
// messages go to the standard streams; libFuzzer's -close_fd_mask=3 sends
// them to /dev/null while the sanitizers' reports still reach the terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fz {

// A folder of this process's own, made on first use and removed at exit.
const std::string& scratch_dir();

// Removes everything below `dir` (not `dir` itself).
void empty_dir(const std::string& dir);

// Writes `size` bytes to `path`.
void write_bytes(const std::string& path, const uint8_t* data, size_t size);

// Runs the engine on `program` ("unzip", or "zipinfo" for the information
// mode) followed by `args`.
int run_engine(const std::vector<std::string>& args, const std::string& program = "unzip");

// The password of the encrypted members in fuzz_engine's seeds.
inline constexpr char FUZZ_PASSWORD[] = "seed";

// Lowers every uncompressed size that the archive's local and central headers
// declare to at most `cap` (in their Zip64 field where the header's own size is
// saturated), so that a mutated size cannot make one input run for minutes; the
// members are otherwise as they were.
void cap_declared_sizes(std::vector<uint8_t>& archive, uint32_t cap);

// Runs `decode` on `size` bytes at `packed` as a member's data, the way the
// engine runs a member's method: the input positioned at the data, the
// header fields `method` and `flags` set, the output bounded by `unpacked_size`
// and written to /dev/null. Returns what `decode` returns.
int run_member(uint16_t method, uint16_t flags, uint32_t unpacked_size, bool convert_text, const uint8_t* packed,
               size_t size, const std::function<int()>& decode);

// Runs method `method` (0 stored, 1 shrunk, 2-5 reduced, 6 imploded with the
// general-purpose `flags`, 8 deflated, 9 deflate64, 12 bzip2, 14 LZMA with
// flag bit 1 for its end marker) over `packed` for a member declaring
// `unpacked_size` bytes, with the output bounded by that size as in an
// extraction and written to /dev/null; returns the method's result.
int run_method(unsigned method, uint16_t flags, uint32_t unpacked_size, bool convert_text,
               const uint8_t* packed, size_t size);

// The input of a fuzz target of one method: the first byte gives the
// general-purpose flag bits 1 and 2, line-end conversion (bit 7) and, with the
// next two bytes, the declared size (up to 256 KiB); the rest is the member's
// data.
int run_method_input(unsigned method, const uint8_t* data, size_t size);

}  // namespace fz
