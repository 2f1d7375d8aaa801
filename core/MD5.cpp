#include "core/MD5.h"
#include "core/CpuFeatures.h"
#include "core/MD5Kernels.h"

#include <atomic>
#include <bit>
#include <cassert>
#include <chrono>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#define QUILLON_MD5_X86 1
#endif

namespace quillon {
namespace {

using Kernel = void (*)(std::uint32_t state[4], const unsigned char* p, std::size_t blocks);

inline std::uint32_t Load32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    return v;
}

inline void Store32(unsigned char* p, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

template <int S> inline std::uint32_t Rol(std::uint32_t x) { return (x << S) | (x >> (32 - S)); }

// Each step adds the message word and constant first: a is ready three steps before it is
// needed, so only the function of b, the rotate and the last add are on the critical path. Terms
// that do not involve b (the newest word) are added before those that do.
template <int S>
inline void StepF(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, std::uint32_t k) {
    a += x + k;
    a += d ^ (b & (c ^ d));
    a = Rol<S>(a) + b;
}

// (b & d) | (c & ~d) as a sum of two disjoint terms: the one without b goes in early.
template <int S>
inline void StepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, std::uint32_t k) {
    a += x + k;
    a += c & ~d;
    a += b & d;
    a = Rol<S>(a) + b;
}

template <int S>
inline void StepH(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, std::uint32_t k) {
    a += x + k;
    a += b ^ (c ^ d);
    a = Rol<S>(a) + b;
}

template <int S>
inline void StepI(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t x, std::uint32_t k) {
    a += x + k;
    a += c ^ (b | ~d);
    a = Rol<S>(a) + b;
}

void BlocksScalar(std::uint32_t state[4], const unsigned char* p, std::size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks != 0; --blocks, p += 64) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = Load32(p + 4 * i);
        const std::uint32_t aa = a, bb = b, cc = c, dd = d;

        StepF<7>(a, b, c, d, x[0], 0xd76aa478);
        StepF<12>(d, a, b, c, x[1], 0xe8c7b756);
        StepF<17>(c, d, a, b, x[2], 0x242070db);
        StepF<22>(b, c, d, a, x[3], 0xc1bdceee);
        StepF<7>(a, b, c, d, x[4], 0xf57c0faf);
        StepF<12>(d, a, b, c, x[5], 0x4787c62a);
        StepF<17>(c, d, a, b, x[6], 0xa8304613);
        StepF<22>(b, c, d, a, x[7], 0xfd469501);
        StepF<7>(a, b, c, d, x[8], 0x698098d8);
        StepF<12>(d, a, b, c, x[9], 0x8b44f7af);
        StepF<17>(c, d, a, b, x[10], 0xffff5bb1);
        StepF<22>(b, c, d, a, x[11], 0x895cd7be);
        StepF<7>(a, b, c, d, x[12], 0x6b901122);
        StepF<12>(d, a, b, c, x[13], 0xfd987193);
        StepF<17>(c, d, a, b, x[14], 0xa679438e);
        StepF<22>(b, c, d, a, x[15], 0x49b40821);

        StepG<5>(a, b, c, d, x[1], 0xf61e2562);
        StepG<9>(d, a, b, c, x[6], 0xc040b340);
        StepG<14>(c, d, a, b, x[11], 0x265e5a51);
        StepG<20>(b, c, d, a, x[0], 0xe9b6c7aa);
        StepG<5>(a, b, c, d, x[5], 0xd62f105d);
        StepG<9>(d, a, b, c, x[10], 0x02441453);
        StepG<14>(c, d, a, b, x[15], 0xd8a1e681);
        StepG<20>(b, c, d, a, x[4], 0xe7d3fbc8);
        StepG<5>(a, b, c, d, x[9], 0x21e1cde6);
        StepG<9>(d, a, b, c, x[14], 0xc33707d6);
        StepG<14>(c, d, a, b, x[3], 0xf4d50d87);
        StepG<20>(b, c, d, a, x[8], 0x455a14ed);
        StepG<5>(a, b, c, d, x[13], 0xa9e3e905);
        StepG<9>(d, a, b, c, x[2], 0xfcefa3f8);
        StepG<14>(c, d, a, b, x[7], 0x676f02d9);
        StepG<20>(b, c, d, a, x[12], 0x8d2a4c8a);

        StepH<4>(a, b, c, d, x[5], 0xfffa3942);
        StepH<11>(d, a, b, c, x[8], 0x8771f681);
        StepH<16>(c, d, a, b, x[11], 0x6d9d6122);
        StepH<23>(b, c, d, a, x[14], 0xfde5380c);
        StepH<4>(a, b, c, d, x[1], 0xa4beea44);
        StepH<11>(d, a, b, c, x[4], 0x4bdecfa9);
        StepH<16>(c, d, a, b, x[7], 0xf6bb4b60);
        StepH<23>(b, c, d, a, x[10], 0xbebfbc70);
        StepH<4>(a, b, c, d, x[13], 0x289b7ec6);
        StepH<11>(d, a, b, c, x[0], 0xeaa127fa);
        StepH<16>(c, d, a, b, x[3], 0xd4ef3085);
        StepH<23>(b, c, d, a, x[6], 0x04881d05);
        StepH<4>(a, b, c, d, x[9], 0xd9d4d039);
        StepH<11>(d, a, b, c, x[12], 0xe6db99e5);
        StepH<16>(c, d, a, b, x[15], 0x1fa27cf8);
        StepH<23>(b, c, d, a, x[2], 0xc4ac5665);

        StepI<6>(a, b, c, d, x[0], 0xf4292244);
        StepI<10>(d, a, b, c, x[7], 0x432aff97);
        StepI<15>(c, d, a, b, x[14], 0xab9423a7);
        StepI<21>(b, c, d, a, x[5], 0xfc93a039);
        StepI<6>(a, b, c, d, x[12], 0x655b59c3);
        StepI<10>(d, a, b, c, x[3], 0x8f0ccc92);
        StepI<15>(c, d, a, b, x[10], 0xffeff47d);
        StepI<21>(b, c, d, a, x[1], 0x85845dd1);
        StepI<6>(a, b, c, d, x[8], 0x6fa87e4f);
        StepI<10>(d, a, b, c, x[15], 0xfe2ce6e0);
        StepI<15>(c, d, a, b, x[6], 0xa3014314);
        StepI<21>(b, c, d, a, x[13], 0x4e0811a1);
        StepI<6>(a, b, c, d, x[4], 0xf7537e82);
        StepI<10>(d, a, b, c, x[11], 0xbd3af235);
        StepI<15>(c, d, a, b, x[2], 0x2ad7d2bb);
        StepI<21>(b, c, d, a, x[9], 0xeb86d391);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#if QUILLON_MD5_X86

struct Speeds {
    Md5Path single;       // the faster single-stream path
    double manyBlockCost; // one block of all sixteen lanes of Md5ManyAvx512, in scalar blocks
};

// Whether the vector path beats the scalar one depends on the latency of the vector rotate and
// add, which no feature bit tells: it won where those take one cycle, and lost on Zen 4 (scalar
// 1.2x) and Zen 5 (scalar 1.8x). So each runs on the same few blocks and the faster one stays.
// The sixteen-lane kernel is timed alongside: how much one of its blocks costs decides when a
// long message is better hashed alone than beside short ones.
Speeds Measure() {
    using Clock = std::chrono::steady_clock;
    // 4 KiB: some microseconds a try, well above the clock's step (100 ns on Windows). Timing
    // does not depend on the bytes.
    constexpr std::size_t Blocks = 64;
    alignas(64) unsigned char data[Blocks * 64];
    std::memset(data, 0x5A, sizeof data);
    std::uint32_t state[4] = {};
    // Sixteen lanes of 31 whole blocks and one of padding, all reading the same bytes.
    constexpr std::size_t LaneLength = 31 * 64 + 55, LaneBlocks = 32;
    const unsigned char* lanes[16];
    std::size_t lengths[16];
    for (int i = 0; i < 16; ++i) {
        lanes[i] = data;
        lengths[i] = LaneLength;
    }
    unsigned char digests[16][16];
    auto run = [&](int which) {
        if (which == 0)
            BlocksScalar(state, data, Blocks);
        else if (which == 1)
            Md5BlocksAvx512(state, data, Blocks);
        else
            Md5ManyAvx512(lanes, lengths, 16, digests);
    };
    Clock::duration best[3] = {Clock::duration::max(), Clock::duration::max(),
                               Clock::duration::max()};
    // The best of several tries drops those an interrupt or a busy neighbour stretched; the
    // order turns every round so that a clock speeding up meanwhile favours none. The first
    // round also pays for cold caches. Slow as all may be, it stops within a fraction of a
    // millisecond.
    constexpr int MinRounds = 3, MaxRounds = 6;
    constexpr auto Budget = std::chrono::microseconds(400);
    const auto begin = Clock::now();
    for (int round = 0; round < MaxRounds; ++round) {
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;
            // The barriers keep the work between the two readings of the clock.
            __asm__ volatile("" : : "r"(state), "r"(digests) : "memory");
            const auto start = Clock::now();
            run(which);
            __asm__ volatile("" : : "r"(state), "r"(digests) : "memory");
            const auto took = Clock::now() - start;
            if (took < best[which])
                best[which] = took;
        }
        if (round + 1 >= MinRounds && Clock::now() - begin > Budget)
            break;
    }
    Speeds s;
    // Near a tie the scalar path stays: it leaves the vector unit to other threads.
    s.single = best[1] < best[0] - best[0] / 32 ? Md5Path::Avx512 : Md5Path::Scalar;
    const double scalarBlock = static_cast<double>(best[0].count()) / Blocks;
    const double manyBlock = static_cast<double>(best[2].count()) / LaneBlocks;
    s.manyBlockCost = scalarBlock > 0 ? manyBlock / scalarBlock : 1.0;
    return s;
}

// Measured once; a function-local static, so threads that come together wait for one run.
const Speeds& MeasuredSpeeds() {
    static const Speeds speeds = Measure();
    return speeds;
}

#endif // QUILLON_MD5_X86

Kernel KernelFor(Md5Path path) {
#if QUILLON_MD5_X86
    if (path == Md5Path::Avx512)
        return Md5BlocksAvx512;
#endif
    return BlocksScalar;
}

// -1 until the first call chooses, so no static initialiser of another unit can run before it.
std::atomic<int> ActivePath{-1};

Md5Path CurrentPath() {
    int p = ActivePath.load(std::memory_order_relaxed);
    if (p < 0) {
        // A path selected meanwhile by another thread wins over the measured one.
        const int best = static_cast<int>(BestMd5Path());
        if (ActivePath.compare_exchange_strong(p, best, std::memory_order_relaxed))
            p = best;
    }
    return static_cast<Md5Path>(p);
}

inline void RunBlocks(std::uint32_t state[4], const unsigned char* p, std::size_t blocks) {
    KernelFor(CurrentPath())(state, p, blocks);
}

void AddBits(TMD5Context& context, std::uint32_t count) {
    const std::uint32_t low = count << 3;
    context.Count[0] += low;
    if (context.Count[0] < low)
        ++context.Count[1];
    context.Count[1] += count >> 29;
}

} // namespace

void MD5Init(TMD5Context& context) {
    std::memset(&context, 0, sizeof context);
    context.State[0] = 0x67452301;
    context.State[1] = 0xefcdab89;
    context.State[2] = 0x98badcfe;
    context.State[3] = 0x10325476;
}

void MD5Update(TMD5Context& context, const void* buffer, std::uint32_t count) {
    // The traditional interface truncated larger counts to 16 bits and lost the rest; nothing
    // here depends on that width, so a release build takes the whole count.
    assert(count <= MD5MaxUpdate);
    if (count == 0)
        return;
    auto p = static_cast<const unsigned char*>(buffer);
    std::size_t n = count;
    std::size_t index = (context.Count[0] >> 3) & 63;
    AddBits(context, count);
    if (index != 0) {
        const std::size_t room = 64 - index;
        if (n < room) {
            std::memcpy(context.Buffer + index, p, n);
            return;
        }
        std::memcpy(context.Buffer + index, p, room);
        RunBlocks(context.State, context.Buffer, 1);
        p += room;
        n -= room;
    }
    // Whole blocks straight from the caller's memory; only the tail is kept.
    if (n >= 64) {
        RunBlocks(context.State, p, n / 64);
        p += n & ~std::size_t{63};
        n &= 63;
    }
    if (n != 0)
        std::memcpy(context.Buffer, p, n);
}

void MD5Final(unsigned char digest[16], TMD5Context& context) {
    std::size_t index = (context.Count[0] >> 3) & 63;
    context.Buffer[index++] = 0x80;
    if (index > 56) {
        std::memset(context.Buffer + index, 0, 64 - index);
        RunBlocks(context.State, context.Buffer, 1);
        index = 0;
    }
    std::memset(context.Buffer + index, 0, 56 - index);
    Store32(context.Buffer + 56, context.Count[0]);
    Store32(context.Buffer + 60, context.Count[1]);
    RunBlocks(context.State, context.Buffer, 1);
    for (int i = 0; i < 4; ++i)
        Store32(digest + 4 * i, context.State[i]);
    std::memset(&context, 0, sizeof context);
}

void MD5UpdateBuffer(TMD5Context& context, const void* buffer, std::size_t count) {
    auto p = static_cast<const unsigned char*>(buffer);
    while (count != 0) {
        const std::size_t piece = count < MD5FeedPiece ? count : MD5FeedPiece;
        MD5Update(context, p, static_cast<std::uint32_t>(piece));
        p += piece;
        count -= piece;
    }
}

bool Md5PathSupported(Md5Path path) {
    switch (path) {
    case Md5Path::Scalar:
        return true;
#if QUILLON_MD5_X86
    case Md5Path::Avx512:
        return Cpu().avx512;
#endif
    default:
        return false;
    }
}

Md5Path BestMd5Path() {
#if QUILLON_MD5_X86
    return Cpu().avx512 ? MeasuredSpeeds().single : Md5Path::Scalar;
#else
    return Md5Path::Scalar;
#endif
}

const char* Md5PathName(Md5Path path) {
    switch (path) {
    case Md5Path::Scalar:
        return "Scalar";
    case Md5Path::Avx512:
        return "Avx512";
    }
    return "Unknown";
}

Md5Path SelectMd5Path(Md5Path path) {
    if (!Md5PathSupported(path))
        path = BestMd5Path();
    const Md5Path before = CurrentPath();
    ActivePath.store(static_cast<int>(path), std::memory_order_relaxed);
    return before;
}

Md5Path ActiveMd5Path() { return CurrentPath(); }

#if QUILLON_MD5_X86
double Md5ManyBlockCost() {
    return MeasuredSpeeds().manyBlockCost;
}
#endif

void MD5Blocks(Md5Path path, std::uint32_t state[4], const void* blocks, std::size_t count) {
    // A path the processor lacks would fault on its first instruction; every path gives the
    // same result, so fall back.
    if (!Md5PathSupported(path))
        path = BestMd5Path();
    KernelFor(path)(state, static_cast<const unsigned char*>(blocks), count);
}

} // namespace quillon
