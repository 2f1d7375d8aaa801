#pragma once
// The body of the vector SHA-512 paths, included by Sha512Avx2.cpp and Sha512Avx512.cpp after
// they define QUILLON_SHA512_TARGET and Small0/Small1 (sigma0 and sigma1 of FIPS 180-4 on four
// words, each with its own instructions). Internal linkage: each file keeps its own copy.
#include "core/Sha512Rounds.h"
#include "core/ShaKernels.h"

#include <immintrin.h>

namespace quillon {
namespace {

// The schedule of two blocks, one per 128-bit half: words 2j and 2j + 1 of both in x[j & 7]
// until pair j + 8 replaces them. Written out as words plus round constants, per block.
struct Schedule2 {
    __m256i x[8];
    const unsigned char *a, *b;
    std::uint64_t *wkA, *wkB;
};

QUILLON_SHA512_TARGET inline __attribute__((always_inline)) void Store(Schedule2& s, __m256i x,
                                                                       int j) {
    const __m256i k = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(Sha512K + 2 * j)));
    const __m256i wk = _mm256_add_epi64(x, k);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s.wkA + 2 * j), _mm256_castsi256_si128(wk));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s.wkB + 2 * j), _mm256_extracti128_si256(wk, 1));
}

QUILLON_SHA512_TARGET inline __attribute__((always_inline)) void Load(Schedule2& s) {
    const __m256i swap =
        _mm256_broadcastsi128_si256(_mm_set_epi64x(0x08090a0b0c0d0e0f, 0x0001020304050607));
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.a + 16 * j));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.b + 16 * j));
        s.x[j] =
            _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1), swap);
        Store(s, s.x[j], j);
    }
}

// Pair j of the schedule; X = j % 8 is fixed at compile time so that x stays in registers while
// j, which only places the constants and the results, may vary.
template <int X>
QUILLON_SHA512_TARGET inline __attribute__((always_inline)) void Pair(Schedule2& s, int j) {
    const __m256i w15 = _mm256_alignr_epi8(s.x[(X + 1) & 7], s.x[X], 8);
    const __m256i w7 = _mm256_alignr_epi8(s.x[(X + 5) & 7], s.x[(X + 4) & 7], 8);
    const __m256i w2 = s.x[(X + 7) & 7];
    s.x[X] =
        _mm256_add_epi64(_mm256_add_epi64(s.x[X], Small0(w15)), _mm256_add_epi64(w7, Small1(w2)));
    Store(s, s.x[X], j);
}

// Pairs j to j + 3, j % 8 being X.
template <int X>
QUILLON_SHA512_TARGET inline __attribute__((always_inline)) void FourPairs(Schedule2& s, int j) {
    Pair<X>(s, j);
    Pair<(X + 1) & 7>(s, j + 1);
    Pair<(X + 2) & 7>(s, j + 2);
    Pair<(X + 3) & 7>(s, j + 3);
}

// The rounds of one block from wk with the schedule of the next pair of blocks in between, four
// pairs after every eight rounds (the load after the first eight). The loop body is sixteen
// rounds: a small loop stays in the decoded-instruction cache, which a sibling thread on the same
// core shares, where eighty unrolled rounds and their schedule did not.
QUILLON_SHA512_TARGET inline __attribute__((always_inline)) void
RoundsWithSchedule(std::uint64_t s[8], std::uint64_t& bc, const std::uint64_t* wk, Schedule2& n) {
    EightRounds512(s, wk, bc);
    Load(n);
    EightRounds512(s, wk + 8, bc);
    FourPairs<0>(n, 8);
#pragma GCC unroll 1
    for (int t = 16; t < 64; t += 16) {
        EightRounds512(s, wk + t, bc);
        FourPairs<4>(n, t / 2 + 4);
        EightRounds512(s, wk + t + 8, bc);
        FourPairs<0>(n, t / 2 + 8);
    }
    EightRounds512(s, wk + 64, bc);
    FourPairs<4>(n, 36);
    EightRounds512(s, wk + 72, bc);
}

QUILLON_SHA512_TARGET inline __attribute__((always_inline)) void
RollingRounds(std::uint64_t state[8], const std::uint64_t* wk) {
    std::uint64_t s[8];
    for (int i = 0; i < 8; ++i)
        s[i] = state[i];
    std::uint64_t bc = s[1] ^ s[2];
#pragma GCC unroll 1
    for (int t = 0; t < 80; t += 8)
        EightRounds512(s, wk + t, bc);
    for (int i = 0; i < 8; ++i)
        state[i] += s[i];
}

// The schedule of each pair of blocks is a chain of 32 steps that the rounds do not wait for: it
// is computed a few steps at a time between the rounds of the pair before, where the vector unit
// works beside the general registers instead of holding them up.
QUILLON_SHA512_TARGET inline void VectorBlocks(std::uint64_t state[8], const unsigned char* p,
                                               std::size_t blocks) {
    if (blocks == 0)
        return;
    alignas(32) std::uint64_t wk[2][2][80];
    int cur = 0;
    {
        Schedule2 first{{}, p, blocks >= 2 ? p + 128 : p, wk[0][0], wk[0][1]};
        Load(first);
        for (int j = 8; j < 40; j += 8) {
            FourPairs<0>(first, j);
            FourPairs<4>(first, j + 4);
        }
    }
    for (;;) {
        const std::size_t step = blocks >= 2 ? 2 : 1, left = blocks - step;
        const unsigned char* next = p + 128 * step;
        if (left != 0) {
            std::uint64_t s[8];
            for (int i = 0; i < 8; ++i)
                s[i] = state[i];
            std::uint64_t bc = s[1] ^ s[2];
            Schedule2 n{{}, next, left >= 2 ? next + 128 : next, wk[1 - cur][0], wk[1 - cur][1]};
            RoundsWithSchedule(s, bc, wk[cur][0], n);
            for (int i = 0; i < 8; ++i)
                state[i] += s[i];
        } else {
            RollingRounds(state, wk[cur][0]);
        }
        if (step == 2)
            RollingRounds(state, wk[cur][1]);
        if (left == 0)
            return;
        blocks = left;
        p = next;
        cur = 1 - cur;
    }
}

} // namespace
} // namespace quillon
