#include "fuzz/support.h"

#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/archive.h"
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

void cap_declared_sizes(std::vector<uint8_t>& archive, uint32_t cap) {
    for (size_t i = 0; i + 4 <= archive.size(); ++i) {
        if (archive[i] != 'P' || archive[i + 1] != 'K') continue;
        size_t field = 0;
        if (archive[i + 2] == 3 && archive[i + 3] == 4) field = i + 22;       // local header
        else if (archive[i + 2] == 1 && archive[i + 3] == 2) field = i + 24;  // central header
        if (field == 0 || field + 4 > archive.size()) continue;
        if (le32(&archive[field]) > cap) put_le32(&archive[field], cap);
    }
}

int run_method(unsigned method, uint16_t flags, uint32_t unpacked_size, bool convert_text,
               const uint8_t* packed, size_t size) {
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
    G.local.method = static_cast<uint16_t>(method);
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

    int r = 0;
    switch (method) {
    case 1: r = unshrink_member(); break;
    case 2: case 3: case 4: case 5: r = unreduce_member(); break;
    case 6: r = explode_member(); break;
    case 8: r = inflate_member(); break;
    case 9: r = inflate64_member(); break;
    case 12: r = bunzip2_member(); break;
    case 14: {
        uint32_t dictionary = 0;
        r = lzma_member(&dictionary);
        break;
    }
    default: break;
    }
    close_archive();
    G.archive_name = nullptr;
    G.cur = nullptr;
    G.out_file = nullptr;
    return r;
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
