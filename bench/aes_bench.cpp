// Times AES-256 decryption of a member: the host's cryptography alone (key
// stream and HMAC over memory), the decryption stage as the engine runs it
// for a stored member, and a deflated member with and without encryption.
// With 7-Zip installed, also its own AES cost on the same data: `7zz t -mmt1`
// of an AES-256 stored archive minus that of a plain one, in CPU time.
//   aes_bench [megabytes] [rounds]
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "decrypt/zip_aes.h"
#include "engine/globals.h"
#include "engine/io.h"
#include "engine/member_decryption.h"
#include "methods/methods.h"
#include "support/method_harness.h"
#include "support/run.h"
#include "support/sample_data.h"
#include "support/zip_encrypt.h"

namespace {

constexpr const char* PASSWORD = "bench password";

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs `decode` over `member` in test mode (no output written) with or
// without AES-256 decryption; the seconds of the method and stage alone.
double time_member(const tz::Bytes& member, bool encrypted, uint16_t method, int (*decode)(), uint32_t crc) {
    double seconds = 0;
    bool ok = false;
    tz::MethodSetup setup;
    setup.method = method;
    tz::run_method(
        [&] {
            G.test_only = 1;
            const auto start = std::chrono::steady_clock::now();
            MemberDecryption d;
            int r = encrypted ? d.begin_aes({2, 3, method}, PASSWORD) : 0;
            if (r == 0) r = decode();
            if (r == 0 && encrypted) r = d.finish();
            seconds = seconds_since(start);
            ok = r == 0 && (G.running_crc ^ 0xFFFFFFFFu) == crc;
            G.test_only = 0;
            return r;
        },
        member, setup);
    if (!ok) std::fprintf(stderr, "aes_bench: a member did not decode\n");
    return seconds;
}

int store_member() {
    const uint8_t* run = nullptr;
    long n;
    while ((n = take_input(&run, 1 << 16)) > 0) write_out(run, static_cast<uint32_t>(n), 0);
    return 0;
}

// CPU seconds of a child process.
double child_cpu_seconds(const std::vector<std::string>& command, const std::string& cwd) {
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    const tz::RunResult r = tz::run_process(command, cwd);
    getrusage(RUSAGE_CHILDREN, &after);
    if (r.code != 0) std::fprintf(stderr, "aes_bench: %s failed: %s\n", command[0].c_str(), r.err.c_str());
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(after.ru_utime) + s(after.ru_stime) - s(before.ru_utime) - s(before.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const tz::Bytes data = tz::sample_data(tz::SampleKind::text, megabytes << 20);
    const uint32_t crc = tz::crc32_of(data);
    const double mb = static_cast<double>(data.size()) / 1e6;
    const tz::Bytes stored = tz::encrypt_aes(data, PASSWORD, 3);
    const tz::Bytes deflated = tz::deflate_raw(data);
    const tz::Bytes deflated_aes = tz::encrypt_aes(deflated, PASSWORD, 3);

    // The host's cryptography alone: key stream and MAC over memory, in the
    // stage's pieces of one input block.
    const auto decryptor = [&] {
        tz::Bytes copy = stored;
        const auto start = std::chrono::steady_clock::now();
        ZipAesDecryptor aes;
        const size_t header = aes_header_size(3);
        aes.start(3, {reinterpret_cast<const uint8_t*>(PASSWORD), std::strlen(PASSWORD)},
                  std::span(copy).first(header));
        for (size_t pos = header; pos < header + data.size(); pos += INPUT_BUF_SIZE)
            aes.decrypt(std::span(copy).subspan(pos, std::min<size_t>(INPUT_BUF_SIZE, header + data.size() - pos)));
        const double s = seconds_since(start);
        if (!std::equal(data.begin(), data.end(), copy.begin() + static_cast<long>(header)))
            std::fprintf(stderr, "aes_bench: the decryptor went wrong\n");
        return s;
    };
    // Each case once per round, in turn, so that a change in the machine's
    // load falls on all of them alike; the best of the rounds counts.
    const std::vector<std::function<double()>> cases = {
        decryptor,
        [&] { return time_member(stored, true, 0, store_member, crc); },
        [&] { return time_member(data, false, 0, store_member, crc); },
        [&] { return time_member(deflated_aes, true, 8, inflate_member, crc); },
        [&] { return time_member(deflated, false, 8, inflate_member, crc); },
    };
    std::vector<double> best(cases.size(), 1e30);
    for (int i = 0; i < rounds; ++i)
        for (size_t k = 0; k < cases.size(); ++k) best[k] = std::min(best[k], cases[k]());
    release_fixed_tables();
    std::printf("AES-256 decryptor, in memory       %8.1f MB/s\n", mb / best[0]);
    std::printf("stored member, AES-256 stage       %8.1f MB/s  (%.1f MB/s without encryption)\n", mb / best[1],
                mb / best[2]);
    std::printf("deflated member, AES-256 stage     %8.1f MB/s output  (%.1f MB/s without encryption: %.2fx)\n",
                mb / best[3], mb / best[4], best[3] / best[4]);
    const double stage_stored = best[1], plain_stored = best[2];

    // 7-Zip's own cost of AES-256 on the same stored data, by difference.
    tz::TempDir dir;
    tz::write_file(dir / "data.bin", data);
    const std::vector<std::string> add = {"7zz", "a", "-tzip", "-mx=0", "-bso0", "-bsp0"};
    auto with = [](std::vector<std::string> v, std::initializer_list<std::string> more) {
        v.insert(v.end(), more);
        return v;
    };
    if (tz::run_process(with(add, {"plain.zip", "data.bin"}), dir.path()).code != 0) {
        std::printf("7zz not found: no comparison (scripts/bootstrap.sh installs it)\n");
        return 0;
    }
    tz::run_process(with(add, {std::string("-p") + PASSWORD, "-mem=AES256", "aes.zip", "data.bin"}), dir.path());
    double z_plain = 1e30, z_aes = 1e30;
    for (int i = 0; i < rounds; ++i) {
        z_plain = std::min(z_plain, child_cpu_seconds({"7zz", "t", "-mmt1", "-bso0", "-bsp0", "plain.zip"}, dir.path()));
        z_aes = std::min(z_aes, child_cpu_seconds({"7zz", "t", "-mmt1", "-bso0", "-bsp0",
                                                   std::string("-p") + PASSWORD, "aes.zip"},
                                                  dir.path()));
    }
    std::printf("7zz t -mmt1, AES-256 cost           %8.1f MB/s  (stored: %.3f s plain, %.3f s AES-256)\n",
                z_aes > z_plain ? mb / (z_aes - z_plain) : 0.0, z_plain, z_aes);
    std::printf("our AES-256 cost                    %8.1f MB/s  (stored: %.3f s plain, %.3f s AES-256)\n",
                stage_stored > plain_stored ? mb / (stage_stored - plain_stored) : 0.0, plain_stored, stage_stored);
    return 0;
}
