#include "core/Blake3Kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include "core/Blake3Lanes.h"

// Compiled with -mavx2 (core/CMakeLists.txt): the lane type's helpers and the shared body take
// the file's instructions without an attribute on each.
namespace quillon {
namespace {

struct Lanes8 {
    using T = __m256i;
    static constexpr int N = 8;
    static T Set1(std::uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    static T Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
    static void Store(void* p, T x) { _mm256_storeu_si256(static_cast<__m256i*>(p), x); }
    static T Add(T a, T b) { return _mm256_add_epi32(a, b); }
    static T Xor(T a, T b) { return _mm256_xor_si256(a, b); }
    // Byte-aligned rotates are one byte shuffle (within each 128-bit half).
    static T Ror16(T x) {
        return _mm256_shuffle_epi8(x, _mm256_broadcastsi128_si256(_mm_set_epi8(
                                          13, 12, 15, 14, 9, 8, 11, 10, 5, 4, 7, 6, 1, 0, 3, 2)));
    }
    static T Ror8(T x) {
        return _mm256_shuffle_epi8(x, _mm256_broadcastsi128_si256(_mm_set_epi8(
                                          12, 15, 14, 13, 8, 11, 10, 9, 4, 7, 6, 5, 0, 3, 2, 1)));
    }
    static T Ror12(T x) {
        return _mm256_or_si256(_mm256_srli_epi32(x, 12), _mm256_slli_epi32(x, 20));
    }
    static T Ror7(T x) {
        return _mm256_or_si256(_mm256_srli_epi32(x, 7), _mm256_slli_epi32(x, 25));
    }
    // Eight rows of eight words: pairs of rows interleaved by words, then by word pairs, then the
    // 128-bit halves exchanged.
    static void LoadMessage(T m[16], const unsigned char* p, std::size_t stride) {
        for (int h = 0; h < 2; ++h) {
            T r[8];
            for (int i = 0; i < 8; ++i)
                r[i] = Load(p + i * stride + 32 * h);
            T a[8], b[8];
            for (int i = 0; i < 4; ++i) {
                a[2 * i] = _mm256_unpacklo_epi32(r[2 * i], r[2 * i + 1]);
                a[2 * i + 1] = _mm256_unpackhi_epi32(r[2 * i], r[2 * i + 1]);
            }
            for (int i = 0; i < 2; ++i) {
                // Rows 4i..4i+3: words 0|4, 1|5, 2|6, 3|7 in the two halves.
                b[4 * i] = _mm256_unpacklo_epi64(a[4 * i], a[4 * i + 2]);
                b[4 * i + 1] = _mm256_unpackhi_epi64(a[4 * i], a[4 * i + 2]);
                b[4 * i + 2] = _mm256_unpacklo_epi64(a[4 * i + 1], a[4 * i + 3]);
                b[4 * i + 3] = _mm256_unpackhi_epi64(a[4 * i + 1], a[4 * i + 3]);
            }
            for (int j = 0; j < 4; ++j) {
                m[8 * h + j] = _mm256_permute2x128_si256(b[j], b[4 + j], 0x20);
                m[8 * h + 4 + j] = _mm256_permute2x128_si256(b[j], b[4 + j], 0x31);
            }
        }
    }
};

} // namespace

void Blake3HashAvx2(const Blake3Job& job, unsigned char* out) {
    HashLanes<Lanes8>(job, out);
}

} // namespace quillon

#endif
