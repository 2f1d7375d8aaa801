#pragma once
#include <cstdint>

// The SHA-512 rounds, shared by the scalar path and the AVX2 one, which compiles them with BMI2
// (rorx: a rotate that leaves its source alone). Internal linkage: each file keeps the copy
// compiled for its own instructions.
namespace quillon {
namespace {

inline std::uint64_t Ror64(std::uint64_t x, int s) {
    return (x >> s) | (x << (64 - s));
}

// One round; the callers rotate the names instead of moving the eight words around. Only d and
// h change: d takes T1, h becomes the new a. wk is the schedule word plus the round constant.
// Ch as two disjoint terms added apart (and, andn: no chain of three operations); Maj as
// b ^ ((a ^ b) & (b ^ c)), where b ^ c is the a ^ b of the round before: bc carries it. Fewer
// instructions won over shorter chains (which took two more adds a round).
inline __attribute__((always_inline)) void
Round512(std::uint64_t a, std::uint64_t b, std::uint64_t& d, std::uint64_t e, std::uint64_t f,
         std::uint64_t g, std::uint64_t& h, std::uint64_t wk, std::uint64_t& bc) {
    h += wk + (g & ~e);
    h += e & f;
    h += Ror64(e, 14) ^ Ror64(e, 18) ^ Ror64(e, 41);
    d += h;
    const std::uint64_t ab = a ^ b;
    h += (Ror64(a, 28) ^ Ror64(a, 34) ^ Ror64(a, 39)) + (b ^ (ab & bc));
    bc = ab;
}

// Rounds t to t + 7 from wk[t..t+7]; s holds a to h and is renamed by the callers' groups of eight.
inline __attribute__((always_inline)) void
EightRounds512(std::uint64_t s[8], const std::uint64_t* wk, std::uint64_t& bc) {
    Round512(s[0], s[1], s[3], s[4], s[5], s[6], s[7], wk[0], bc);
    Round512(s[7], s[0], s[2], s[3], s[4], s[5], s[6], wk[1], bc);
    Round512(s[6], s[7], s[1], s[2], s[3], s[4], s[5], wk[2], bc);
    Round512(s[5], s[6], s[0], s[1], s[2], s[3], s[4], wk[3], bc);
    Round512(s[4], s[5], s[7], s[0], s[1], s[2], s[3], wk[4], bc);
    Round512(s[3], s[4], s[6], s[7], s[0], s[1], s[2], wk[5], bc);
    Round512(s[2], s[3], s[5], s[6], s[7], s[0], s[1], wk[6], bc);
    Round512(s[1], s[2], s[4], s[5], s[6], s[7], s[0], wk[7], bc);
}

// Eighty rounds from wk[80].
inline __attribute__((always_inline)) void Rounds512(std::uint64_t state[8],
                                                     const std::uint64_t* wk) {
    std::uint64_t s[8];
    for (int i = 0; i < 8; ++i)
        s[i] = state[i];
    std::uint64_t bc = s[1] ^ s[2];
#pragma GCC unroll 10
    for (int t = 0; t < 80; t += 8)
        EightRounds512(s, wk + t, bc);
    for (int i = 0; i < 8; ++i)
        state[i] += s[i];
}

} // namespace
} // namespace quillon
