#include "engine/crc32.h"

#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
#define CRC32_FOLDING 1
#include <cpuid.h>
#include <immintrin.h>
#else
#define CRC32_FOLDING 0
#endif

namespace {

inline uint32_t load_u32le(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

uint32_t crc32_update_table(uint32_t reg, const uint8_t* data, size_t size) {
    const auto& t = crc_tables;
    while (size >= 8) {
        const uint32_t a = load_u32le(data) ^ reg;
        const uint32_t b = load_u32le(data + 4);
        reg = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^
              t[3][b & 0xFF] ^ t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
        data += 8;
        size -= 8;
    }
    while (size-- > 0) reg = t[0][(reg ^ *data++) & 0xFF] ^ (reg >> 8);
    return reg;
}

#if CRC32_FOLDING

// Folding with carry-less multiplication.
//
// A 128-bit lane loaded from the message holds, bit k, the coefficient of
// x^(127-k) (the first bit of the message is the highest power); its low
// quadword H and high quadword L give the lane's polynomial H*x^64 + L. A lane
// D bits ahead of another one counts x^D times as much, so it may be replaced by
// (H*x^(64+D) + L*x^D) mod P and added to the later lane without changing the
// remainder. The multiplication of two quadwords returns x*A*B in this bit
// order, hence the constants x^(D+63) mod P and x^(D-1) mod P. Each product has
// fewer than 128 bits, so the folded lane stays 128 bits wide.
//
// What is left is one lane, whose CRC the table computes; the initial register
// is added to the message's first 32 bits, which is what it stands for.
namespace {

// x^n mod P, bit d holding the coefficient of x^d (P = x^32 + 0x04C11DB7).
constexpr uint32_t x_power_mod(unsigned n) {
    uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i) r = (r << 1) ^ ((r & 0x80000000u) ? 0x04C11DB7u : 0u);
    return r;
}

// A remainder in the quadword bit order of the lanes: x^d at bit 63 - d.
constexpr uint64_t as_quadword(uint32_t r) {
    uint64_t q = 0;
    for (int d = 0; d < 32; ++d)
        if ((r >> d) & 1u) q |= uint64_t{1} << (63 - d);
    return q;
}

// The multipliers for a distance of D bits: for H in the low quadword, for L
// in the high one.
struct FoldConstants {
    uint64_t for_high_part;
    uint64_t for_low_part;
};
constexpr FoldConstants fold_constants(unsigned distance) {
    return {as_quadword(x_power_mod(distance + 63)), as_quadword(x_power_mod(distance - 1))};
}
constexpr FoldConstants fold_by_512 = fold_constants(512);  // four lanes ahead
constexpr FoldConstants fold_by_128 = fold_constants(128);  // the next lane

__attribute__((target("pclmul,sse4.1"))) inline __m128i lane_constants(FoldConstants c) {
    return _mm_set_epi64x(static_cast<long long>(c.for_low_part), static_cast<long long>(c.for_high_part));
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i lane, __m128i k, __m128i later) {
    const __m128i high = _mm_clmulepi64_si128(lane, k, 0x00);
    const __m128i low = _mm_clmulepi64_si128(lane, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), later);
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i load_lane(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

bool cpu_has_clmul() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    return (c & bit_PCLMUL) != 0 && (c & bit_SSE4_1) != 0;
}

}  // namespace

__attribute__((target("pclmul,sse4.1"))) uint32_t crc32_update_folded(uint32_t reg, const uint8_t* data,
                                                                     size_t size) {
    if (size < 64) return crc32_update_table(reg, data, size);
    const __m128i k512 = lane_constants(fold_by_512);
    const __m128i k128 = lane_constants(fold_by_128);
    __m128i x0 = _mm_xor_si128(load_lane(data), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x1 = load_lane(data + 16);
    __m128i x2 = load_lane(data + 32);
    __m128i x3 = load_lane(data + 48);
    data += 64;
    size -= 64;
    while (size >= 64) {
        x0 = fold(x0, k512, load_lane(data));
        x1 = fold(x1, k512, load_lane(data + 16));
        x2 = fold(x2, k512, load_lane(data + 32));
        x3 = fold(x3, k512, load_lane(data + 48));
        data += 64;
        size -= 64;
    }
    x1 = fold(x0, k128, x1);
    x2 = fold(x1, k128, x2);
    x3 = fold(x2, k128, x3);
    while (size >= 16) {
        x3 = fold(x3, k128, load_lane(data));
        data += 16;
        size -= 16;
    }
    alignas(16) uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), x3);
    reg = crc32_update_table(0, last, sizeof last);
    return crc32_update_table(reg, data, size);
}

bool crc32_folding_available() {
    static const bool available = cpu_has_clmul();
    return available;
}

#else

uint32_t crc32_update_folded(uint32_t reg, const uint8_t* data, size_t size) {
    return crc32_update_table(reg, data, size);
}

bool crc32_folding_available() { return false; }

#endif

uint32_t crc32_update(uint32_t reg, const uint8_t* data, size_t size) {
    if (size >= 64 && crc32_folding_available()) return crc32_update_folded(reg, data, size);
    return crc32_update_table(reg, data, size);
}
