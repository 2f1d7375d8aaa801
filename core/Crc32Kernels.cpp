#include "core/Crc32Kernels.h"
#include "core/CpuFeatures.h"
#include "core/Crc32.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64)
#define QUILLON_CRC_X86 1
// GCC 12's 512-bit intrinsics start from an "undefined" register and warn about it when inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

namespace quillon {
namespace {

constexpr std::uint32_t Polynomial = 0xEDB88320u;

using Kernel = std::uint32_t (*)(std::uint32_t crc, const unsigned char* p, std::size_t n);

// Slices[k][i]: the register after the byte i followed by k zero bytes. Built by the compiler, so
// the tables exist before any initialiser runs.
using SliceTables = std::array<std::array<std::uint32_t, 256>, 16>;

constexpr SliceTables MakeSliceTables() {
    SliceTables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c >> 1) ^ ((c & 1) ? Polynomial : 0);
        t[0][i] = c;
    }
    for (std::size_t k = 1; k < t.size(); ++k)
        for (std::size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr SliceTables Slices = MakeSliceTables();

// Byte assembly instead of a cast keeps the slicing right on big-endian processors too; on
// little-endian ones the compiler turns it into one load.
inline std::uint32_t Load32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Sixteen bytes given as four little-endian words, the register already folded into the first.
inline std::uint32_t Slice16Step(std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                 std::uint32_t d) {
    const auto& t = Slices;
    return t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
           t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
           t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
           t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
}

std::uint32_t UpdateTable(std::uint32_t crc, const unsigned char* p, std::size_t n) {
    for (; n != 0; --n)
        crc = (crc >> 8) ^ Crc32Table[(crc ^ *p++) & 0xFF];
    return crc;
}

std::uint32_t UpdateSlice16(std::uint32_t crc, const unsigned char* p, std::size_t n) {
    for (; n >= 16; p += 16, n -= 16)
        crc = Slice16Step(Load32(p) ^ crc, Load32(p + 4), Load32(p + 8), Load32(p + 12));
    for (; n != 0; --n)
        crc = (crc >> 8) ^ Slices[0][(crc ^ *p++) & 0xFF];
    return crc;
}

#if QUILLON_CRC_X86

// Folding works on the message as a polynomial over GF(2), the first byte's bit 0 holding the
// highest power. Sixteen bytes loaded little-endian are a 128-bit piece whose low quadword H holds
// the higher 64 powers and whose high quadword L the lower ones. Moving the piece D bits further
// on means multiplying H by x^(D+64) and L by x^D; any value congruent modulo P does, so each
// multiplier is a 32-bit remainder. A carry-less product of two reflected quadwords comes out one
// bit short of a reflected 128-bit value, and the remainder sits in the low half of its quadword:
// together that is a factor x^33 already present, hence the exponents below.

// x^n mod P, reflected: bit 31 holds x^0. Thousands of steps for a long fold: consteval keeps
// every one of them out of the running program.
consteval std::uint32_t XPowModP(unsigned n) {
    std::uint32_t v = 0x80000000u;
    for (; n != 0; --n)
        v = (v >> 1) ^ ((v & 1) ? Polynomial : 0);
    return v;
}

struct FoldConstants {
    std::uint64_t low;  // multiplies the quadword at the lower address
    std::uint64_t high; // multiplies the quadword at the higher address
};

consteval FoldConstants FoldBy(unsigned bytes) {
    return {XPowModP(bytes * 8 + 31), XPowModP(bytes * 8 - 33)};
}

#define QUILLON_PCLMUL __attribute__((target("pclmul,sse4.1")))
#define QUILLON_VPCLMUL                                                                            \
    __attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul,sse4.1,avx2,avx")))
// Vector values never cross a call: on Win64 they would be passed through the stack, which GCC
// does not align beyond 16 bytes there.
#define QUILLON_INLINE inline __attribute__((always_inline))

QUILLON_PCLMUL QUILLON_INLINE __m128i Constants128(FoldConstants k) {
    return _mm_set_epi64x(static_cast<long long>(k.high), static_cast<long long>(k.low));
}

QUILLON_PCLMUL QUILLON_INLINE __m128i Load128(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// x moved on by the distance k was made for, plus data.
QUILLON_PCLMUL QUILLON_INLINE __m128i Fold128(__m128i x, __m128i k, __m128i data) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00),
                                       _mm_clmulepi64_si128(x, k, 0x11)),
                         data);
}

// The register after the sixteen bytes of x, starting from zero, then the bytes left over.
QUILLON_PCLMUL QUILLON_INLINE std::uint32_t Finish(__m128i x, const unsigned char* p,
                                                   std::size_t n) {
    const auto low = static_cast<std::uint64_t>(_mm_cvtsi128_si64(x));
    const auto high = static_cast<std::uint64_t>(_mm_extract_epi64(x, 1));
    const std::uint32_t crc =
        Slice16Step(static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(low >> 32),
                    static_cast<std::uint32_t>(high), static_cast<std::uint32_t>(high >> 32));
    return UpdateSlice16(crc, p, n);
}

// Four 128-bit accumulators, 64 bytes a round.
QUILLON_PCLMUL std::uint32_t UpdatePclmul(std::uint32_t crc, const unsigned char* p,
                                          std::size_t n) {
    if (n < 64)
        return UpdateSlice16(crc, p, n);
    // The running value enters as if it were part of the first four bytes.
    __m128i x0 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = Load128(p + 16);
    __m128i x2 = Load128(p + 32);
    __m128i x3 = Load128(p + 48);
    p += 64;
    n -= 64;
    const __m128i k64 = Constants128(FoldBy(64));
    for (; n >= 64; p += 64, n -= 64) {
        x0 = Fold128(x0, k64, Load128(p));
        x1 = Fold128(x1, k64, Load128(p + 16));
        x2 = Fold128(x2, k64, Load128(p + 32));
        x3 = Fold128(x3, k64, Load128(p + 48));
    }
    const __m128i k16 = Constants128(FoldBy(16));
    x3 = Fold128(x0, Constants128(FoldBy(48)), x3);
    x3 = Fold128(x1, Constants128(FoldBy(32)), x3);
    x3 = Fold128(x2, k16, x3);
    for (; n >= 16; p += 16, n -= 16)
        x3 = Fold128(x3, k16, Load128(p));
    return Finish(x3, p, n);
}

QUILLON_VPCLMUL QUILLON_INLINE __m512i Constants512(FoldConstants k) {
    const auto low = static_cast<long long>(k.low), high = static_cast<long long>(k.high);
    return _mm512_set_epi64(high, low, high, low, high, low, high, low);
}

QUILLON_VPCLMUL QUILLON_INLINE __m512i Load512(const unsigned char* p) {
    return _mm512_loadu_si512(p);
}

// Each 128-bit lane of x moved on by the distance k was made for, plus data.
QUILLON_VPCLMUL QUILLON_INLINE __m512i Fold512(__m512i x, __m512i k, __m512i data) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(x, k, 0x00),
                                     _mm512_clmulepi64_epi128(x, k, 0x11), data, 0x96);
}

QUILLON_VPCLMUL QUILLON_INLINE __m512i WithRunningValue(__m512i x, std::uint32_t crc) {
    return _mm512_xor_si512(x, _mm512_set_epi32(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                static_cast<int>(crc)));
}

// The bytes up to the first 64-byte boundary: whole cache lines per load afterwards cost less
// than a split load in every round.
QUILLON_INLINE std::uint32_t AlignTo64(std::uint32_t crc, const unsigned char*& p,
                                       std::size_t& n) {
    const std::size_t head = (0 - reinterpret_cast<std::uintptr_t>(p)) & 63;
    crc = UpdateSlice16(crc, p, head);
    p += head;
    n -= head;
    return crc;
}

// x holds the 64 bytes before p; folds in the n bytes that remain.
QUILLON_VPCLMUL QUILLON_INLINE std::uint32_t FinishVpclmul(__m512i x, const unsigned char* p,
                                                           std::size_t n) {
    const __m512i k64 = Constants512(FoldBy(64));
    for (; n >= 64; p += 64, n -= 64)
        x = Fold512(x, k64, Load512(p));
    // The four lanes onto the last one, each by its distance from it.
    constexpr FoldConstants k48 = FoldBy(48), k32 = FoldBy(32), k16 = FoldBy(16);
    const __m512i lanes = _mm512_set_epi64(
        0, 0, static_cast<long long>(k16.high), static_cast<long long>(k16.low),
        static_cast<long long>(k32.high), static_cast<long long>(k32.low),
        static_cast<long long>(k48.high), static_cast<long long>(k48.low));
    __m512i folded = _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(x, lanes, 0x00),
                                               _mm512_clmulepi64_epi128(x, lanes, 0x11),
                                               _mm512_maskz_mov_epi64(0xC0, x), 0x96);
    folded = _mm512_xor_si512(folded, _mm512_shuffle_i64x2(folded, folded, 0x4E));
    folded = _mm512_xor_si512(folded, _mm512_shuffle_i64x2(folded, folded, 0xB1));
    __m128i x128 = _mm512_castsi512_si128(folded);
    const __m128i k16x = Constants128(k16);
    for (; n >= 16; p += 16, n -= 16)
        x128 = Fold128(x128, k16x, Load128(p));
    // GCC inserts no vzeroupper here; with the upper halves left dirty, the SSE-encoded PCLMULQDQ
    // kernel ran at half speed afterwards (measured).
    _mm256_zeroupper();
    return Finish(x128, p, n);
}

// Eight 512-bit accumulators, 512 bytes a round, enough to cover the latency of the products.
QUILLON_VPCLMUL std::uint32_t UpdateVpclmul(std::uint32_t crc, const unsigned char* p,
                                            std::size_t n) {
    if (n < 1024)
        return UpdatePclmul(crc, p, n);
    crc = AlignTo64(crc, p, n);
    __m512i x0 = WithRunningValue(Load512(p), crc);
    __m512i x1 = Load512(p + 64);
    __m512i x2 = Load512(p + 128);
    __m512i x3 = Load512(p + 192);
    __m512i x4 = Load512(p + 256);
    __m512i x5 = Load512(p + 320);
    __m512i x6 = Load512(p + 384);
    __m512i x7 = Load512(p + 448);
    p += 512;
    n -= 512;
    const __m512i k512 = Constants512(FoldBy(512));
    for (; n >= 512; p += 512, n -= 512) {
        x0 = Fold512(x0, k512, Load512(p));
        x1 = Fold512(x1, k512, Load512(p + 64));
        x2 = Fold512(x2, k512, Load512(p + 128));
        x3 = Fold512(x3, k512, Load512(p + 192));
        x4 = Fold512(x4, k512, Load512(p + 256));
        x5 = Fold512(x5, k512, Load512(p + 320));
        x6 = Fold512(x6, k512, Load512(p + 384));
        x7 = Fold512(x7, k512, Load512(p + 448));
    }
    const __m512i k256 = Constants512(FoldBy(256));
    x4 = Fold512(x0, k256, x4);
    x5 = Fold512(x1, k256, x5);
    x6 = Fold512(x2, k256, x6);
    x7 = Fold512(x3, k256, x7);
    const __m512i k128 = Constants512(FoldBy(128));
    x6 = Fold512(x4, k128, x6);
    x7 = Fold512(x5, k128, x7);
    x7 = Fold512(x6, Constants512(FoldBy(64)), x7);
    return FinishVpclmul(x7, p, n);
}

// On processors whose carry-less multiplier takes two cycles for a 512-bit product, the
// multiplier alone cannot keep up with memory. Part of every round then goes to the byte-matrix
// unit (GF2P8AFFINEQB), which works beside it: a run of registers read as one long polynomial is
// multiplied by a 32-bit remainder as five byte-diagonals of that product, each diagonal an 8x8
// bit matrix applied to every byte of the run shifted by 0 to 4 bytes. The product is four bytes
// longer than the run, so its last four bytes stay out of it and take one small multiply.

constexpr bool Coefficient(std::uint32_t reflected, int power) {
    return power >= 0 && power <= 31 && ((reflected >> (31 - power)) & 1) != 0;
}

// The matrix that gives byte e of (byte * k): output bit i, the power 7 - i of that byte, takes
// input bit k (the power 7 - k) where k has the power 8e + k - i. GF2P8AFFINEQB reads the row of
// output bit i from byte 7 - i of the matrix.
consteval std::uint64_t ProductByteMatrix(std::uint32_t k, int e) {
    std::uint64_t matrix = 0;
    for (int i = 0; i < 8; ++i) {
        std::uint64_t row = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (Coefficient(k, 8 * e + bit - i))
                row |= std::uint64_t{1} << bit;
        matrix |= row << (8 * (7 - i));
    }
    return matrix;
}

struct MatrixFold {
    std::uint64_t diagonal[5]; // diagonal[d] takes the byte d places back
    std::uint64_t lastWord;    // carry-less multiplier for the four bytes left out
};

// Moves a run of registers on by bytes. The run less its last four bytes, multiplied by
// x^(8 bytes + 32), fills exactly the run's length; the last four bytes, times x^(8 bytes - 1),
// come out of the multiplier as a quadword ready to add to the run's end.
consteval MatrixFold MatrixFoldBy(unsigned bytes) {
    MatrixFold f{};
    const std::uint32_t k = XPowModP(bytes * 8 + 32);
    for (int d = 0; d < 5; ++d)
        f.diagonal[d] = ProductByteMatrix(k, 4 - d);
    f.lastWord = XPowModP(bytes * 8 - 1);
    return f;
}

#define QUILLON_VPCLMUL_GFNI                                                                       \
    __attribute__((target(                                                                         \
        "avx512f,avx512vl,avx512bw,avx512vbmi2,gfni,vpclmulqdq,pclmul,sse4.1,avx2,avx")))

QUILLON_VPCLMUL_GFNI QUILLON_INLINE __m512i Affine(__m512i x, __m512i matrix) {
    return _mm512_gf2p8affine_epi64_epi8(x, matrix, 0);
}

// How a round splits between the two units (registers by products, registers by matrix); a
// matrix share of 0 leaves the level to the plain VPCLMULQDQ kernel. bench/gfni-splits.sh times
// the splits.
#ifndef QUILLON_GFNI_SPLIT
// Zen 4: each matrix share (4,4 to 14,2) lost 3-25%: its shifts cost more than the products spared.
#define QUILLON_GFNI_SPLIT 8, 0
#endif
constexpr int GfniSplit[] = {QUILLON_GFNI_SPLIT};
constexpr bool GfniForLevel = GfniSplit[1] > 0;
// The matrix kernel is built and listed also when the level does not use it, so that it stays
// tested and timed.
constexpr int GfniMultiplied = GfniForLevel ? GfniSplit[0] : 6;
constexpr int GfniByMatrix = GfniForLevel ? GfniSplit[1] : 2;

// Rounds of (Multiplied + ByMatrix) * 64 bytes: Multiplied registers fold by carry-less products,
// ByMatrix registers after them make up the run that the matrix unit folds.
template <int Multiplied, int ByMatrix>
QUILLON_VPCLMUL_GFNI std::uint32_t UpdateVpclmulGfniRounds(std::uint32_t crc,
                                                           const unsigned char* p, std::size_t n) {
    constexpr int Registers = Multiplied + ByMatrix;
    constexpr std::size_t Round = Registers * 64;
    crc = AlignTo64(crc, p, n);
    __m512i x[Registers];
#pragma GCC unroll 16
    for (int i = 0; i < Registers; ++i)
        x[i] = Load512(p + 64 * i);
    x[0] = WithRunningValue(x[0], crc);
    p += Round;
    n -= Round;

    const __m512i kRound = Constants512(FoldBy(Round));
    constexpr MatrixFold Matrix = MatrixFoldBy(Round);
    const __m512i a0 = _mm512_set1_epi64(static_cast<long long>(Matrix.diagonal[0]));
    const __m512i a1 = _mm512_set1_epi64(static_cast<long long>(Matrix.diagonal[1]));
    const __m512i a2 = _mm512_set1_epi64(static_cast<long long>(Matrix.diagonal[2]));
    const __m512i a3 = _mm512_set1_epi64(static_cast<long long>(Matrix.diagonal[3]));
    const __m512i a4 = _mm512_set1_epi64(static_cast<long long>(Matrix.diagonal[4]));
    const __m128i kLast = _mm_cvtsi64_si128(static_cast<long long>(Matrix.lastWord));
    for (; n >= Round; p += Round, n -= Round) {
#pragma GCC unroll 16
        for (int i = 0; i < Multiplied; ++i)
            x[i] = Fold512(x[i], kRound, Load512(p + 64 * i));

        const __m128i last = _mm_srli_si128(_mm512_extracti32x4_epi32(x[Registers - 1], 3), 12);
        x[Registers - 1] = _mm512_maskz_mov_epi32(0x7FFF, x[Registers - 1]);
        __m512i before = _mm512_setzero_si512();
#pragma GCC unroll 16
        for (int i = Multiplied; i < Registers; ++i) {
            const __m512i v = x[i];
            // y: the run moved on by one 32-bit word, the bytes of the register before coming in.
            const __m512i y = _mm512_alignr_epi32(v, before, 15);
            const __m512i t = _mm512_ternarylogic_epi64(
                Affine(v, a0), Affine(_mm512_shldi_epi32(v, y, 8), a1),
                Affine(_mm512_shldi_epi32(v, y, 16), a2), 0x96);
            const __m512i u = _mm512_ternarylogic_epi64(Affine(_mm512_shldi_epi32(v, y, 24), a3),
                                                        Affine(y, a4), Load512(p + 64 * i), 0x96);
            before = v;
            x[i] = _mm512_xor_si512(t, u);
        }
        const __m128i lastFolded = _mm_clmulepi64_si128(last, kLast, 0x00);
        x[Registers - 1] =
            _mm512_xor_si512(x[Registers - 1], _mm512_maskz_broadcastq_epi64(0x80, lastFolded));
    }

    // Every register onto the last, each by its own distance.
    static constexpr auto Tail = []() consteval {
        std::array<FoldConstants, Registers> k{};
        for (int i = 0; i < Registers - 1; ++i)
            k[i] = FoldBy((Registers - 1 - i) * 64);
        return k;
    }();
    __m512i acc = x[Registers - 1];
#pragma GCC unroll 16
    for (int i = 0; i < Registers - 1; ++i)
        acc = _mm512_xor_si512(acc, Fold512(x[i], Constants512(Tail[i]), _mm512_setzero_si512()));
    return FinishVpclmul(acc, p, n);
}

QUILLON_VPCLMUL_GFNI std::uint32_t UpdateVpclmulGfni(std::uint32_t crc, const unsigned char* p,
                                                     std::size_t n) {
    if (n < 2048)
        return UpdateVpclmul(crc, p, n);
    return UpdateVpclmulGfniRounds<GfniMultiplied, GfniByMatrix>(crc, p, n);
}

#endif // QUILLON_CRC_X86

Kernel KernelFor(CrcLevel level) {
    switch (level) {
    case CrcLevel::Table:
        return UpdateTable;
    case CrcLevel::Slice16:
        return UpdateSlice16;
#if QUILLON_CRC_X86
    case CrcLevel::Pclmul:
        return UpdatePclmul;
    case CrcLevel::Vpclmul:
        return GfniForLevel && Cpu().gfni ? UpdateVpclmulGfni : UpdateVpclmul;
#endif
    default:
        return UpdateSlice16;
    }
}

std::uint32_t ResolveAndUpdate(std::uint32_t crc, const unsigned char* p, std::size_t n);

// Every thread that comes first stores the same pointer, so a relaxed race is harmless.
std::atomic<Kernel> ActiveKernel{ResolveAndUpdate};

std::uint32_t ResolveAndUpdate(std::uint32_t crc, const unsigned char* p, std::size_t n) {
    const Kernel kernel = KernelFor(BestCrcLevel());
    ActiveKernel.store(kernel, std::memory_order_relaxed);
    return kernel(crc, p, n);
}

} // namespace

std::span<const CrcKernel> CrcKernels() {
#if QUILLON_CRC_X86
    static const CrcKernel kernels[] = {
        {"Table", true, UpdateTable},
        {"Slice16", true, UpdateSlice16},
        {"Pclmul", Cpu().pclmul, UpdatePclmul},
        {"Vpclmul", Cpu().vpclmul, UpdateVpclmul},
        {"VpclmulGfni", Cpu().gfni, UpdateVpclmulGfni},
    };
#else
    static const CrcKernel kernels[] = {
        {"Table", true, UpdateTable},
        {"Slice16", true, UpdateSlice16},
    };
#endif
    return kernels;
}

bool CrcLevelSupported(CrcLevel level) {
    switch (level) {
    case CrcLevel::Table:
    case CrcLevel::Slice16:
        return true;
#if QUILLON_CRC_X86
    case CrcLevel::Pclmul:
        return Cpu().pclmul;
    case CrcLevel::Vpclmul:
        return Cpu().vpclmul;
#endif
    default:
        return false;
    }
}

CrcLevel BestCrcLevel() {
    for (CrcLevel level : {CrcLevel::Vpclmul, CrcLevel::Pclmul})
        if (CrcLevelSupported(level))
            return level;
    return CrcLevel::Slice16;
}

const char* CrcLevelName(CrcLevel level) {
    switch (level) {
    case CrcLevel::Table:
        return "Table";
    case CrcLevel::Slice16:
        return "Slice16";
    case CrcLevel::Pclmul:
        return "Pclmul";
    case CrcLevel::Vpclmul:
        return "Vpclmul";
    }
    return "Unknown";
}

std::uint32_t UpdateCrc32(std::uint32_t crc, const void* buffer, std::int32_t count) {
    if (count <= 0)
        return crc;
    return ActiveKernel.load(std::memory_order_relaxed)(
        crc, static_cast<const unsigned char*>(buffer), static_cast<std::size_t>(count));
}

std::uint32_t UpdateCrc32At(CrcLevel level, std::uint32_t crc, const void* buffer,
                            std::size_t count) {
    if (count == 0)
        return crc;
    // A level the processor lacks would fault on its first instruction; every level gives the
    // same value, so the best one there is stands in.
    if (!CrcLevelSupported(level))
        level = BestCrcLevel();
    return KernelFor(level)(crc, static_cast<const unsigned char*>(buffer), count);
}

} // namespace quillon
