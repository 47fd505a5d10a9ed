// The entry of a fuzz target built without libFuzzer: it runs the target once
// on every file named on the command line (files in a named folder too), so
// that a corpus or a saved crash can be replayed under any build.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

long run_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return 1;
}

long run_path(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return 0;
    if (!S_ISDIR(st.st_mode)) return run_file(path);
    long count = 0;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.') count += run_path(path + "/" + e->d_name);
        ::closedir(dir);
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    long count = 0;
    for (int i = 1; i < argc; ++i) count += run_path(argv[i]);
    std::fprintf(stderr, "replayed %ld input%s\n", count, count == 1 ? "" : "s");
    return 0;
}
