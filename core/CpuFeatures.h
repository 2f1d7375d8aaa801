#pragma once

namespace quillon {

// What this process may run: the processor has the instructions and, for the vector ones, the
// system saves their registers. Every flag is false off x86-64.
struct CpuFeatures {
    bool pclmul = false;  // PCLMULQDQ with SSE4.1
    bool avx512 = false;  // AVX-512F and AVX-512VL
    bool vpclmul = false; // avx512 with VPCLMULQDQ
    bool gfni = false;    // vpclmul with AVX-512BW, VBMI2 and GFNI
};

// Asked of the processor once, at first use.
const CpuFeatures& Cpu();

} // namespace quillon
