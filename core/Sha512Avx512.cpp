#include "core/ShaKernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include "core/Sha512Rounds.h"

#include <immintrin.h>

// As Sha512Avx2.cpp, with the rotates and three-way XORs of AVX-512VL: the schedule costs half
// the vector instructions, and a sibling thread on the same core feels every one of them. Only
// 256-bit registers are used.
#define QUILLON_SHA512_TARGET __attribute__((target("avx512f,avx512vl,avx2,bmi,bmi2")))

namespace quillon {
namespace {

// sigma0 and sigma1 of FIPS 180-4 on four words.
QUILLON_SHA512_TARGET inline __attribute__((always_inline)) __m256i Small0(__m256i x) {
    return _mm256_ternarylogic_epi64(_mm256_ror_epi64(x, 1), _mm256_ror_epi64(x, 8),
                                     _mm256_srli_epi64(x, 7), 0x96);
}

QUILLON_SHA512_TARGET inline __attribute__((always_inline)) __m256i Small1(__m256i x) {
    return _mm256_ternarylogic_epi64(_mm256_ror_epi64(x, 19), _mm256_ror_epi64(x, 61),
                                     _mm256_srli_epi64(x, 6), 0x96);
}

// Words t and t + 1 plus their round constants, of both blocks.
QUILLON_SHA512_TARGET inline __attribute__((always_inline)) void
Store(int t, __m256i w, std::uint64_t* wkA, std::uint64_t* wkB) {
    const __m256i k = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(Sha512K + t)));
    const __m256i wk = _mm256_add_epi64(w, k);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(wkA + t), _mm256_castsi256_si128(wk));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(wkB + t), _mm256_extracti128_si256(wk, 1));
}

// The schedule words plus round constants of the blocks a and b, into wkA and wkB.
QUILLON_SHA512_TARGET inline __attribute__((always_inline)) void
Schedule(const unsigned char* a, const unsigned char* b, std::uint64_t* wkA, std::uint64_t* wkB) {
    const __m256i swap = _mm256_broadcastsi128_si256(
        _mm_set_epi64x(0x08090a0b0c0d0e0f, 0x0001020304050607));
    __m256i x[8];
    for (int j = 0; j < 8; ++j) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * j));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * j));
        x[j] = _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1),
                                   swap);
        Store(2 * j, x[j], wkA, wkB);
    }
    // x[j & 7] holds words 2j-16 and 2j-15 until pair j replaces them.
#pragma GCC unroll 32
    for (int j = 8; j < 40; ++j) {
        const __m256i w15 = _mm256_alignr_epi8(x[(j + 1) & 7], x[j & 7], 8);
        const __m256i w7 = _mm256_alignr_epi8(x[(j + 5) & 7], x[(j + 4) & 7], 8);
        const __m256i w2 = x[(j + 7) & 7];
        const __m256i s0 = Small0(w15);
        const __m256i s1 = Small1(w2);
        x[j & 7] = _mm256_add_epi64(_mm256_add_epi64(x[j & 7], s0), _mm256_add_epi64(w7, s1));
        Store(2 * j, x[j & 7], wkA, wkB);
    }
}

} // namespace

QUILLON_SHA512_TARGET void Sha512BlocksAvx512(std::uint64_t state[8], const unsigned char* p,
                                            std::size_t blocks) {
    alignas(32) std::uint64_t wk[2][80];
    for (; blocks >= 2; blocks -= 2, p += 256) {
        Schedule(p, p + 128, wk[0], wk[1]);
        // The rounds take their words from memory as operands of their adds: cheaper than the
        // moves from vector registers the compiler would otherwise make.
        __asm__ volatile("" : : "r"(wk) : "memory");
        Rounds512(state, wk[0]);
        Rounds512(state, wk[1]);
    }
    if (blocks != 0) {
        Schedule(p, p, wk[0], wk[1]);
        Rounds512(state, wk[0]);
    }
}

} // namespace quillon

#endif
