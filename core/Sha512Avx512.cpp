#include "core/ShaKernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

// As Sha512Avx2.cpp, with the rotates and three-way XORs of AVX-512VL: the schedule costs half
// the vector instructions, and a sibling thread on the same core feels every one of them. Only
// 256-bit registers are used.
#define QUILLON_SHA512_TARGET __attribute__((target("avx512f,avx512vl,avx2,bmi,bmi2")))

namespace quillon {
namespace {

QUILLON_SHA512_TARGET inline __attribute__((always_inline)) __m256i Small0(__m256i x) {
    return _mm256_ternarylogic_epi64(_mm256_ror_epi64(x, 1), _mm256_ror_epi64(x, 8),
                                     _mm256_srli_epi64(x, 7), 0x96);
}

QUILLON_SHA512_TARGET inline __attribute__((always_inline)) __m256i Small1(__m256i x) {
    return _mm256_ternarylogic_epi64(_mm256_ror_epi64(x, 19), _mm256_ror_epi64(x, 61),
                                     _mm256_srli_epi64(x, 6), 0x96);
}

} // namespace
} // namespace quillon

#include "core/Sha512Vector.h"

namespace quillon {

QUILLON_SHA512_TARGET void Sha512BlocksAvx512(std::uint64_t state[8], const unsigned char* p,
                                              std::size_t blocks) {
    VectorBlocks(state, p, blocks);
}

} // namespace quillon

#endif
