#include "core/ShaKernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include <utility>

// sha1rnds4 does four rounds of one function in one instruction; sha1nexte derives the next E
// from A of four rounds before; sha1msg1 and sha1msg2 extend the schedule four words at a time.
// Words sit with the first of four in the high lane, as the instructions want them.
#define QUILLON_SHA_TARGET __attribute__((target("sha,sse4.1")))

namespace quillon {
namespace {

struct Rounds {
    __m128i abcd, prev, e;
    __m128i m[4];
};

// Four rounds, group G of twenty: its words are made from those of the four groups before.
template <int G> QUILLON_SHA_TARGET inline __attribute__((always_inline)) void Group(Rounds& r) {
    __m128i& m = r.m[G & 3];
    if constexpr (G >= 4)
        m = _mm_sha1msg2_epu32(
            _mm_xor_si128(_mm_sha1msg1_epu32(m, r.m[(G + 1) & 3]), r.m[(G + 2) & 3]),
            r.m[(G + 3) & 3]);
    if constexpr (G == 0)
        r.e = _mm_add_epi32(r.e, m);
    else
        r.e = _mm_sha1nexte_epu32(r.prev, m);
    r.prev = r.abcd;
    r.abcd = _mm_sha1rnds4_epu32(r.abcd, r.e, G / 5);
}

template <int... G>
QUILLON_SHA_TARGET inline __attribute__((always_inline)) void
AllGroups(Rounds& r, std::integer_sequence<int, G...>) {
    (Group<G>(r), ...);
}

} // namespace

QUILLON_SHA_TARGET void Sha1BlocksShaNi(std::uint32_t state[5], const unsigned char* p,
                                        std::size_t blocks) {
    // Reverses all sixteen bytes: big-endian words, the first in the high lane.
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607, 0x08090a0b0c0d0e0f);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; blocks != 0; --blocks, p += 64) {
        Rounds r;
        r.abcd = abcd;
        r.e = e;
        for (int i = 0; i < 4; ++i)
            r.m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)),
                                      reverse);
        AllGroups(r, std::make_integer_sequence<int, 20>());
        e = _mm_sha1nexte_epu32(r.prev, e);
        abcd = _mm_add_epi32(r.abcd, abcd);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
}

} // namespace quillon

#endif
