// The whole engine on one archive: the verbose listing, the test, the
// information mode (verbose, and the medium format with the comment), an
// extraction into a scratch folder (existing files replaced without a
// question), and -p with line-end conversion to a sink. The test and the
// extraction give the seeds' password, so encrypted members are decrypted;
// -p gives none. Declared sizes are
// capped so that no input stalls; afterwards the scratch folder must hold
// nothing but the archive and the extraction folder.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/support.h"

namespace {

// Only "a.zip" and "out" may exist in the scratch folder after a run.
void check_nothing_else_written(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) std::abort();
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == ".." || name == "a.zip" || name == "out") continue;
        std::fprintf(stderr, "fuzz_engine: written outside the extraction folder: %s\n", name.c_str());
        std::abort();
    }
    ::closedir(d);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // No question may wait for an answer, and member data sent to standard
    // output goes nowhere.
    if (!std::freopen("/dev/null", "r", stdin) || !std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> archive(data, data + size);
    fz::cap_declared_sizes(archive, 1u << 20);
    const std::string dir = fz::scratch_dir();
    const std::string path = dir + "/a.zip";
    const std::string out = dir + "/out";
    fz::write_bytes(path, archive.data(), archive.size());
    ::mkdir(out.c_str(), 0777);

    fz::run_engine({"-v", path});
    fz::run_engine({"-t", "-P", fz::FUZZ_PASSWORD, path});
    fz::run_engine({"-v", "-t", path}, "zipinfo");
    fz::run_engine({"-m", "-z", path}, "zipinfo");
    fz::run_engine({"-o", "-P", fz::FUZZ_PASSWORD, path, "-d", out});
    fz::run_engine({"-paa", "-o", path});  // no password: encrypted members are skipped

    check_nothing_else_written(dir);
    fz::empty_dir(out);
    return 0;
}
