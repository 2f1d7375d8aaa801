#include "core/CpuFeatures.h"

#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64)
#include <cpuid.h>
#define QUILLON_CPUID_X86 1
#endif

namespace quillon {
namespace {

#if QUILLON_CPUID_X86

std::uint64_t ReadXcr0() {
    std::uint32_t low = 0, high = 0;
    // The instruction rather than _xgetbv, which would need the xsave target on this function.
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return static_cast<std::uint64_t>(high) << 32 | low;
}

CpuFeatures Detect() {
    CpuFeatures f;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return f;
    constexpr unsigned Sse41 = 1u << 19, Pclmul = 1u << 1, OsXsave = 1u << 27;
    f.sse41 = c & Sse41;
    f.pclmul = f.sse41 && (c & Pclmul);
    const bool avx = c & (1u << 28), osXsave = c & OsXsave;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return f;
    constexpr unsigned Bmi1 = 1u << 3, Avx2 = 1u << 5, Bmi2 = 1u << 8, Sha = 1u << 29;
    f.sha = f.sse41 && (b & Sha);
    f.bmi2 = (b & Bmi1) && (b & Bmi2);
    // Without OSXSAVE, xgetbv itself is an invalid instruction.
    if (!osXsave)
        return f;
    // The system must save the SSE and AVX registers (XCR0 bits 1 and 2).
    f.avx2 = avx && (b & Avx2) && (ReadXcr0() & 6) == 6;
    constexpr unsigned Avx512F = 1u << 16, Avx512VL = 1u << 31, Avx512BW = 1u << 30;
    constexpr unsigned Vpclmulqdq = 1u << 10, Vbmi2 = 1u << 6, Gfni = 1u << 8;
    // The processor having the instructions is not enough: the system must save the state of
    // the SSE and AVX registers (bits 1, 2) and of the opmask and 512-bit registers (bits 5-7);
    // EVEX code touches that state even at 128 bits.
    constexpr std::uint64_t ZmmState = 0xE6;
    f.avx512 = (b & Avx512F) && (b & Avx512VL) && (ReadXcr0() & ZmmState) == ZmmState;
    f.vpclmul = f.avx512 && f.pclmul && (c & Vpclmulqdq);
    f.gfni = f.vpclmul && (b & Avx512BW) && (c & Vbmi2) && (c & Gfni);
    return f;
}

#else

CpuFeatures Detect() {
    return {};
}

#endif

} // namespace

const CpuFeatures& Cpu() {
    static const CpuFeatures features = Detect();
    return features;
}

} // namespace quillon
