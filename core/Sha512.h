#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon {

// SHA-512 as FIPS 180-4 defines it.
class Sha512 {
public:
    static constexpr std::size_t DigestSize = 64;
    Sha512() { Reset(); }
    void Reset();
    void Update(const void* data, std::size_t size);
    // Writes the digest and starts a new message.
    void Final(unsigned char digest[DigestSize]);

private:
    std::uint64_t state_[8];
    std::uint64_t length_; // bytes fed so far: the upper half of the 128-bit bit count is its top
    unsigned char buffer_[128];
};

// The block routines Sha512 chooses from, as MD5.h describes for MD5: Avx2 runs the rounds on
// general registers (with BMI2's rotates) and the message schedule of two blocks at a time in
// vector registers beside them; Avx512 does the same with AVX-512VL's rotates and three-way XOR.
// Every path gives the same result.
enum class Sha512Path { Scalar, Avx2, Avx512 };
bool Sha512PathSupported(Sha512Path path);
Sha512Path BestSha512Path();
const char* Sha512PathName(Sha512Path path);
Sha512Path SelectSha512Path(Sha512Path path);
Sha512Path ActiveSha512Path();
// Runs count 128-byte blocks through one path; a path the processor lacks runs the best one.
void Sha512Blocks(Sha512Path path, std::uint64_t state[8], const void* blocks, std::size_t count);

} // namespace quillon
