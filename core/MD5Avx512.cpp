#include "core/MD5Kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include <cstring>

// One stream in lane 0 of four XMM registers: MD5 is one long dependency chain, and the EVEX
// forms do each step's function in one vpternlogd and its rotate in one vprold, one cycle each,
// where scalar code needs two or three instructions in a row for F and I. Only 128-bit registers
// are used, so no spill ever needs the 32- or 64-byte stack alignment that MinGW cannot give.
#define QUILLON_MD5_TARGET __attribute__((target("avx512f,avx512vl")))

namespace quillon {
namespace {

using namespace md5ternary;

inline std::uint32_t Word(const unsigned char* p, int i) {
    std::uint32_t v;
    std::memcpy(&v, p + 4 * i, 4);
    return v;
}

template <int Fn, int S>
QUILLON_MD5_TARGET inline __attribute__((always_inline)) void
Step(__m128i& a, __m128i b, __m128i c, __m128i d, std::uint32_t x, std::uint32_t k) {
    // The word and constant go in first: a is ready well before the step needs it. The empty asm
    // keeps the compiler from reassociating the sum so that they land on the critical path.
    a = _mm_add_epi32(a, _mm_cvtsi32_si128(static_cast<int>(x + k)));
    __asm__("" : "+v"(a));
    a = _mm_add_epi32(a, _mm_ternarylogic_epi32(b, c, d, Fn));
    a = _mm_add_epi32(_mm_rol_epi32(a, S), b);
}

} // namespace

QUILLON_MD5_TARGET void Md5BlocksAvx512(std::uint32_t state[4], const unsigned char* p,
                                        std::size_t blocks) {
    __m128i a = _mm_cvtsi32_si128(static_cast<int>(state[0]));
    __m128i b = _mm_cvtsi32_si128(static_cast<int>(state[1]));
    __m128i c = _mm_cvtsi32_si128(static_cast<int>(state[2]));
    __m128i d = _mm_cvtsi32_si128(static_cast<int>(state[3]));
    for (; blocks != 0; --blocks, p += 64) {
        const __m128i aa = a, bb = b, cc = c, dd = d;

        Step<F, 7>(a, b, c, d, Word(p, 0), 0xd76aa478);
        Step<F, 12>(d, a, b, c, Word(p, 1), 0xe8c7b756);
        Step<F, 17>(c, d, a, b, Word(p, 2), 0x242070db);
        Step<F, 22>(b, c, d, a, Word(p, 3), 0xc1bdceee);
        Step<F, 7>(a, b, c, d, Word(p, 4), 0xf57c0faf);
        Step<F, 12>(d, a, b, c, Word(p, 5), 0x4787c62a);
        Step<F, 17>(c, d, a, b, Word(p, 6), 0xa8304613);
        Step<F, 22>(b, c, d, a, Word(p, 7), 0xfd469501);
        Step<F, 7>(a, b, c, d, Word(p, 8), 0x698098d8);
        Step<F, 12>(d, a, b, c, Word(p, 9), 0x8b44f7af);
        Step<F, 17>(c, d, a, b, Word(p, 10), 0xffff5bb1);
        Step<F, 22>(b, c, d, a, Word(p, 11), 0x895cd7be);
        Step<F, 7>(a, b, c, d, Word(p, 12), 0x6b901122);
        Step<F, 12>(d, a, b, c, Word(p, 13), 0xfd987193);
        Step<F, 17>(c, d, a, b, Word(p, 14), 0xa679438e);
        Step<F, 22>(b, c, d, a, Word(p, 15), 0x49b40821);

        Step<G, 5>(a, b, c, d, Word(p, 1), 0xf61e2562);
        Step<G, 9>(d, a, b, c, Word(p, 6), 0xc040b340);
        Step<G, 14>(c, d, a, b, Word(p, 11), 0x265e5a51);
        Step<G, 20>(b, c, d, a, Word(p, 0), 0xe9b6c7aa);
        Step<G, 5>(a, b, c, d, Word(p, 5), 0xd62f105d);
        Step<G, 9>(d, a, b, c, Word(p, 10), 0x02441453);
        Step<G, 14>(c, d, a, b, Word(p, 15), 0xd8a1e681);
        Step<G, 20>(b, c, d, a, Word(p, 4), 0xe7d3fbc8);
        Step<G, 5>(a, b, c, d, Word(p, 9), 0x21e1cde6);
        Step<G, 9>(d, a, b, c, Word(p, 14), 0xc33707d6);
        Step<G, 14>(c, d, a, b, Word(p, 3), 0xf4d50d87);
        Step<G, 20>(b, c, d, a, Word(p, 8), 0x455a14ed);
        Step<G, 5>(a, b, c, d, Word(p, 13), 0xa9e3e905);
        Step<G, 9>(d, a, b, c, Word(p, 2), 0xfcefa3f8);
        Step<G, 14>(c, d, a, b, Word(p, 7), 0x676f02d9);
        Step<G, 20>(b, c, d, a, Word(p, 12), 0x8d2a4c8a);

        Step<H, 4>(a, b, c, d, Word(p, 5), 0xfffa3942);
        Step<H, 11>(d, a, b, c, Word(p, 8), 0x8771f681);
        Step<H, 16>(c, d, a, b, Word(p, 11), 0x6d9d6122);
        Step<H, 23>(b, c, d, a, Word(p, 14), 0xfde5380c);
        Step<H, 4>(a, b, c, d, Word(p, 1), 0xa4beea44);
        Step<H, 11>(d, a, b, c, Word(p, 4), 0x4bdecfa9);
        Step<H, 16>(c, d, a, b, Word(p, 7), 0xf6bb4b60);
        Step<H, 23>(b, c, d, a, Word(p, 10), 0xbebfbc70);
        Step<H, 4>(a, b, c, d, Word(p, 13), 0x289b7ec6);
        Step<H, 11>(d, a, b, c, Word(p, 0), 0xeaa127fa);
        Step<H, 16>(c, d, a, b, Word(p, 3), 0xd4ef3085);
        Step<H, 23>(b, c, d, a, Word(p, 6), 0x04881d05);
        Step<H, 4>(a, b, c, d, Word(p, 9), 0xd9d4d039);
        Step<H, 11>(d, a, b, c, Word(p, 12), 0xe6db99e5);
        Step<H, 16>(c, d, a, b, Word(p, 15), 0x1fa27cf8);
        Step<H, 23>(b, c, d, a, Word(p, 2), 0xc4ac5665);

        Step<I, 6>(a, b, c, d, Word(p, 0), 0xf4292244);
        Step<I, 10>(d, a, b, c, Word(p, 7), 0x432aff97);
        Step<I, 15>(c, d, a, b, Word(p, 14), 0xab9423a7);
        Step<I, 21>(b, c, d, a, Word(p, 5), 0xfc93a039);
        Step<I, 6>(a, b, c, d, Word(p, 12), 0x655b59c3);
        Step<I, 10>(d, a, b, c, Word(p, 3), 0x8f0ccc92);
        Step<I, 15>(c, d, a, b, Word(p, 10), 0xffeff47d);
        Step<I, 21>(b, c, d, a, Word(p, 1), 0x85845dd1);
        Step<I, 6>(a, b, c, d, Word(p, 8), 0x6fa87e4f);
        Step<I, 10>(d, a, b, c, Word(p, 15), 0xfe2ce6e0);
        Step<I, 15>(c, d, a, b, Word(p, 6), 0xa3014314);
        Step<I, 21>(b, c, d, a, Word(p, 13), 0x4e0811a1);
        Step<I, 6>(a, b, c, d, Word(p, 4), 0xf7537e82);
        Step<I, 10>(d, a, b, c, Word(p, 11), 0xbd3af235);
        Step<I, 15>(c, d, a, b, Word(p, 2), 0x2ad7d2bb);
        Step<I, 21>(b, c, d, a, Word(p, 9), 0xeb86d391);

        a = _mm_add_epi32(a, aa);
        b = _mm_add_epi32(b, bb);
        c = _mm_add_epi32(c, cc);
        d = _mm_add_epi32(d, dd);
    }
    state[0] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(a));
    state[1] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(b));
    state[2] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(c));
    state[3] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(d));
}

} // namespace quillon

#endif
