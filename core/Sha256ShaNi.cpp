#include "core/ShaKernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include <utility>

// sha256rnds2 does two rounds on the state split as ABEF and CDGH; sha256msg1 and sha256msg2
// extend the schedule four words at a time.
#define QUILLON_SHA_TARGET __attribute__((target("sha,sse4.1")))

namespace quillon {
namespace {

struct Rounds {
    __m128i abef, cdgh;
    __m128i m[4];
};

// Four rounds, group G of sixteen: its words are made from those of the four groups before.
template <int G> QUILLON_SHA_TARGET inline __attribute__((always_inline)) void Group(Rounds& r) {
    __m128i& m = r.m[G & 3];
    if constexpr (G >= 4) {
        const __m128i w7 = _mm_alignr_epi8(r.m[(G + 3) & 3], r.m[(G + 2) & 3], 4);
        m = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(m, r.m[(G + 1) & 3]), w7),
                                 r.m[(G + 3) & 3]);
    }
    __m128i wk =
        _mm_add_epi32(m, _mm_loadu_si128(reinterpret_cast<const __m128i*>(Sha256K + 4 * G)));
    // Each pair of rounds leaves the old ABEF as the new CDGH: the two names swap roles.
    r.cdgh = _mm_sha256rnds2_epu32(r.cdgh, r.abef, wk);
    wk = _mm_shuffle_epi32(wk, 0x0E);
    r.abef = _mm_sha256rnds2_epu32(r.abef, r.cdgh, wk);
}

template <int... G>
QUILLON_SHA_TARGET inline __attribute__((always_inline)) void
AllGroups(Rounds& r, std::integer_sequence<int, G...>) {
    (Group<G>(r), ...);
}

} // namespace

QUILLON_SHA_TARGET void Sha256BlocksShaNi(std::uint32_t state[8], const unsigned char* p,
                                          std::size_t blocks) {
    const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0b, 0x0405060700010203);
    // The state as the instructions take it: a b c d, e f g h -> f e b a, h g d c.
    const __m128i lo =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    const __m128i hi =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i abef = _mm_alignr_epi8(lo, hi, 8);
    __m128i cdgh = _mm_blend_epi16(hi, lo, 0xF0);
    for (; blocks != 0; --blocks, p += 64) {
        Rounds r;
        r.abef = abef;
        r.cdgh = cdgh;
        for (int i = 0; i < 4; ++i)
            r.m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)),
                                      swap);
        AllGroups(r, std::make_integer_sequence<int, 16>());
        abef = _mm_add_epi32(r.abef, abef);
        cdgh = _mm_add_epi32(r.cdgh, cdgh);
    }
    // And back: a b e f and g h c d give a b c d and e f g h.
    const __m128i abfe = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i ghcd = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(abfe, ghcd, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(ghcd, abfe, 8));
}

} // namespace quillon

#endif
