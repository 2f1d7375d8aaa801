#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon {

#if defined(__x86_64__) || defined(_M_X64)
// The four MD5 functions as vpternlogd truth tables, with b = 0xF0, c = 0xCC, d = 0xAA.
namespace md5ternary {
constexpr int F = 0xCA; // (b & c) | (~b & d)
constexpr int G = 0xE4; // (b & d) | (c & ~d)
constexpr int H = 0x96; // b ^ c ^ d
constexpr int I = 0x39; // c ^ (b | ~d)
} // namespace md5ternary

// Needs AVX-512F and AVX-512VL with the register state enabled by the system.
void Md5BlocksAvx512(std::uint32_t state[4], const unsigned char* p, std::size_t blocks);
// Whole messages, one per lane of a 512-bit register; count is 1 to 16. Needs AVX-512F.
void Md5ManyAvx512(const unsigned char* const messages[], const std::size_t lengths[],
                   std::size_t count, unsigned char digests[][16]);
// What one block of all sixteen lanes of Md5ManyAvx512 costs here, in blocks of the scalar path:
// measured at first use with the single-stream paths. Needs AVX-512F.
double Md5ManyBlockCost();
#endif

} // namespace quillon
