#include "support/other_writers.h"

#include <stdexcept>

#include "support/run.h"

namespace tz {

namespace {

uint32_t le(const Bytes& b, size_t at, int size) {
    if (at + static_cast<size_t>(size) > b.size()) throw std::runtime_error("archive too short");
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<size_t>(i)];
    return v;
}

void run_tool(const std::vector<std::string>& command, const std::string& dir) {
    const RunResult r = run_process(command, dir);
    if (r.code != 0) throw std::runtime_error(command[0] + " failed: " + r.err + r.out);
}

const char* python_method(const std::string& method) {
    if (method == "bzip2") return "ZIP_BZIP2";
    if (method == "lzma") return "ZIP_LZMA";
    throw std::runtime_error("no such Python method: " + method);
}

}  // namespace

PackedMember first_member(const Bytes& a) {
    size_t end = a.size() >= 22 ? a.size() - 22 : 0;
    while (end > 0 && le(a, end, 4) != 0x06054b50) --end;
    const size_t central = le(a, end + 16, 4);
    if (le(a, central, 4) != 0x02014b50) throw std::runtime_error("no central directory");
    PackedMember m;
    m.needed_version = static_cast<uint16_t>(le(a, central + 6, 2));
    m.flags = static_cast<uint16_t>(le(a, central + 8, 2));
    m.method = static_cast<uint16_t>(le(a, central + 10, 2));
    const size_t packed_size = le(a, central + 20, 4);
    const size_t local = le(a, central + 42, 4);
    const size_t data = local + 30 + le(a, local + 26, 2) + le(a, local + 28, 2);
    if (data + packed_size > a.size()) throw std::runtime_error("member data past the archive");
    m.packed.assign(a.begin() + static_cast<long>(data), a.begin() + static_cast<long>(data + packed_size));
    return m;
}

void archive_by_7zz(const std::string& dir, const std::string& archive, const std::string& method_option,
                    const std::vector<std::string>& files, const std::vector<std::string>& options) {
    std::vector<std::string> command = {"7zz", "a", "-tzip", "-mmt1", "-bd", "-mm=" + method_option};
    command.insert(command.end(), options.begin(), options.end());
    command.push_back(archive);
    command.insert(command.end(), files.begin(), files.end());
    run_tool(command, dir);
}

void archive_by_python(const std::string& dir, const std::string& archive, const std::string& method,
                       const std::vector<std::string>& files) {
    std::vector<std::string> command = {
        "python3", "-c",
        std::string("import sys, zipfile\n"
                    "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.") +
            python_method(method) +
            ") as z:\n"
            "    for f in sys.argv[2:]: z.write(f)\n",
        archive};
    command.insert(command.end(), files.begin(), files.end());
    run_tool(command, dir);
}

PackedMember packed_by_7zz(const std::string& method_option, const Bytes& data) {
    TempDir dir;
    write_file(dir / "data", data);
    archive_by_7zz(dir.path(), "a.zip", method_option, {"data"});
    return first_member(read_file(dir / "a.zip"));
}

PackedMember packed_by_python(const std::string& method, const Bytes& data) {
    TempDir dir;
    write_file(dir / "data", data);
    archive_by_python(dir.path(), "a.zip", method, {"data"});
    return first_member(read_file(dir / "a.zip"));
}

}  // namespace tz
