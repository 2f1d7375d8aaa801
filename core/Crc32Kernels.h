#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon {

// One routine behind a CrcLevel. A level may choose between several of them by what the processor
// has; tests and benchmarks reach each one through this list.
struct CrcKernel {
    const char* name;
    bool supported; // on this processor
    std::uint32_t (*update)(std::uint32_t crc, const unsigned char* buffer, std::size_t count);
};

// Every routine, slowest first.
std::span<const CrcKernel> CrcKernels();

} // namespace quillon
