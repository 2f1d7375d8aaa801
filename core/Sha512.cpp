#include "core/Sha512.h"
#include "core/BlockHash.h"
#include "core/CpuFeatures.h"
#include "core/PathChoice.h"
#include "core/Sha512Rounds.h"
#include "core/ShaKernels.h"

#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#define QUILLON_SHA512_X86 1
#endif

namespace quillon {

alignas(64) const std::uint64_t Sha512K[80] = {
    0x428a2f98d728ae22, 0x7137449123ef65cd, 0xb5c0fbcfec4d3b2f, 0xe9b5dba58189dbbc,
    0x3956c25bf348b538, 0x59f111f1b605d019, 0x923f82a4af194f9b, 0xab1c5ed5da6d8118,
    0xd807aa98a3030242, 0x12835b0145706fbe, 0x243185be4ee4b28c, 0x550c7dc3d5ffb4e2,
    0x72be5d74f27b896f, 0x80deb1fe3b1696b1, 0x9bdc06a725c71235, 0xc19bf174cf692694,
    0xe49b69c19ef14ad2, 0xefbe4786384f25e3, 0x0fc19dc68b8cd5b5, 0x240ca1cc77ac9c65,
    0x2de92c6f592b0275, 0x4a7484aa6ea6e483, 0x5cb0a9dcbd41fbd4, 0x76f988da831153b5,
    0x983e5152ee66dfab, 0xa831c66d2db43210, 0xb00327c898fb213f, 0xbf597fc7beef0ee4,
    0xc6e00bf33da88fc2, 0xd5a79147930aa725, 0x06ca6351e003826f, 0x142929670a0e6e70,
    0x27b70a8546d22ffc, 0x2e1b21385c26c926, 0x4d2c6dfc5ac42aed, 0x53380d139d95b3df,
    0x650a73548baf63de, 0x766a0abb3c77b2a8, 0x81c2c92e47edaee6, 0x92722c851482353b,
    0xa2bfe8a14cf10364, 0xa81a664bbc423001, 0xc24b8b70d0f89791, 0xc76c51a30654be30,
    0xd192e819d6ef5218, 0xd69906245565a910, 0xf40e35855771202a, 0x106aa07032bbd1b8,
    0x19a4c116b8d2d0c8, 0x1e376c085141ab53, 0x2748774cdf8eeb99, 0x34b0bcb5e19b48a8,
    0x391c0cb3c5c95a63, 0x4ed8aa4ae3418acb, 0x5b9cca4f7763e373, 0x682e6ff3d6b2b8a3,
    0x748f82ee5defb2fc, 0x78a5636f43172f60, 0x84c87814a1f0ab72, 0x8cc702081a6439ec,
    0x90befffa23631e28, 0xa4506cebde82bde9, 0xbef9a3f7b2c67915, 0xc67178f2e372532b,
    0xca273eceea26619c, 0xd186b8c721c0c207, 0xeada7dd6cde0eb1e, 0xf57d4f7fee6ed178,
    0x06f067aa72176fba, 0x0a637dc5a2c898a6, 0x113f9804bef90dae, 0x1b710b35131c471b,
    0x28db77f523047d84, 0x32caab7b40c72493, 0x3c9ebe0a15c9bebc, 0x431d67c49c100d4c,
    0x4cc5d4becb3e42b6, 0x597f299cfc657e2a, 0x5fcb6fab3ad6faec, 0x6c44198c4a475817,
};

namespace {

using Kernel = void (*)(std::uint64_t state[8], const unsigned char* p, std::size_t blocks);

inline std::uint64_t LoadBig64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = v << 8 | p[i];
    return v;
}

void BlocksScalar(std::uint64_t state[8], const unsigned char* p, std::size_t blocks) {
    std::uint64_t w[80];
    for (; blocks != 0; --blocks, p += 128) {
        for (int t = 0; t < 16; ++t)
            w[t] = LoadBig64(p + 8 * t);
        for (int t = 16; t < 80; ++t) {
            const std::uint64_t w15 = w[t - 15], w2 = w[t - 2];
            w[t] = w[t - 16] + (Ror64(w15, 1) ^ Ror64(w15, 8) ^ (w15 >> 7)) + w[t - 7] +
                   (Ror64(w2, 19) ^ Ror64(w2, 61) ^ (w2 >> 6));
        }
        for (int t = 0; t < 80; ++t)
            w[t] += Sha512K[t];
        Rounds512(state, w);
    }
}

Kernel KernelFor(Sha512Path path) {
#if QUILLON_SHA512_X86
    if (path == Sha512Path::Avx2)
        return Sha512BlocksAvx2;
    if (path == Sha512Path::Avx512)
        return Sha512BlocksAvx512;
#endif
    return BlocksScalar;
}

Sha512Path Measure() {
    alignas(64) unsigned char data[32 * 128];
    std::memset(data, 0x5A, sizeof data);
    std::uint64_t state[8] = {};
    Sha512Path paths[3] = {Sha512Path::Scalar, Sha512Path::Avx2};
    const int count = Sha512PathSupported(Sha512Path::Avx512) ? 3 : 2;
    paths[2] = Sha512Path::Avx512;
    return paths[FastestRoutine(count, [&](int i) { KernelFor(paths[i])(state, data, 32); })];
}

PathChoice<Sha512Path> Choice(BestSha512Path);

} // namespace

void Sha512::Reset() {
    static const std::uint64_t iv[8] = {0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b,
                                        0xa54ff53a5f1d36f1, 0x510e527fade682d1, 0x9b05688c2b3e6c1f,
                                        0x1f83d9abfb41bd6b, 0x5be0cd19137e2179};
    std::memcpy(state_, iv, sizeof iv);
    length_ = 0;
}

void Sha512::Update(const void* data, std::size_t size) {
    const Kernel kernel = KernelFor(Choice.Current());
    FeedBlocks<128>(buffer_, length_, static_cast<const unsigned char*>(data), size,
                    [&](const unsigned char* p, std::size_t n) { kernel(state_, p, n); });
}

void Sha512::Final(unsigned char digest[DigestSize]) {
    const Kernel kernel = KernelFor(Choice.Current());
    PadBlocks<128, 16>(buffer_, length_,
                       [&](const unsigned char* p, std::size_t n) { kernel(state_, p, n); });
    for (int i = 0; i < 8; ++i)
        StoreBig64(digest + 8 * i, state_[i]);
    std::memset(buffer_, 0, sizeof buffer_);
    Reset();
}

bool Sha512PathSupported(Sha512Path path) {
    switch (path) {
    case Sha512Path::Scalar:
        return true;
    case Sha512Path::Avx2:
#if QUILLON_SHA512_X86
        return Cpu().avx2 && Cpu().bmi2;
    case Sha512Path::Avx512:
        return Cpu().avx2 && Cpu().bmi2 && Cpu().avx512;
#else
        return false;
#endif
    }
    return false;
}

Sha512Path BestSha512Path() {
    // Measured once; a function-local static, so threads that come together wait for one run.
    static const Sha512Path best =
        Sha512PathSupported(Sha512Path::Avx2) ? Measure() : Sha512Path::Scalar;
    return best;
}

const char* Sha512PathName(Sha512Path path) {
    switch (path) {
    case Sha512Path::Scalar:
        return "Scalar";
    case Sha512Path::Avx2:
        return "Avx2";
    case Sha512Path::Avx512:
        return "Avx512";
    }
    return "Unknown";
}

Sha512Path SelectSha512Path(Sha512Path path) {
    return Choice.Select(Sha512PathSupported(path) ? path : BestSha512Path());
}

Sha512Path ActiveSha512Path() {
    return Choice.Current();
}

void Sha512Blocks(Sha512Path path, std::uint64_t state[8], const void* blocks, std::size_t count) {
    // A path the processor lacks would fault on its first instruction.
    if (!Sha512PathSupported(path))
        path = BestSha512Path();
    KernelFor(path)(state, static_cast<const unsigned char*>(blocks), count);
}

} // namespace quillon
