#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon {

#if defined(__x86_64__) || defined(_M_X64)
// Need the SHA extensions with SSE4.1 (CpuFeatures::sha).
void Sha1BlocksShaNi(std::uint32_t state[5], const unsigned char* p, std::size_t blocks);
void Sha256BlocksShaNi(std::uint32_t state[8], const unsigned char* p, std::size_t blocks);
// Needs AVX2 and BMI2.
void Sha512BlocksAvx2(std::uint64_t state[8], const unsigned char* p, std::size_t blocks);
// Needs AVX2, BMI2 and AVX-512F with VL.
void Sha512BlocksAvx512(std::uint64_t state[8], const unsigned char* p, std::size_t blocks);
#endif

// The SHA-256 and SHA-512 round constants of FIPS 180-4, section 4.2.
extern const std::uint32_t Sha256K[64];
extern const std::uint64_t Sha512K[80];

} // namespace quillon
