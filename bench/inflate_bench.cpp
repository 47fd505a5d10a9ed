// Times inflate on a few megabytes of each kind of deflate stream (dynamic,
// fixed-code, stored, incompressible) and prints the decoding speed.
//   inflate_bench [megabytes] [rounds]
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "methods/methods.h"
#include "support/method_harness.h"

namespace {

tz::Bytes text_like(size_t size, std::mt19937& rng) {
    static const char* const words[] = {"terminal ", "setup ", "archive ", "window ", "modem ",
                                        "script ",   "\r\n",   "phone ",   "options ", "TEV "};
    tz::Bytes out;
    out.reserve(size + 16);
    while (out.size() < size) {
        const std::string w = words[rng() % 10];
        out.insert(out.end(), w.begin(), w.end());
        if (rng() % 8 == 0) out.push_back(static_cast<uint8_t>(rng()));
    }
    out.resize(size);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    std::mt19937 rng(1);
    const tz::Bytes text = text_like(megabytes << 20, rng);
    tz::Bytes noise(megabytes << 20);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(rng());

    struct Case {
        const char* name;
        const tz::Bytes* data;
        int level;
        int strategy;
    };
    const Case cases[] = {{"dynamic", &text, 6, Z_DEFAULT_STRATEGY},
                          {"fixed", &text, 6, Z_FIXED},
                          {"stored", &text, 0, Z_DEFAULT_STRATEGY},
                          {"noise", &noise, 6, Z_DEFAULT_STRATEGY}};
    int status = 0;
    for (const Case& c : cases) {
        const tz::Bytes packed = tz::deflate_raw(*c.data, c.level, c.strategy);
        double best = 1e30;
        for (int i = 0; i < rounds; ++i) {
            double seconds = 0;
            const tz::MethodRun r = tz::run_method(
                [&] {
                    const auto start = std::chrono::steady_clock::now();
                    const int result = inflate_member();
                    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                                  .count();
                    return result;
                },
                packed);
            if (r.result != 0 || r.output != *c.data) {
                std::fprintf(stderr, "%s: wrong result %d\n", c.name, r.result);
                status = 1;
            }
            if (seconds < best) best = seconds;
        }
        std::printf("%-8s %8zu -> %8zu bytes  %8.1f MB/s output\n", c.name, packed.size(),
                    c.data->size(), static_cast<double>(c.data->size()) / best / 1e6);
    }
    release_fixed_tables();
    return status;
}
