#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon {

inline constexpr std::uint32_t Blake3IV[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                              0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

namespace blake3flag {
constexpr std::uint8_t ChunkStart = 1, ChunkEnd = 2, Parent = 4, Root = 8;
}

// The message word each round takes in each position: the paper's permutation applied once more
// every round.
struct Blake3ScheduleTable {
    std::uint8_t word[7][16];
};
consteval Blake3ScheduleTable MakeBlake3Schedule() {
    constexpr std::uint8_t permutation[16] = {2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8};
    Blake3ScheduleTable t{};
    for (int i = 0; i < 16; ++i)
        t.word[0][i] = static_cast<std::uint8_t>(i);
    for (int r = 1; r < 7; ++r)
        for (int i = 0; i < 16; ++i)
            t.word[r][i] = t.word[r - 1][permutation[i]];
    return t;
}
inline constexpr Blake3ScheduleTable Blake3Schedule = MakeBlake3Schedule();

// Inputs hashed side by side: input i at base + i * stride, each of blocks 64-byte blocks, from
// the key IV. Its counter is counter + i when increment (chunks), else counter (parents). flags
// go on every block, flagsStart on the first and flagsEnd on the last.
struct Blake3Job {
    const unsigned char* base;
    std::size_t stride;
    std::size_t blocks;
    std::uint64_t counter;
    bool increment;
    std::uint8_t flags, flagsStart, flagsEnd;
};

#if defined(__x86_64__) || defined(_M_X64)
// Each hashes as many inputs as its registers have lanes and writes their 32-byte chaining values
// one after another to out. Need SSE4.1; AVX2; AVX-512F and VL.
void Blake3HashSse41(const Blake3Job& job, unsigned char* out);  // 4 inputs
void Blake3HashAvx2(const Blake3Job& job, unsigned char* out);   // 8 inputs
void Blake3HashAvx512(const Blake3Job& job, unsigned char* out); // 16 inputs
#endif

} // namespace quillon
