#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon {

// The whole-block subtrees a file's BLAKE3 is split into for other threads: one read block.
constexpr std::size_t Blake3SubtreeSize = 65536;

// A subtree of Blake3SubtreeSize bytes hashed apart: the chaining values of its two halves, kept
// apart until more input follows, because a subtree that ends the input is merged into the root,
// which is finished differently.
struct Blake3Subtree {
    std::uint32_t left[8], right[8];
};

// BLAKE3's default hash (32 bytes, unkeyed), from the BLAKE3 paper. Whole chunks are hashed side by
// side in vector lanes, as are the parents of their tree.
class Blake3 {
public:
    static constexpr std::size_t DigestSize = 32;
    Blake3() { Reset(); }
    void Reset();
    void Update(const void* data, std::size_t size);
    // Writes the digest and starts a new message.
    void Final(unsigned char digest[DigestSize]);

    // True when the input so far is whole subtrees: AppendSubtree may come next.
    bool AtSubtreeEdge() const { return ChunkBytes() == 0 && chunkCounter_ % 64 == 0; }
    // The next Blake3SubtreeSize bytes of input, hashed by Blake3HashSubtree. Needs AtSubtreeEdge.
    void AppendSubtree(const Blake3Subtree& subtree);
    // Input so far in whole subtrees (exact when AtSubtreeEdge).
    std::uint64_t SubtreesDone() const { return chunkCounter_ / 64; }

private:
    struct Output;
    std::size_t ChunkBytes() const { return blocksDone_ * 64 + blockLen_; }
    void ChunkUpdate(const unsigned char* p, std::size_t n);
    Output ChunkOutput() const;
    void ResetChunk();
    void MergeTo(std::uint64_t chunks);
    void Push(const std::uint32_t cv[8]);

    // The chunk under way: at least one byte of it once any input came, so that the last chunk,
    // which may be the root, is finished only in Final.
    std::uint32_t cv_[8];
    unsigned char block_[64];
    std::size_t blockLen_;
    std::size_t blocksDone_;
    std::uint64_t chunkCounter_; // chunks before the one under way
    // Chaining values of complete subtrees, largest first; merged lazily, only once more input
    // is known to follow, because the last merge is the root.
    std::uint32_t stack_[64][8];
    std::size_t stackLen_;
};

// Hashes bytes [64 KiB * index, 64 KiB * (index + 1)) of an input, at p, into subtree. Any thread.
void Blake3HashSubtree(const unsigned char* p, std::uint64_t index, Blake3Subtree& subtree);

// The routines Blake3 chooses from for many chunks or parents side by side: one at a time, or 4,
// 8 or 16 lanes of SSE4.1, AVX2 or AVX-512 registers (each path runs what is left over of a
// group through the narrower ones). As MD5.h describes for MD5; every path gives the same result.
enum class Blake3Path { Portable, Sse41, Avx2, Avx512 };
bool Blake3PathSupported(Blake3Path path);
Blake3Path BestBlake3Path();
const char* Blake3PathName(Blake3Path path);
Blake3Path SelectBlake3Path(Blake3Path path);
Blake3Path ActiveBlake3Path();

} // namespace quillon
