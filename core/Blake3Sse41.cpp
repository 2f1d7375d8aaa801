#include "core/Blake3Kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include "core/Blake3Lanes.h"

// Compiled with -msse4.1 (core/CMakeLists.txt): the lane type's helpers and the shared body take
// the file's instructions without an attribute on each.
namespace quillon {
namespace {

struct Lanes4 {
    using T = __m128i;
    static constexpr int N = 4;
    static T Set1(std::uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
    static T Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
    static void Store(void* p, T x) { _mm_storeu_si128(static_cast<__m128i*>(p), x); }
    static T Add(T a, T b) { return _mm_add_epi32(a, b); }
    static T Xor(T a, T b) { return _mm_xor_si128(a, b); }
    // Byte-aligned rotates are one byte shuffle.
    static T Ror16(T x) {
        return _mm_shuffle_epi8(x,
                                _mm_set_epi8(13, 12, 15, 14, 9, 8, 11, 10, 5, 4, 7, 6, 1, 0, 3, 2));
    }
    static T Ror8(T x) {
        return _mm_shuffle_epi8(x,
                                _mm_set_epi8(12, 15, 14, 13, 8, 11, 10, 9, 4, 7, 6, 5, 0, 3, 2, 1));
    }
    static T Ror12(T x) { return _mm_or_si128(_mm_srli_epi32(x, 12), _mm_slli_epi32(x, 20)); }
    static T Ror7(T x) { return _mm_or_si128(_mm_srli_epi32(x, 7), _mm_slli_epi32(x, 25)); }
    static void LoadMessage(T m[16], const unsigned char* p, std::size_t stride) {
        for (int g = 0; g < 4; ++g) {
            const T r0 = Load(p + 16 * g), r1 = Load(p + stride + 16 * g),
                    r2 = Load(p + 2 * stride + 16 * g), r3 = Load(p + 3 * stride + 16 * g);
            const T t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
            const T t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
            m[4 * g] = _mm_unpacklo_epi64(t0, t1);
            m[4 * g + 1] = _mm_unpackhi_epi64(t0, t1);
            m[4 * g + 2] = _mm_unpacklo_epi64(t2, t3);
            m[4 * g + 3] = _mm_unpackhi_epi64(t2, t3);
        }
    }
};

} // namespace

void Blake3HashSse41(const Blake3Job& job, unsigned char* out) {
    HashLanes<Lanes4>(job, out);
}

} // namespace quillon

#endif
