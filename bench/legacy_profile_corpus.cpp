// Writes large shrunk, reduced and imploded archives of sample data with our
// test encoders, one per method and variant, for profiling the legacy methods
// (`unzip -t` of each file under callgrind):
//   legacy_profile_corpus OUTDIR [megabytes] [FILE...]
// Each archive holds the same members: text and table-like sample data of
// `megabytes` MiB each (default 8), and the given files as they are.
//   shrink.zip                 method 1
//   reduce1.zip .. reduce4.zip methods 2 to 5
//   implode_4k.zip, implode_8k.zip         two trees (raw literals)
//   implode_4k_lit.zip, implode_8k_lit.zip three trees (literal tree)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/implode_encoder.h"
#include "support/reduce_encoder.h"
#include "support/sample_data.h"
#include "support/shrink_encoder.h"
#include "support/zip_writer.h"

namespace {

struct Input {
    std::string name;
    tz::Bytes data;
};

void write_archive(const std::string& path, const std::vector<Input>& inputs, uint16_t method,
                   tz::Bytes (*pack)(const tz::Bytes&, uint16_t*, int), int variant) {
    tz::Archive a;
    for (const Input& in : inputs) {
        uint16_t flags = 0;
        tz::Member& m = a.add(in.name, in.data, method);
        m.packed = pack(in.data, &flags, variant);
        m.flags = flags;
    }
    a.write(path);
    std::printf("%s\n", path.c_str());
}

tz::Bytes pack_shrink(const tz::Bytes& data, uint16_t*, int) { return tz::shrink(data); }

tz::Bytes pack_reduce(const tz::Bytes& data, uint16_t*, int factor) {
    tz::ReduceOptions o;
    o.factor = factor;
    return tz::reduce(data, o);
}

tz::Bytes pack_implode(const tz::Bytes& data, uint16_t* flags, int variant) {
    tz::ImplodeOptions o;
    o.large_window = (variant & 1) != 0;
    o.literal_tree = (variant & 2) != 0;
    tz::Imploded m = tz::implode(data, o);
    *flags = m.flags;
    return m.packed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: legacy_profile_corpus OUTDIR [megabytes] [FILE...]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 8;
    std::vector<Input> inputs;
    inputs.push_back({"text.txt", tz::sample_data(tz::SampleKind::text, megabytes << 20, 7)});
    inputs.push_back({"tables.bin", tz::sample_data(tz::SampleKind::binary, megabytes << 20, 8)});
    for (int i = 3; i < argc; ++i) {
        const std::string path = argv[i];
        inputs.push_back({path.substr(path.find_last_of('/') + 1), tz::read_file(path)});
    }

    write_archive(dir + "/shrink.zip", inputs, 1, pack_shrink, 0);
    for (int factor = 1; factor <= 4; ++factor)
        write_archive(dir + "/reduce" + std::to_string(factor) + ".zip", inputs,
                      static_cast<uint16_t>(factor + 1), pack_reduce, factor);
    const char* const implode_names[] = {"implode_4k", "implode_8k", "implode_4k_lit",
                                         "implode_8k_lit"};
    for (int variant = 0; variant < 4; ++variant)
        write_archive(dir + "/" + implode_names[variant] + ".zip", inputs, 6, pack_implode, variant);
    return 0;
}
