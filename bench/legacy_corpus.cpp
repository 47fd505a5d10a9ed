// Packs every file under a directory into one archive with a legacy method,
// using the test encoders (the benchmark's shrunk, reduced and imploded corpora).
//   legacy_corpus shrink|reduce|implode OUT.zip DIR
// Members are taken in sorted path order. Reduced members cycle through the
// factors 1 to 4 (methods 2 to 5) and imploded ones through the four variants
// of dictionary size and tree count, so every flavour of each method is read.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/implode_encoder.h"
#include "support/reduce_encoder.h"
#include "support/shrink_encoder.h"
#include "support/zip_writer.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: legacy_corpus shrink|reduce|implode OUT.zip DIR\n");
        return 2;
    }
    const std::string method = argv[1];
    if (method != "shrink" && method != "reduce" && method != "implode") {
        std::fprintf(stderr, "legacy_corpus: unknown method %s\n", method.c_str());
        return 2;
    }
    const fs::path dir = argv[3];
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    tz::Archive archive;
    for (size_t i = 0; i < files.size(); ++i) {
        const tz::Bytes data = tz::read_file(files[i].string());
        tz::Member& m = archive.add(fs::relative(files[i], dir).generic_string(), data);
        if (method == "shrink") {
            m.method = 1;
            m.packed = tz::shrink(data);
        } else if (method == "reduce") {
            tz::ReduceOptions options;
            options.factor = static_cast<int>(i % 4) + 1;
            m.method = static_cast<uint16_t>(1 + options.factor);
            m.packed = tz::reduce(data, options);
        } else {
            tz::ImplodeOptions options;
            options.large_window = i % 2 == 1;
            options.literal_tree = i % 4 >= 2;
            tz::Imploded imploded = tz::implode(data, options);
            m.method = 6;
            m.flags = imploded.flags;
            m.packed = std::move(imploded.packed);
        }
    }
    archive.write(argv[2]);
    std::printf("%s: %zu members\n", argv[2], files.size());
    return 0;
}
