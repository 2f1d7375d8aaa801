#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon {

// MD5 as published in RFC 1321.
struct TMD5Context {
    std::uint32_t State[4]; // A, B, C, D
    std::uint32_t Count[2]; // bits fed so far, low word first
    unsigned char Buffer[64];
};

// The largest count one MD5Update call is made for (its position in the input is 16 bits wide).
constexpr std::uint32_t MD5MaxUpdate = 65535;
// The pieces MD5UpdateBuffer hands to MD5Update.
constexpr std::size_t MD5FeedPiece = 16384;

void MD5Init(TMD5Context& context);
// Asserts count <= MD5MaxUpdate; a release build digests a larger count whole all the same.
void MD5Update(TMD5Context& context, const void* buffer, std::uint32_t count);
// Pads, writes the digest (A first, each word least significant byte first) and clears context.
void MD5Final(unsigned char digest[16], TMD5Context& context);
// Feeds a buffer of any length through MD5Update in pieces of at most MD5FeedPiece bytes.
void MD5UpdateBuffer(TMD5Context& context, const void* buffer, std::size_t count);

// The block routines MD5Update and MD5Final choose from. Every path gives the same result.
enum class Md5Path { Scalar, Avx512 };
bool Md5PathSupported(Md5Path path);
// The faster supported path here, timed on a few KiB at the first call (a fraction of a
// millisecond, once per process); MD5Update and MD5Final use it unless a path was selected.
Md5Path BestMd5Path();
const char* Md5PathName(Md5Path path);
// Makes MD5Update and MD5Final use path for the whole process (tests and benchmarks) and returns
// the path used before. A path the processor lacks selects the best one it has.
Md5Path SelectMd5Path(Md5Path path);
Md5Path ActiveMd5Path();
// Runs count 64-byte blocks through one path; the path must be supported.
void MD5Blocks(Md5Path path, std::uint32_t state[4], const void* blocks, std::size_t count);

} // namespace quillon
