#include "support/sample_data.h"

#include <random>

namespace tz {

const std::vector<SampleKind>& all_sample_kinds() {
    static const std::vector<SampleKind> kinds = {SampleKind::text, SampleKind::binary,
                                                  SampleKind::zeros, SampleKind::random,
                                                  SampleKind::repetitive};
    return kinds;
}

std::string sample_kind_name(SampleKind kind) {
    switch (kind) {
    case SampleKind::text: return "text";
    case SampleKind::binary: return "binary";
    case SampleKind::zeros: return "zeros";
    case SampleKind::random: return "random";
    case SampleKind::repetitive: return "repetitive";
    }
    return "?";
}

Bytes sample_data(SampleKind kind, size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size);
    switch (kind) {
    case SampleKind::text: {
        static const char* const words[] = {
            "terminal", "session", "modem", "phone", "book", "script", "upload", "download",
            "the", "a", "of", "and", "to", "options", "baud", "line", "transfer", "log", "\x90",
            "settings", "connect", "install", "directory", "file"};
        size_t column = 0;
        while (out.size() < size) {
            const std::string w = words[rng() % (sizeof words / sizeof words[0])];
            out.insert(out.end(), w.begin(), w.end());
            column += w.size() + 1;
            if (column > 60) {
                out.push_back('\r');
                out.push_back('\n');
                column = 0;
            } else {
                out.push_back(rng() % 9 == 0 ? ',' : ' ');
            }
        }
        break;
    }
    case SampleKind::binary:
        // Records of small integers and repeated headers, like an executable's tables.
        while (out.size() < size) {
            const uint32_t v = rng();
            const uint8_t rec[] = {0x4D, 0x5A, static_cast<uint8_t>(v & 0x0F), 0,
                                   static_cast<uint8_t>(v >> 8), static_cast<uint8_t>((v >> 16) & 3),
                                   0x90, 0x90, 0xFF, static_cast<uint8_t>(out.size() >> 4)};
            out.insert(out.end(), rec, rec + (v >> 28) % 10 + 1);
        }
        break;
    case SampleKind::zeros:
        out.assign(size, 0);
        break;
    case SampleKind::random:
        while (out.size() < size) out.push_back(static_cast<uint8_t>(rng()));
        break;
    case SampleKind::repetitive: {
        const char pattern[] = "ABABABAB\x90\x90\x90xyzxyz";
        while (out.size() < size) out.push_back(static_cast<uint8_t>(pattern[out.size() % 17]));
        break;
    }
    }
    out.resize(size);
    return out;
}

}  // namespace tz
