#pragma once

namespace quillon {

// What this process may run: the processor has the instructions and, for the vector ones, the
// system saves their registers. Every flag is false off x86-64.
struct CpuFeatures {
    bool sse41 = false;   // SSE4.1 (and the SSSE3 byte shuffle it implies)
    bool pclmul = false;  // PCLMULQDQ with SSE4.1
    bool sha = false;     // the SHA-1 and SHA-256 instructions with SSE4.1
    bool avx2 = false;    // AVX2 with the register state enabled
    bool bmi2 = false;    // BMI1 and BMI2 (andn, rorx): general registers only, no state to enable
    bool avx512 = false;  // AVX-512F and AVX-512VL
    bool vpclmul = false; // avx512 with VPCLMULQDQ
    bool gfni = false;    // vpclmul with AVX-512BW, VBMI2 and GFNI
};

// Asked of the processor once, at first use.
const CpuFeatures& Cpu();

} // namespace quillon
