// Times inflate on a few megabytes of each kind of deflate stream (dynamic,
// fixed-code, stored, incompressible) and prints the decoding speed, with and
// without the time of the output's CRC (which write_out computes as it goes).
//   inflate_bench [megabytes] [rounds]
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "engine/io.h"
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
        double crc_best = 1e30;
        volatile uint32_t sink = 0;
        for (int i = 0; i < rounds; ++i) {
            const auto start = std::chrono::steady_clock::now();
            sink = sink + crc32_of(c.data->data(), c.data->size());
            const double s =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (s < crc_best) crc_best = s;
        }
        const double mb = static_cast<double>(c.data->size()) / 1e6;
        std::printf("%-8s %8zu -> %8zu bytes  %8.1f MB/s output, %8.1f MB/s without the CRC\n",
                    c.name, packed.size(), c.data->size(), mb / best,
                    best > crc_best ? mb / (best - crc_best) : 0.0);
    }
    release_fixed_tables();
    return status;
}
