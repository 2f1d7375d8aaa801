#include "core/Sha1.h"
#include "core/BlockHash.h"
#include "core/CpuFeatures.h"
#include "core/PathChoice.h"
#include "core/ShaKernels.h"

#include <cstring>
#include <utility>

#if defined(__x86_64__) || defined(_M_X64)
#define QUILLON_SHA1_X86 1
#endif

namespace quillon {
namespace {

using Kernel = void (*)(std::uint32_t state[5], const unsigned char* p, std::size_t blocks);

inline std::uint32_t Rol(std::uint32_t x, int s) {
    return (x << s) | (x >> (32 - s));
}

inline std::uint32_t LoadBig32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// One round; the callers rotate the names instead of moving the five words around. The schedule
// keeps only the last sixteen words.
template <int T>
inline void Round(std::uint32_t a, std::uint32_t& b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t& e, std::uint32_t w[16]) {
    std::uint32_t x;
    if constexpr (T < 16) {
        x = w[T];
    } else {
        x = Rol(w[(T + 13) & 15] ^ w[(T + 8) & 15] ^ w[(T + 2) & 15] ^ w[T & 15], 1);
        w[T & 15] = x;
    }
    if constexpr (T < 20)
        e += (d ^ (b & (c ^ d))) + 0x5a827999;
    else if constexpr (T < 40)
        e += (b ^ c ^ d) + 0x6ed9eba1;
    else if constexpr (T < 60)
        e += ((b & c) | (d & (b | c))) + 0x8f1bbcdc;
    else
        e += (b ^ c ^ d) + 0xca62c1d6;
    e += Rol(a, 5) + x;
    b = Rol(b, 30);
}

template <int T>
inline void FiveRounds(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                       std::uint32_t& e, std::uint32_t w[16]) {
    Round<T>(a, b, c, d, e, w);
    Round<T + 1>(e, a, b, c, d, w);
    Round<T + 2>(d, e, a, b, c, w);
    Round<T + 3>(c, d, e, a, b, w);
    Round<T + 4>(b, c, d, e, a, w);
}

template <int... G>
inline void AllRounds(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                      std::uint32_t& e, std::uint32_t w[16], std::integer_sequence<int, G...>) {
    (FiveRounds<5 * G>(a, b, c, d, e, w), ...);
}

void BlocksScalar(std::uint32_t state[5], const unsigned char* p, std::size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (; blocks != 0; --blocks, p += 64) {
        std::uint32_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = LoadBig32(p + 4 * i);
        const std::uint32_t aa = a, bb = b, cc = c, dd = d, ee = e;
        AllRounds(a, b, c, d, e, w, std::make_integer_sequence<int, 16>());
        a += aa;
        b += bb;
        c += cc;
        d += dd;
        e += ee;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    state[4] = e;
}

Kernel KernelFor(Sha1Path path) {
#if QUILLON_SHA1_X86
    if (path == Sha1Path::ShaNi)
        return Sha1BlocksShaNi;
#endif
    return BlocksScalar;
}

Sha1Path Measure() {
    alignas(64) unsigned char data[64 * 64];
    std::memset(data, 0x5A, sizeof data);
    std::uint32_t state[5] = {};
    const Sha1Path paths[] = {Sha1Path::Scalar, Sha1Path::ShaNi};
    return paths[FastestRoutine(2, [&](int i) { KernelFor(paths[i])(state, data, 64); })];
}

PathChoice<Sha1Path> Choice(BestSha1Path);

} // namespace

void Sha1::Reset() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    state_[4] = 0xc3d2e1f0;
    length_ = 0;
}

void Sha1::Update(const void* data, std::size_t size) {
    const Kernel kernel = KernelFor(Choice.Current());
    FeedBlocks<64>(buffer_, length_, static_cast<const unsigned char*>(data), size,
                   [&](const unsigned char* p, std::size_t n) { kernel(state_, p, n); });
}

void Sha1::Final(unsigned char digest[DigestSize]) {
    const Kernel kernel = KernelFor(Choice.Current());
    PadBlocks<64, 8>(buffer_, length_,
                     [&](const unsigned char* p, std::size_t n) { kernel(state_, p, n); });
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j)
            digest[4 * i + j] = static_cast<unsigned char>(state_[i] >> (24 - 8 * j));
    std::memset(buffer_, 0, sizeof buffer_);
    Reset();
}

bool Sha1PathSupported(Sha1Path path) {
    switch (path) {
    case Sha1Path::Scalar:
        return true;
    case Sha1Path::ShaNi:
#if QUILLON_SHA1_X86
        return Cpu().sha;
#else
        return false;
#endif
    }
    return false;
}

Sha1Path BestSha1Path() {
    // Measured once; a function-local static, so threads that come together wait for one run.
    static const Sha1Path best = Sha1PathSupported(Sha1Path::ShaNi) ? Measure() : Sha1Path::Scalar;
    return best;
}

const char* Sha1PathName(Sha1Path path) {
    switch (path) {
    case Sha1Path::Scalar:
        return "Scalar";
    case Sha1Path::ShaNi:
        return "ShaNi";
    }
    return "Unknown";
}

Sha1Path SelectSha1Path(Sha1Path path) {
    return Choice.Select(Sha1PathSupported(path) ? path : BestSha1Path());
}

Sha1Path ActiveSha1Path() {
    return Choice.Current();
}

void Sha1Blocks(Sha1Path path, std::uint32_t state[5], const void* blocks, std::size_t count) {
    // A path the processor lacks would fault on its first instruction.
    if (!Sha1PathSupported(path))
        path = BestSha1Path();
    KernelFor(path)(state, static_cast<const unsigned char*>(blocks), count);
}

} // namespace quillon
