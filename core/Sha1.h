#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon {

// SHA-1 as FIPS 180-4 defines it: no longer fit for signatures, still what many lists hold.
class Sha1 {
public:
    static constexpr std::size_t DigestSize = 20;
    Sha1() { Reset(); }
    void Reset();
    void Update(const void* data, std::size_t size);
    // Writes the digest and starts a new message.
    void Final(unsigned char digest[DigestSize]);

private:
    std::uint32_t state_[5];
    std::uint64_t length_; // bytes fed so far
    unsigned char buffer_[64];
};

// The block routines Sha1 chooses from, as MD5.h describes for MD5. Every path gives the same
// result.
enum class Sha1Path { Scalar, ShaNi };
bool Sha1PathSupported(Sha1Path path);
Sha1Path BestSha1Path();
const char* Sha1PathName(Sha1Path path);
Sha1Path SelectSha1Path(Sha1Path path);
Sha1Path ActiveSha1Path();
// Runs count 64-byte blocks through one path; a path the processor lacks runs the best one.
void Sha1Blocks(Sha1Path path, std::uint32_t state[5], const void* blocks, std::size_t count);

} // namespace quillon
