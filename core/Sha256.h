#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon {

// SHA-256 as FIPS 180-4 defines it.
class Sha256 {
public:
    static constexpr std::size_t DigestSize = 32;
    Sha256() { Reset(); }
    void Reset();
    void Update(const void* data, std::size_t size);
    // Writes the digest and starts a new message.
    void Final(unsigned char digest[DigestSize]);

private:
    std::uint32_t state_[8];
    std::uint64_t length_; // bytes fed so far
    unsigned char buffer_[64];
};

// The block routines Sha256 chooses from, as MD5.h describes for MD5. Every path gives the same
// result.
enum class Sha256Path { Scalar, ShaNi };
bool Sha256PathSupported(Sha256Path path);
Sha256Path BestSha256Path();
const char* Sha256PathName(Sha256Path path);
Sha256Path SelectSha256Path(Sha256Path path);
Sha256Path ActiveSha256Path();
// Runs count 64-byte blocks through one path; a path the processor lacks runs the best one.
void Sha256Blocks(Sha256Path path, std::uint32_t state[8], const void* blocks, std::size_t count);

} // namespace quillon
