#include "core/MD5Kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

// GCC 12 takes the undefined upper half inside _mm512_set1_epi32 for an uninitialised read.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <cstdint>
#include <cstring>

// Sixteen messages in the sixteen lanes of a 512-bit register. Each lane still waits on its own
// chain, but one vpternlogd, one vprold and four adds now advance sixteen of them. MinGW cannot
// align the stack for 512-bit spills; its build assembles aligned moves as unaligned ones.
#define QUILLON_MD5_MANY_TARGET __attribute__((target("avx512f")))

namespace quillon {
namespace {

using namespace md5ternary;

template <int Fn, int S>
QUILLON_MD5_MANY_TARGET inline __attribute__((always_inline)) void
Step(__m512i& a, __m512i b, __m512i c, __m512i d, __m512i x, std::uint32_t k) {
    a = _mm512_add_epi32(a, _mm512_add_epi32(x, _mm512_set1_epi32(static_cast<int>(k))));
    a = _mm512_add_epi32(a, _mm512_ternarylogic_epi32(b, c, d, Fn));
    a = _mm512_add_epi32(_mm512_rol_epi32(a, S), b);
}

// Row r holds the 16 words of lane r's block; afterwards m[w] holds word w of every lane.
QUILLON_MD5_MANY_TARGET inline __attribute__((always_inline)) void
Transpose(const unsigned char* const rows[16], __m512i m[16]) {
    __m512i t[16], u[16];
    for (int i = 0; i < 8; ++i) {
        const __m512i r0 = _mm512_loadu_si512(rows[2 * i]);
        const __m512i r1 = _mm512_loadu_si512(rows[2 * i + 1]);
        t[2 * i] = _mm512_unpacklo_epi32(r0, r1);
        t[2 * i + 1] = _mm512_unpackhi_epi32(r0, r1);
    }
    // u[4i + j], 128-bit part k: word 4k + j of rows 4i to 4i + 3.
    for (int i = 0; i < 4; ++i) {
        u[4 * i] = _mm512_unpacklo_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 1] = _mm512_unpackhi_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 2] = _mm512_unpacklo_epi64(t[4 * i + 1], t[4 * i + 3]);
        u[4 * i + 3] = _mm512_unpackhi_epi64(t[4 * i + 1], t[4 * i + 3]);
    }
    for (int j = 0; j < 4; ++j) {
        const __m512i v0 = _mm512_shuffle_i32x4(u[j], u[4 + j], 0x44);
        const __m512i v1 = _mm512_shuffle_i32x4(u[j], u[4 + j], 0xEE);
        const __m512i v2 = _mm512_shuffle_i32x4(u[8 + j], u[12 + j], 0x44);
        const __m512i v3 = _mm512_shuffle_i32x4(u[8 + j], u[12 + j], 0xEE);
        m[j] = _mm512_shuffle_i32x4(v0, v2, 0x88);
        m[4 + j] = _mm512_shuffle_i32x4(v0, v2, 0xDD);
        m[8 + j] = _mm512_shuffle_i32x4(v1, v3, 0x88);
        m[12 + j] = _mm512_shuffle_i32x4(v1, v3, 0xDD);
    }
}

// A lane's message as blocks: the whole ones in place, then one or two padded ones of its own.
struct Lane {
    const unsigned char* data = nullptr;
    std::size_t wholeBlocks = 0;
    std::size_t blocks = 0; // with padding; 0 for an unused lane
    unsigned char tail[128];

    const unsigned char* Block(std::size_t i) const {
        return i < wholeBlocks ? data + 64 * i : tail + 64 * (i - wholeBlocks);
    }
};

void PrepareLane(Lane& lane, const unsigned char* data, std::size_t length) {
    lane.data = data;
    lane.wholeBlocks = length / 64;
    const std::size_t rest = length % 64;
    const std::size_t tailBlocks = rest < 56 ? 1 : 2;
    lane.blocks = lane.wholeBlocks + tailBlocks;
    std::memset(lane.tail, 0, sizeof lane.tail);
    if (rest != 0)
        std::memcpy(lane.tail, data + 64 * lane.wholeBlocks, rest);
    lane.tail[rest] = 0x80;
    std::uint64_t bits = static_cast<std::uint64_t>(length) << 3;
    unsigned char* end = lane.tail + 64 * tailBlocks - 8;
    for (int i = 0; i < 8; ++i, bits >>= 8)
        end[i] = static_cast<unsigned char>(bits);
}

} // namespace

QUILLON_MD5_MANY_TARGET void Md5ManyAvx512(const unsigned char* const messages[],
                                           const std::size_t lengths[], std::size_t count,
                                           unsigned char digests[][16]) {
    static const unsigned char idle[64] = {};
    Lane lanes[16];
    std::size_t most = 0;
    for (std::size_t l = 0; l < count; ++l) {
        PrepareLane(lanes[l], messages[l], lengths[l]);
        if (lanes[l].blocks > most)
            most = lanes[l].blocks;
    }

    __m512i a = _mm512_set1_epi32(0x67452301);
    __m512i b = _mm512_set1_epi32(static_cast<int>(0xefcdab89));
    __m512i c = _mm512_set1_epi32(static_cast<int>(0x98badcfe));
    __m512i d = _mm512_set1_epi32(0x10325476);
    const unsigned char* rows[16];
    for (std::size_t block = 0; block < most; ++block) {
        unsigned active = 0;
        for (std::size_t l = 0; l < 16; ++l) {
            if (block < lanes[l].blocks) {
                rows[l] = lanes[l].Block(block);
                active |= 1u << l;
            } else {
                rows[l] = idle;
            }
        }
        __m512i m[16];
        Transpose(rows, m);
        const __m512i aa = a, bb = b, cc = c, dd = d;

        Step<F, 7>(a, b, c, d, m[0], 0xd76aa478);
        Step<F, 12>(d, a, b, c, m[1], 0xe8c7b756);
        Step<F, 17>(c, d, a, b, m[2], 0x242070db);
        Step<F, 22>(b, c, d, a, m[3], 0xc1bdceee);
        Step<F, 7>(a, b, c, d, m[4], 0xf57c0faf);
        Step<F, 12>(d, a, b, c, m[5], 0x4787c62a);
        Step<F, 17>(c, d, a, b, m[6], 0xa8304613);
        Step<F, 22>(b, c, d, a, m[7], 0xfd469501);
        Step<F, 7>(a, b, c, d, m[8], 0x698098d8);
        Step<F, 12>(d, a, b, c, m[9], 0x8b44f7af);
        Step<F, 17>(c, d, a, b, m[10], 0xffff5bb1);
        Step<F, 22>(b, c, d, a, m[11], 0x895cd7be);
        Step<F, 7>(a, b, c, d, m[12], 0x6b901122);
        Step<F, 12>(d, a, b, c, m[13], 0xfd987193);
        Step<F, 17>(c, d, a, b, m[14], 0xa679438e);
        Step<F, 22>(b, c, d, a, m[15], 0x49b40821);

        Step<G, 5>(a, b, c, d, m[1], 0xf61e2562);
        Step<G, 9>(d, a, b, c, m[6], 0xc040b340);
        Step<G, 14>(c, d, a, b, m[11], 0x265e5a51);
        Step<G, 20>(b, c, d, a, m[0], 0xe9b6c7aa);
        Step<G, 5>(a, b, c, d, m[5], 0xd62f105d);
        Step<G, 9>(d, a, b, c, m[10], 0x02441453);
        Step<G, 14>(c, d, a, b, m[15], 0xd8a1e681);
        Step<G, 20>(b, c, d, a, m[4], 0xe7d3fbc8);
        Step<G, 5>(a, b, c, d, m[9], 0x21e1cde6);
        Step<G, 9>(d, a, b, c, m[14], 0xc33707d6);
        Step<G, 14>(c, d, a, b, m[3], 0xf4d50d87);
        Step<G, 20>(b, c, d, a, m[8], 0x455a14ed);
        Step<G, 5>(a, b, c, d, m[13], 0xa9e3e905);
        Step<G, 9>(d, a, b, c, m[2], 0xfcefa3f8);
        Step<G, 14>(c, d, a, b, m[7], 0x676f02d9);
        Step<G, 20>(b, c, d, a, m[12], 0x8d2a4c8a);

        Step<H, 4>(a, b, c, d, m[5], 0xfffa3942);
        Step<H, 11>(d, a, b, c, m[8], 0x8771f681);
        Step<H, 16>(c, d, a, b, m[11], 0x6d9d6122);
        Step<H, 23>(b, c, d, a, m[14], 0xfde5380c);
        Step<H, 4>(a, b, c, d, m[1], 0xa4beea44);
        Step<H, 11>(d, a, b, c, m[4], 0x4bdecfa9);
        Step<H, 16>(c, d, a, b, m[7], 0xf6bb4b60);
        Step<H, 23>(b, c, d, a, m[10], 0xbebfbc70);
        Step<H, 4>(a, b, c, d, m[13], 0x289b7ec6);
        Step<H, 11>(d, a, b, c, m[0], 0xeaa127fa);
        Step<H, 16>(c, d, a, b, m[3], 0xd4ef3085);
        Step<H, 23>(b, c, d, a, m[6], 0x04881d05);
        Step<H, 4>(a, b, c, d, m[9], 0xd9d4d039);
        Step<H, 11>(d, a, b, c, m[12], 0xe6db99e5);
        Step<H, 16>(c, d, a, b, m[15], 0x1fa27cf8);
        Step<H, 23>(b, c, d, a, m[2], 0xc4ac5665);

        Step<I, 6>(a, b, c, d, m[0], 0xf4292244);
        Step<I, 10>(d, a, b, c, m[7], 0x432aff97);
        Step<I, 15>(c, d, a, b, m[14], 0xab9423a7);
        Step<I, 21>(b, c, d, a, m[5], 0xfc93a039);
        Step<I, 6>(a, b, c, d, m[12], 0x655b59c3);
        Step<I, 10>(d, a, b, c, m[3], 0x8f0ccc92);
        Step<I, 15>(c, d, a, b, m[10], 0xffeff47d);
        Step<I, 21>(b, c, d, a, m[1], 0x85845dd1);
        Step<I, 6>(a, b, c, d, m[8], 0x6fa87e4f);
        Step<I, 10>(d, a, b, c, m[15], 0xfe2ce6e0);
        Step<I, 15>(c, d, a, b, m[6], 0xa3014314);
        Step<I, 21>(b, c, d, a, m[13], 0x4e0811a1);
        Step<I, 6>(a, b, c, d, m[4], 0xf7537e82);
        Step<I, 10>(d, a, b, c, m[11], 0xbd3af235);
        Step<I, 15>(c, d, a, b, m[2], 0x2ad7d2bb);
        Step<I, 21>(b, c, d, a, m[9], 0xeb86d391);

        // A lane whose message has ended keeps its result.
        const __mmask16 live = static_cast<__mmask16>(active);
        a = _mm512_mask_add_epi32(aa, live, a, aa);
        b = _mm512_mask_add_epi32(bb, live, b, bb);
        c = _mm512_mask_add_epi32(cc, live, c, cc);
        d = _mm512_mask_add_epi32(dd, live, d, dd);
    }

    std::uint32_t state[4][16];
    _mm512_storeu_si512(state[0], a);
    _mm512_storeu_si512(state[1], b);
    _mm512_storeu_si512(state[2], c);
    _mm512_storeu_si512(state[3], d);
    for (std::size_t l = 0; l < count; ++l)
        for (int w = 0; w < 4; ++w)
            std::memcpy(digests[l] + 4 * w, &state[w][l], 4); // x86 stores the words as MD5 does
}

} // namespace quillon

#endif
