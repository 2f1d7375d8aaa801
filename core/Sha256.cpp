#include "core/Sha256.h"
#include "core/BlockHash.h"
#include "core/CpuFeatures.h"
#include "core/PathChoice.h"
#include "core/ShaKernels.h"

#include <cstring>
#include <utility>

#if defined(__x86_64__) || defined(_M_X64)
#define QUILLON_SHA256_X86 1
#endif

namespace quillon {

alignas(64) const std::uint32_t Sha256K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

namespace {

using Kernel = void (*)(std::uint32_t state[8], const unsigned char* p, std::size_t blocks);

inline std::uint32_t Ror(std::uint32_t x, int s) {
    return (x >> s) | (x << (32 - s));
}

inline std::uint32_t LoadBig32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// One round; the callers rotate the names instead of moving the eight words around. Only d and
// h change: d takes T1, h becomes the new a.
template <int T>
inline void Round(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t& d,
                  std::uint32_t e, std::uint32_t f, std::uint32_t g, std::uint32_t& h,
                  std::uint32_t w[16]) {
    std::uint32_t x;
    if constexpr (T < 16) {
        x = w[T];
    } else {
        const std::uint32_t w15 = w[(T + 1) & 15], w2 = w[(T + 14) & 15];
        x = w[T & 15] + (Ror(w15, 7) ^ Ror(w15, 18) ^ (w15 >> 3)) + w[(T + 9) & 15] +
            (Ror(w2, 17) ^ Ror(w2, 19) ^ (w2 >> 10));
        w[T & 15] = x;
    }
    h += x + Sha256K[T] + (Ror(e, 6) ^ Ror(e, 11) ^ Ror(e, 25)) + (g ^ (e & (f ^ g)));
    d += h;
    h += (Ror(a, 2) ^ Ror(a, 13) ^ Ror(a, 22)) + ((a & b) | (c & (a | b)));
}

template <int T> inline void EightRounds(std::uint32_t s[8], std::uint32_t w[16]) {
    Round<T>(s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], w);
    Round<T + 1>(s[7], s[0], s[1], s[2], s[3], s[4], s[5], s[6], w);
    Round<T + 2>(s[6], s[7], s[0], s[1], s[2], s[3], s[4], s[5], w);
    Round<T + 3>(s[5], s[6], s[7], s[0], s[1], s[2], s[3], s[4], w);
    Round<T + 4>(s[4], s[5], s[6], s[7], s[0], s[1], s[2], s[3], w);
    Round<T + 5>(s[3], s[4], s[5], s[6], s[7], s[0], s[1], s[2], w);
    Round<T + 6>(s[2], s[3], s[4], s[5], s[6], s[7], s[0], s[1], w);
    Round<T + 7>(s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[0], w);
}

template <int... G>
inline void AllRounds(std::uint32_t s[8], std::uint32_t w[16], std::integer_sequence<int, G...>) {
    (EightRounds<8 * G>(s, w), ...);
}

void BlocksScalar(std::uint32_t state[8], const unsigned char* p, std::size_t blocks) {
    for (; blocks != 0; --blocks, p += 64) {
        std::uint32_t w[16], s[8];
        for (int i = 0; i < 16; ++i)
            w[i] = LoadBig32(p + 4 * i);
        for (int i = 0; i < 8; ++i)
            s[i] = state[i];
        AllRounds(s, w, std::make_integer_sequence<int, 8>());
        for (int i = 0; i < 8; ++i)
            state[i] += s[i];
    }
}

Kernel KernelFor(Sha256Path path) {
#if QUILLON_SHA256_X86
    if (path == Sha256Path::ShaNi)
        return Sha256BlocksShaNi;
#endif
    return BlocksScalar;
}

Sha256Path Measure() {
    alignas(64) unsigned char data[64 * 64];
    std::memset(data, 0x5A, sizeof data);
    std::uint32_t state[8] = {};
    const Sha256Path paths[] = {Sha256Path::Scalar, Sha256Path::ShaNi};
    return paths[FastestRoutine(2, [&](int i) { KernelFor(paths[i])(state, data, 64); })];
}

PathChoice<Sha256Path> Choice(BestSha256Path);

} // namespace

void Sha256::Reset() {
    static const std::uint32_t iv[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::memcpy(state_, iv, sizeof iv);
    length_ = 0;
}

void Sha256::Update(const void* data, std::size_t size) {
    const Kernel kernel = KernelFor(Choice.Current());
    FeedBlocks<64>(buffer_, length_, static_cast<const unsigned char*>(data), size,
                   [&](const unsigned char* p, std::size_t n) { kernel(state_, p, n); });
}

void Sha256::Final(unsigned char digest[DigestSize]) {
    const Kernel kernel = KernelFor(Choice.Current());
    PadBlocks<64, 8>(buffer_, length_,
                     [&](const unsigned char* p, std::size_t n) { kernel(state_, p, n); });
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<unsigned char>(state_[i] >> (24 - 8 * j));
    std::memset(buffer_, 0, sizeof buffer_);
    Reset();
}

bool Sha256PathSupported(Sha256Path path) {
    switch (path) {
    case Sha256Path::Scalar:
        return true;
    case Sha256Path::ShaNi:
#if QUILLON_SHA256_X86
        return Cpu().sha;
#else
        return false;
#endif
    }
    return false;
}

Sha256Path BestSha256Path() {
    // Measured once; a function-local static, so threads that come together wait for one run.
    static const Sha256Path best =
        Sha256PathSupported(Sha256Path::ShaNi) ? Measure() : Sha256Path::Scalar;
    return best;
}

const char* Sha256PathName(Sha256Path path) {
    switch (path) {
    case Sha256Path::Scalar:
        return "Scalar";
    case Sha256Path::ShaNi:
        return "ShaNi";
    }
    return "Unknown";
}

Sha256Path SelectSha256Path(Sha256Path path) {
    return Choice.Select(Sha256PathSupported(path) ? path : BestSha256Path());
}

Sha256Path ActiveSha256Path() {
    return Choice.Current();
}

void Sha256Blocks(Sha256Path path, std::uint32_t state[8], const void* blocks, std::size_t count) {
    // A path the processor lacks would fault on its first instruction.
    if (!Sha256PathSupported(path))
        path = BestSha256Path();
    KernelFor(path)(state, static_cast<const unsigned char*>(blocks), count);
}

} // namespace quillon
