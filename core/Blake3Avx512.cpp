#include "core/Blake3Kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

// GCC 12's AVX-512 intrinsics start from an undefined vector, which it takes for uninitialised.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include "core/Blake3Lanes.h"

// Compiled with -mavx512f -mavx512vl (core/CMakeLists.txt): the lane type's helpers and the shared
// body take the file's instructions without an attribute on each. Every rotate is one vprord, and
// the 32 registers hold the sixteen state and sixteen message words of all lanes.
namespace quillon {
namespace {

struct Lanes16 {
    using T = __m512i;
    static constexpr int N = 16;
    static T Set1(std::uint32_t x) { return _mm512_set1_epi32(static_cast<int>(x)); }
    static T Load(const void* p) { return _mm512_loadu_si512(p); }
    static void Store(void* p, T x) { _mm512_storeu_si512(p, x); }
    static T Add(T a, T b) { return _mm512_add_epi32(a, b); }
    static T Xor(T a, T b) { return _mm512_xor_si512(a, b); }
    static T Ror16(T x) { return _mm512_ror_epi32(x, 16); }
    static T Ror12(T x) { return _mm512_ror_epi32(x, 12); }
    static T Ror8(T x) { return _mm512_ror_epi32(x, 8); }
    static T Ror7(T x) { return _mm512_ror_epi32(x, 7); }
    // Sixteen rows of sixteen words: within each 128-bit lane as four 4x4 transposes, then the
    // lanes exchanged.
    static void LoadMessage(T m[16], const unsigned char* p, std::size_t stride) {
        T r[16], a[16], b[16];
        for (int i = 0; i < 16; ++i)
            r[i] = Load(p + i * stride);
        for (int i = 0; i < 8; ++i) {
            a[2 * i] = _mm512_unpacklo_epi32(r[2 * i], r[2 * i + 1]);
            a[2 * i + 1] = _mm512_unpackhi_epi32(r[2 * i], r[2 * i + 1]);
        }
        // b[4g + j]: rows 4g..4g+3, word 4L + j in lane L.
        for (int g = 0; g < 4; ++g) {
            b[4 * g] = _mm512_unpacklo_epi64(a[4 * g], a[4 * g + 2]);
            b[4 * g + 1] = _mm512_unpackhi_epi64(a[4 * g], a[4 * g + 2]);
            b[4 * g + 2] = _mm512_unpacklo_epi64(a[4 * g + 1], a[4 * g + 3]);
            b[4 * g + 3] = _mm512_unpackhi_epi64(a[4 * g + 1], a[4 * g + 3]);
        }
        for (int j = 0; j < 4; ++j) {
            const T ab02 = _mm512_shuffle_i32x4(b[j], b[4 + j], 0x88);
            const T ab13 = _mm512_shuffle_i32x4(b[j], b[4 + j], 0xDD);
            const T cd02 = _mm512_shuffle_i32x4(b[8 + j], b[12 + j], 0x88);
            const T cd13 = _mm512_shuffle_i32x4(b[8 + j], b[12 + j], 0xDD);
            m[j] = _mm512_shuffle_i32x4(ab02, cd02, 0x88);
            m[8 + j] = _mm512_shuffle_i32x4(ab02, cd02, 0xDD);
            m[4 + j] = _mm512_shuffle_i32x4(ab13, cd13, 0x88);
            m[12 + j] = _mm512_shuffle_i32x4(ab13, cd13, 0xDD);
        }
    }
};

} // namespace

void Blake3HashAvx512(const Blake3Job& job, unsigned char* out) {
    HashLanes<Lanes16>(job, out);
}

} // namespace quillon

#endif
