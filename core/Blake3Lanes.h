#pragma once
#include "core/Blake3Kernels.h"

#include <cstring>
#include <utility>

// The body of the vector kernels, one input per lane, for the lane type V of the file that
// includes it (Blake3Sse41.cpp, Blake3Avx2.cpp, Blake3Avx512.cpp). Each of those files is compiled
// for its own instructions; internal linkage keeps every copy to its file, so that no code built
// for a wider unit can stand in for another's.
//
// V provides: T, N (lanes), Set1, Add, Xor, Ror16, Ror12, Ror8, Ror7, Store, and
// LoadMessage(m, p, stride): word j of the 64-byte blocks at p, p + stride, ... into m[j].
namespace quillon {
namespace {

template <class V>
inline __attribute__((always_inline)) void G(typename V::T& a, typename V::T& b, typename V::T& c,
                                             typename V::T& d, typename V::T x, typename V::T y) {
    a = V::Add(V::Add(a, b), x);
    d = V::Ror16(V::Xor(d, a));
    c = V::Add(c, d);
    b = V::Ror12(V::Xor(b, c));
    a = V::Add(V::Add(a, b), y);
    d = V::Ror8(V::Xor(d, a));
    c = V::Add(c, d);
    b = V::Ror7(V::Xor(b, c));
}

template <class V, int R>
inline __attribute__((always_inline)) void Round(typename V::T v[16], const typename V::T m[16]) {
    constexpr const std::uint8_t* s = Blake3Schedule.word[R];
    G<V>(v[0], v[4], v[8], v[12], m[s[0]], m[s[1]]);
    G<V>(v[1], v[5], v[9], v[13], m[s[2]], m[s[3]]);
    G<V>(v[2], v[6], v[10], v[14], m[s[4]], m[s[5]]);
    G<V>(v[3], v[7], v[11], v[15], m[s[6]], m[s[7]]);
    G<V>(v[0], v[5], v[10], v[15], m[s[8]], m[s[9]]);
    G<V>(v[1], v[6], v[11], v[12], m[s[10]], m[s[11]]);
    G<V>(v[2], v[7], v[8], v[13], m[s[12]], m[s[13]]);
    G<V>(v[3], v[4], v[9], v[14], m[s[14]], m[s[15]]);
}

template <class V, int... R>
inline __attribute__((always_inline)) void Rounds(typename V::T v[16], const typename V::T m[16],
                                                  std::integer_sequence<int, R...>) {
    (Round<V, R>(v, m), ...);
}

template <class V> inline void HashLanes(const Blake3Job& job, unsigned char* out) {
    using T = typename V::T;
    constexpr int N = V::N;
    alignas(64) std::uint32_t counterLow[N], counterHigh[N];
    for (int i = 0; i < N; ++i) {
        const std::uint64_t c = job.counter + (job.increment ? static_cast<std::uint64_t>(i) : 0);
        counterLow[i] = static_cast<std::uint32_t>(c);
        counterHigh[i] = static_cast<std::uint32_t>(c >> 32);
    }
    const T low = V::Load(counterLow), high = V::Load(counterHigh);
    T h[8];
    for (int i = 0; i < 8; ++i)
        h[i] = V::Set1(Blake3IV[i]);
    for (std::size_t b = 0; b < job.blocks; ++b) {
        std::uint32_t flags = job.flags;
        if (b == 0)
            flags |= job.flagsStart;
        if (b + 1 == job.blocks)
            flags |= job.flagsEnd;
        // Read straight from the file's pages (not a buffer warm in the cache), the lanes are
        // streams too many and too short for the prefetcher: the inputs after these ones (the
        // next call's, as a long message is hashed) are asked for in order meanwhile.
        if (const std::size_t line = b * N * 64; line < N * job.stride)
            for (int i = 0; i < N; ++i)
                __builtin_prefetch(job.base + N * job.stride + line + 64 * i);
        T m[16];
        V::LoadMessage(m, job.base + 64 * b, job.stride);
        // clang-format off
        T v[16] = {h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7],
                   V::Set1(Blake3IV[0]), V::Set1(Blake3IV[1]), V::Set1(Blake3IV[2]),
                   V::Set1(Blake3IV[3]), low, high, V::Set1(64), V::Set1(flags)};
        // clang-format on
        Rounds<V>(v, m, std::make_integer_sequence<int, 7>());
        for (int i = 0; i < 8; ++i)
            h[i] = V::Xor(v[i], v[i + 8]);
    }
    // Lane i's chaining value is word i of every h: written out through a small table.
    alignas(64) std::uint32_t words[8][N];
    for (int i = 0; i < 8; ++i)
        V::Store(words[i], h[i]);
    for (int lane = 0; lane < N; ++lane)
        for (int i = 0; i < 8; ++i)
            std::memcpy(out + 32 * lane + 4 * i, &words[i][lane], 4);
}

} // namespace
} // namespace quillon
