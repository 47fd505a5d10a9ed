#include "fuzz/support.h"

#include <ftw.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "methods/methods.h"
#include "platform/hostfile.h"

namespace fz {

namespace {

int remove_entry(const char* path, const struct stat*, int, struct FTW* ftw) {
    if (ftw->level > 0) std::remove(path);
    return 0;
}

void remove_scratch() {
    empty_dir(scratch_dir());
    ::rmdir(scratch_dir().c_str());
}

uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void put_le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

const std::string& scratch_dir() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tev-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        std::atexit(remove_scratch);
        return pattern;
    }();
    return dir;
}

void empty_dir(const std::string& dir) { ::nftw(dir.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS); }

void write_bytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

int run_engine(const std::vector<std::string>& args, const std::string& program) {
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        w.reserve(w.size() + 8);  // the engine may append ".zip"
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    const int r = engine_entry(static_cast<int>(words.size()), argv.data());
    std::fflush(stdout);
    std::fflush(stderr);
    return r;
}

namespace {

constexpr uint32_t SATURATED = 0xFFFFFFFF;

// The position of the 64-bit uncompressed size in the Zip64 field (0x0001) of
// the extra field at [extra, extra + length), or 0 when there is none.
size_t zip64_size_field(const std::vector<uint8_t>& archive, size_t extra, size_t length) {
    const size_t end = std::min(archive.size(), extra + length);
    for (size_t pos = extra; pos + 4 <= end;) {
        const size_t data = static_cast<size_t>(archive[pos + 2]) | static_cast<size_t>(archive[pos + 3]) << 8;
        if (archive[pos] == 1 && archive[pos + 1] == 0) return data >= 8 && pos + 12 <= end ? pos + 4 : 0;
        pos += 4 + data;
    }
    return 0;
}

}  // namespace

void cap_declared_sizes(std::vector<uint8_t>& archive, uint32_t cap) {
    const auto u16 = [&](size_t at) { return static_cast<size_t>(archive[at]) | static_cast<size_t>(archive[at + 1]) << 8; };
    for (size_t i = 0; i + 4 <= archive.size(); ++i) {
        if (archive[i] != 'P' || archive[i + 1] != 'K') continue;
        // The uncompressed size, the name's length (the extra field's follows)
        // and the size of the fixed part, by record.
        size_t field = 0, lengths = 0, fixed = 0;
        if (archive[i + 2] == 3 && archive[i + 3] == 4) field = i + 22, lengths = i + 26, fixed = 30;       // local
        else if (archive[i + 2] == 1 && archive[i + 3] == 2) field = i + 24, lengths = i + 28, fixed = 46;  // central
        if (field == 0 || i + fixed > archive.size()) continue;
        // A saturated size stands for the Zip64 field's, which is capped instead,
        // so that the 64-bit values still reach the engine.
        if (le32(&archive[field]) == SATURATED) {
            const size_t wide = zip64_size_field(archive, i + fixed + u16(lengths), u16(lengths + 2));
            if (wide != 0) {
                if (le32(&archive[wide + 4]) != 0 || le32(&archive[wide]) > cap) {
                    put_le32(&archive[wide], cap);
                    put_le32(&archive[wide + 4], 0);
                }
                continue;
            }
        }
        if (le32(&archive[field]) > cap) put_le32(&archive[field], cap);
    }
}

int run_member(uint16_t method, uint16_t flags, uint32_t unpacked_size, bool convert_text, const uint8_t* packed,
               size_t size, const std::function<int()>& decode) {
    const std::string path = scratch_dir() + "/member.bin";
    write_bytes(path, packed, size);
    static FILE* sink = std::fopen("/dev/null", "wb");

    MemberInfo member;
    member.convert_text = convert_text;
    member.packed_size = static_cast<uint32_t>(size);
    member.unpacked_size = unpacked_size;
    G.cur = &member;
    G.quiet_level = 2;
    G.test_only = 0;
    G.to_stdout = 0;
    G.disk_full_state = 0;
    G.input_buf.assign(INPUT_BUF_SIZE + INPUT_SPARE, 0);
    if (G.convert_buf.size() != CONVERT_BUF_SIZE) G.convert_buf.assign(CONVERT_BUF_SIZE, 0);
    std::string archive_name = path;
    G.archive_name = archive_name.data();
    if (open_archive() != 0) std::abort();
    G.offset_shift = 0;
    G.local.method = method;
    G.local.flags = flags;
    G.central.flags = flags;
    G.local.packed_size = static_cast<uint32_t>(size);
    G.local.unpacked_size = unpacked_size;
    G.out_file = sink;

    // The input positioned at the data, as the member walk leaves it.
    G.input_buf_offset = -1;
    G.input_held = 0;
    position_input(0);
    G.packed_left = static_cast<int64_t>(size);
    G.unpacked_size = unpacked_size;
    begin_member_output();
    G.output_limit = unpacked_size;

    const int r = decode();
    close_archive();
    G.archive_name = nullptr;
    G.cur = nullptr;
    G.out_file = nullptr;
    return r;
}

int run_method(unsigned method, uint16_t flags, uint32_t unpacked_size, bool convert_text,
               const uint8_t* packed, size_t size) {
    return run_member(static_cast<uint16_t>(method), flags, unpacked_size, convert_text, packed, size, [method] {
        switch (method) {
        case 1: return unshrink_member();
        case 2: case 3: case 4: case 5: return unreduce_member();
        case 6: return explode_member();
        case 8: return inflate_member();
        case 9: return inflate64_member();
        case 12: return bunzip2_member();
        case 14: {
            uint32_t dictionary = 0;
            return lzma_member(&dictionary);
        }
        default: return 0;
        }
    });
}

}  // namespace fz

namespace fz {

int run_method_input(unsigned method, const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const bool convert_text = (data[0] & 0x80) != 0;
    const uint16_t flags = static_cast<uint16_t>(data[0] & 0x06);
    const uint32_t declared = data[1] | (data[2] << 8) | (((data[0] >> 4) & 3u) << 16);
    return run_method(method, flags, declared, convert_text, data + 3, size - 3);
}

}  // namespace fz
