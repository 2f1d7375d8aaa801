#include "core/Blake3.h"
#include "core/Blake3Kernels.h"
#include "core/CpuFeatures.h"
#include "core/PathChoice.h"

#include <bit>
#include <cstring>
#include <utility>

#if defined(__x86_64__) || defined(_M_X64)
#define QUILLON_BLAKE3_X86 1
#endif

namespace quillon {

using namespace blake3flag;

namespace {

constexpr std::size_t ChunkLen = 1024, ChunksPerSubtree = Blake3SubtreeSize / ChunkLen;

inline std::uint32_t Ror(std::uint32_t x, int s) {
    return (x >> s) | (x << (32 - s));
}

inline std::uint32_t Load32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

inline void Store32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i, v >>= 8)
        p[i] = static_cast<unsigned char>(v);
}

inline void G(std::uint32_t v[16], int a, int b, int c, int d, std::uint32_t x, std::uint32_t y) {
    v[a] += v[b] + x;
    v[d] = Ror(v[d] ^ v[a], 16);
    v[c] += v[d];
    v[b] = Ror(v[b] ^ v[c], 12);
    v[a] += v[b] + y;
    v[d] = Ror(v[d] ^ v[a], 8);
    v[c] += v[d];
    v[b] = Ror(v[b] ^ v[c], 7);
}

// The compression function: all sixteen output words (the chaining value is the first eight).
void Compress(const std::uint32_t cv[8], const unsigned char block[64], std::uint32_t len,
              std::uint64_t counter, std::uint32_t flags, std::uint32_t out[16]) {
    std::uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = Load32(block + 4 * i);
    // clang-format off
    std::uint32_t v[16] = {cv[0], cv[1], cv[2], cv[3], cv[4], cv[5], cv[6], cv[7],
                           Blake3IV[0], Blake3IV[1], Blake3IV[2], Blake3IV[3],
                           static_cast<std::uint32_t>(counter),
                           static_cast<std::uint32_t>(counter >> 32), len, flags};
    // clang-format on
    for (int r = 0; r < 7; ++r) {
        const std::uint8_t* s = Blake3Schedule.word[r];
        G(v, 0, 4, 8, 12, m[s[0]], m[s[1]]);
        G(v, 1, 5, 9, 13, m[s[2]], m[s[3]]);
        G(v, 2, 6, 10, 14, m[s[4]], m[s[5]]);
        G(v, 3, 7, 11, 15, m[s[6]], m[s[7]]);
        G(v, 0, 5, 10, 15, m[s[8]], m[s[9]]);
        G(v, 1, 6, 11, 12, m[s[10]], m[s[11]]);
        G(v, 2, 7, 8, 13, m[s[12]], m[s[13]]);
        G(v, 3, 4, 9, 14, m[s[14]], m[s[15]]);
    }
    for (int i = 0; i < 8; ++i) {
        out[i] = v[i] ^ v[i + 8];
        out[i + 8] = v[i + 8] ^ cv[i];
    }
}

void HashPortable(const Blake3Job& job, unsigned char* out) {
    std::uint32_t cv[8];
    std::memcpy(cv, Blake3IV, sizeof cv);
    for (std::size_t b = 0; b < job.blocks; ++b) {
        std::uint32_t flags = job.flags;
        if (b == 0)
            flags |= job.flagsStart;
        if (b + 1 == job.blocks)
            flags |= job.flagsEnd;
        std::uint32_t words[16];
        Compress(cv, job.base + 64 * b, 64, job.counter, flags, words);
        std::memcpy(cv, words, sizeof cv);
    }
    for (int i = 0; i < 8; ++i)
        Store32(out + 4 * i, cv[i]);
}

// count inputs through the widest kernels the path allows, what is left through narrower ones.
void HashMany(Blake3Path path, Blake3Job job, std::size_t count, unsigned char* out) {
    auto run = [&](std::size_t lanes, void (*kernel)(const Blake3Job&, unsigned char*)) {
        for (; count >= lanes; count -= lanes) {
            kernel(job, out);
            job.base += lanes * job.stride;
            if (job.increment)
                job.counter += lanes;
            out += 32 * lanes;
        }
    };
#if QUILLON_BLAKE3_X86
    if (path >= Blake3Path::Avx512)
        run(16, Blake3HashAvx512);
    if (path >= Blake3Path::Avx2)
        run(8, Blake3HashAvx2);
    if (path >= Blake3Path::Sse41)
        run(4, Blake3HashSse41);
#endif
    run(1, HashPortable);
}

// chunks (a power of two, 2 to ChunksPerSubtree) whole chunks from chunk counter on, aligned to
// their size: the chaining values of the two halves.
void HashSubtree(Blake3Path path, const unsigned char* p, std::size_t chunks, std::uint64_t counter,
                 std::uint32_t left[8], std::uint32_t right[8]) {
    alignas(64) unsigned char a[ChunksPerSubtree * 32], b[ChunksPerSubtree / 2 * 32];
    HashMany(path, {p, ChunkLen, ChunkLen / 64, counter, true, 0, ChunkStart, ChunkEnd}, chunks, a);
    unsigned char *in = a, *out = b;
    // Each pair of chaining values side by side is the block of their parent.
    for (; chunks > 2; chunks /= 2) {
        HashMany(path, {in, 64, 1, 0, false, Parent, 0, 0}, chunks / 2, out);
        std::swap(in, out);
    }
    for (int i = 0; i < 8; ++i) {
        left[i] = Load32(in + 4 * i);
        right[i] = Load32(in + 32 + 4 * i);
    }
}

Blake3Path Measure() {
    // Sixteen whole chunks: every path's widest kernel, and the parents.
    static unsigned char data[16 * ChunkLen];
    std::uint32_t left[8], right[8];
    Blake3Path paths[4];
    int count = 0;
    for (Blake3Path p :
         {Blake3Path::Portable, Blake3Path::Sse41, Blake3Path::Avx2, Blake3Path::Avx512})
        if (Blake3PathSupported(p))
            paths[count++] = p;
    return paths[FastestRoutine(count,
                                [&](int i) { HashSubtree(paths[i], data, 16, 0, left, right); })];
}

PathChoice<Blake3Path> Choice(BestBlake3Path);

} // namespace

// What a node's compression would take; finished as a chaining value or, at the root, as bytes.
struct Blake3::Output {
    std::uint32_t cv[8];
    unsigned char block[64];
    std::uint32_t len;
    std::uint64_t counter;
    std::uint32_t flags;

    static Output OfParent(const std::uint32_t left[8], const std::uint32_t right[8]) {
        Output o;
        std::memcpy(o.cv, Blake3IV, sizeof o.cv);
        for (int i = 0; i < 8; ++i) {
            Store32(o.block + 4 * i, left[i]);
            Store32(o.block + 32 + 4 * i, right[i]);
        }
        o.len = 64;
        o.counter = 0;
        o.flags = Parent;
        return o;
    }
    void ChainingValue(std::uint32_t cvOut[8]) const {
        std::uint32_t words[16];
        Compress(cv, block, len, counter, flags, words);
        std::memcpy(cvOut, words, 32);
    }
    void Root(unsigned char digest[32]) const {
        // The root's counter counts output blocks: 0 for the first 64 bytes.
        std::uint32_t words[16];
        Compress(cv, block, len, 0, flags | blake3flag::Root, words);
        for (int i = 0; i < 8; ++i)
            Store32(digest + 4 * i, words[i]);
    }
};

void Blake3::Reset() {
    ResetChunk();
    chunkCounter_ = 0;
    stackLen_ = 0;
}

void Blake3::ResetChunk() {
    std::memcpy(cv_, Blake3IV, sizeof cv_);
    blockLen_ = 0;
    blocksDone_ = 0;
}

void Blake3::ChunkUpdate(const unsigned char* p, std::size_t n) {
    while (n != 0) {
        // A full block is compressed only once more input shows it is not the chunk's last.
        if (blockLen_ == 64) {
            std::uint32_t words[16];
            Compress(cv_, block_, 64, chunkCounter_, blocksDone_ == 0 ? ChunkStart : 0, words);
            std::memcpy(cv_, words, sizeof cv_);
            ++blocksDone_;
            blockLen_ = 0;
        }
        const std::size_t take = n < 64 - blockLen_ ? n : 64 - blockLen_;
        std::memcpy(block_ + blockLen_, p, take);
        blockLen_ += take;
        p += take;
        n -= take;
    }
}

Blake3::Output Blake3::ChunkOutput() const {
    Output o;
    std::memcpy(o.cv, cv_, sizeof o.cv);
    std::memcpy(o.block, block_, blockLen_);
    std::memset(o.block + blockLen_, 0, 64 - blockLen_);
    o.len = static_cast<std::uint32_t>(blockLen_);
    o.counter = chunkCounter_;
    o.flags = (blocksDone_ == 0 ? ChunkStart : 0) | ChunkEnd;
    return o;
}

// Once more input follows `chunks` chunks, the subtrees of the stack that its binary form does
// not need are merged: none of them can be the root.
void Blake3::MergeTo(std::uint64_t chunks) {
    const auto keep = static_cast<std::size_t>(std::popcount(chunks));
    while (stackLen_ > keep) {
        Output::OfParent(stack_[stackLen_ - 2], stack_[stackLen_ - 1])
            .ChainingValue(stack_[stackLen_ - 2]);
        --stackLen_;
    }
}

void Blake3::Push(const std::uint32_t cv[8]) {
    std::memcpy(stack_[stackLen_++], cv, 32);
}

void Blake3::Update(const void* data, std::size_t size) {
    auto p = static_cast<const unsigned char*>(data);
    if (size == 0)
        return;
    const Blake3Path path = Choice.Current();
    if (ChunkBytes() != 0) {
        if (ChunkBytes() < ChunkLen) {
            const std::size_t take = std::min(size, ChunkLen - ChunkBytes());
            ChunkUpdate(p, take);
            p += take;
            size -= take;
            if (size == 0)
                return;
        }
        // A full chunk with more input after it.
        std::uint32_t cv[8];
        ChunkOutput().ChainingValue(cv);
        MergeTo(chunkCounter_);
        Push(cv);
        ++chunkCounter_;
        ResetChunk();
    }
    // Whole subtrees straight from the caller's memory, as large as their alignment allows. One
    // that ends the input keeps its halves apart (the root is finished differently); a single
    // chunk goes this way only when more input follows it.
    while (size > ChunkLen) {
        std::size_t chunks = std::bit_floor(std::min(size / ChunkLen, ChunksPerSubtree));
        while (chunkCounter_ % chunks != 0)
            chunks /= 2;
        MergeTo(chunkCounter_);
        if (chunks == 1) {
            unsigned char cvBytes[32];
            HashMany(path,
                     {p, ChunkLen, ChunkLen / 64, chunkCounter_, true, 0, ChunkStart, ChunkEnd}, 1,
                     cvBytes);
            std::uint32_t cv[8];
            for (int i = 0; i < 8; ++i)
                cv[i] = Load32(cvBytes + 4 * i);
            Push(cv);
        } else {
            std::uint32_t left[8], right[8];
            HashSubtree(path, p, chunks, chunkCounter_, left, right);
            Push(left);
            Push(right);
        }
        chunkCounter_ += chunks;
        p += chunks * ChunkLen;
        size -= chunks * ChunkLen;
    }
    if (size != 0) {
        ChunkUpdate(p, size);
        MergeTo(chunkCounter_);
    }
}

void Blake3::AppendSubtree(const Blake3Subtree& subtree) {
    MergeTo(chunkCounter_);
    Push(subtree.left);
    Push(subtree.right);
    chunkCounter_ += ChunksPerSubtree;
}

void Blake3::Final(unsigned char digest[DigestSize]) {
    Output o;
    std::size_t below;
    if (ChunkBytes() != 0 || stackLen_ == 0) {
        // The stack is merged down to the chunks before this one (empty input: one empty chunk).
        o = ChunkOutput();
        below = stackLen_;
    } else {
        // The input ended with a whole subtree: its two halves are the top of the stack.
        o = Output::OfParent(stack_[stackLen_ - 2], stack_[stackLen_ - 1]);
        below = stackLen_ - 2;
    }
    while (below != 0) {
        std::uint32_t cv[8];
        o.ChainingValue(cv);
        o = Output::OfParent(stack_[--below], cv);
    }
    o.Root(digest);
    std::memset(block_, 0, sizeof block_);
    Reset();
}

void Blake3HashSubtree(const unsigned char* p, std::uint64_t index, Blake3Subtree& subtree) {
    HashSubtree(Choice.Current(), p, ChunksPerSubtree, index * ChunksPerSubtree, subtree.left,
                subtree.right);
}

bool Blake3PathSupported(Blake3Path path) {
    switch (path) {
    case Blake3Path::Portable:
        return true;
#if QUILLON_BLAKE3_X86
    // Each path runs its leftovers through the narrower kernels: it needs them all.
    case Blake3Path::Sse41:
        return Cpu().sse41;
    case Blake3Path::Avx2:
        return Cpu().sse41 && Cpu().avx2;
    case Blake3Path::Avx512:
        return Cpu().sse41 && Cpu().avx2 && Cpu().avx512;
#endif
    default:
        return false;
    }
}

Blake3Path BestBlake3Path() {
    // Measured once; a function-local static, so threads that come together wait for one run.
    static const Blake3Path best = Measure();
    return best;
}

const char* Blake3PathName(Blake3Path path) {
    switch (path) {
    case Blake3Path::Portable:
        return "Portable";
    case Blake3Path::Sse41:
        return "Sse41";
    case Blake3Path::Avx2:
        return "Avx2";
    case Blake3Path::Avx512:
        return "Avx512";
    }
    return "Unknown";
}

Blake3Path SelectBlake3Path(Blake3Path path) {
    return Choice.Select(Blake3PathSupported(path) ? path : BestBlake3Path());
}

Blake3Path ActiveBlake3Path() {
    return Choice.Current();
}

} // namespace quillon
