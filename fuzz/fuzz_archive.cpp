// Fuzzing the archive engine: every input is written as an archive file and run
// through the engine in-process, listed, tested and described in the
// information mode, with all methods.
//
// With libFuzzer (clang -fsanitize=fuzzer) LLVMFuzzerTestOneInput is the entry.
// Built as a plain program (the default here), it mutates seed archives made by
// the test writers for a number of rounds:
//   fuzz_archive [ROUNDS] [SEED]
// Build it with the asan preset so that any memory fault stops it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/engine_run.h"
#include "support/implode_encoder.h"
#include "support/reduce_encoder.h"
#include "support/run.h"
#include "support/sample_data.h"
#include "support/shrink_encoder.h"
#include "support/zip_writer.h"

namespace {

void run_once(const uint8_t* data, size_t size) {
    static tz::TempDir dir;
    const std::string path = dir / "f.zip";
    tz::write_file(path, tz::Bytes(data, data + size));
    tz::run_engine({"-qq", "-v", path});
    tz::run_engine({"-qq", "-t", path});
    tz::run_engine({"-v", "-t", path}, "", "zipinfo");
    tz::run_engine({"-m", "-z", path}, "", "zipinfo");
}

// Seeds: every method, with a comment, a descriptor and a FAT-style name.
std::vector<tz::Bytes> seeds() {
    std::vector<tz::Bytes> out;
    const tz::Bytes text = tz::sample_data(tz::SampleKind::text, 3000, 1);
    const tz::Bytes binary = tz::sample_data(tz::SampleKind::binary, 2000, 2);
    tz::Archive a;
    a.comment = "fuzz seed";
    a.add("stored.txt", text);
    a.add("deflated.bin", binary, 8).made_by_host = 0;
    a.add("fixed.txt", text, 8).strategy = 4;
    a.add("desc.txt", text, 8).descriptor = true;
    tz::Member& s = a.add("shrunk.txt", text, 1);
    s.packed = tz::shrink(text, {});
    for (int factor = 1; factor <= 4; ++factor) {
        tz::ReduceOptions o;
        o.factor = factor;
        tz::Member& r = a.add("reduced" + std::to_string(factor), binary, static_cast<uint16_t>(factor + 1));
        r.packed = tz::reduce(binary, o);
    }
    for (int variant = 0; variant < 4; ++variant) {
        tz::ImplodeOptions o;
        o.large_window = variant & 1;
        o.literal_tree = variant & 2;
        const tz::Imploded imp = tz::implode(text, o);
        tz::Member& m = a.add("imploded" + std::to_string(variant), text, 6);
        m.packed = imp.packed;
        m.flags = imp.flags;
    }
    out.push_back(a.build().bytes);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    run_once(data, size);
    return 0;
}

#ifndef TEV_LIBFUZZER
int main(int argc, char** argv) {
    const long rounds = argc > 1 ? std::atol(argv[1]) : 2000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1;
    std::mt19937 rng(seed);
    const std::vector<tz::Bytes> corpus = seeds();
    for (long i = 0; i < rounds; ++i) {
        tz::Bytes input = corpus[rng() % corpus.size()];
        // A few byte changes, sometimes a cut or a duplicated stretch.
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits && !input.empty(); ++e) {
            const size_t at = rng() % input.size();
            switch (rng() % 4) {
            case 0: input[at] = static_cast<uint8_t>(rng()); break;
            case 1: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            case 2: input.resize(at); break;
            default: {
                const size_t len = std::min<size_t>(rng() % 64, input.size() - at);
                input.insert(input.begin() + static_cast<long>(at), input.begin() + static_cast<long>(at),
                             input.begin() + static_cast<long>(at + len));
            }
            }
        }
        run_once(input.data(), input.size());
        if ((i + 1) % 500 == 0) std::fprintf(stderr, "fuzz_archive: %ld rounds\n", i + 1);
    }
    std::fprintf(stderr, "fuzz_archive: %ld rounds without a fault\n", rounds);
    return 0;
}
#endif
