#include "core/ShaKernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

// The rounds are one long chain on general registers (with BMI's rorx and andn); the message
// schedule is independent of it, so the vector unit computes it for two blocks at once (one per
// 128-bit half) beside them: a quarter of the work off the chain's ports.
#define QUILLON_SHA512_TARGET __attribute__((target("avx2,bmi,bmi2")))

namespace quillon {
namespace {

template <int R>
QUILLON_SHA512_TARGET inline __attribute__((always_inline)) __m256i Ror(__m256i x) {
    return _mm256_or_si256(_mm256_srli_epi64(x, R), _mm256_slli_epi64(x, 64 - R));
}

QUILLON_SHA512_TARGET inline __attribute__((always_inline)) __m256i Small0(__m256i x) {
    return _mm256_xor_si256(_mm256_xor_si256(Ror<1>(x), Ror<8>(x)), _mm256_srli_epi64(x, 7));
}

QUILLON_SHA512_TARGET inline __attribute__((always_inline)) __m256i Small1(__m256i x) {
    return _mm256_xor_si256(_mm256_xor_si256(Ror<19>(x), Ror<61>(x)), _mm256_srli_epi64(x, 6));
}

} // namespace
} // namespace quillon

#include "core/Sha512Vector.h"

namespace quillon {

QUILLON_SHA512_TARGET void Sha512BlocksAvx2(std::uint64_t state[8], const unsigned char* p,
                                            std::size_t blocks) {
    VectorBlocks(state, p, blocks);
}

} // namespace quillon

#endif
