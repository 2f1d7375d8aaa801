#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quillon {

// The buffering and padding that SHA-1, SHA-256 and SHA-512 share. Whole blocks go to the block
// routine straight from the caller's memory; only a partial block is copied.
template <std::size_t Block, class Blocks>
void FeedBlocks(unsigned char* buffer, std::uint64_t& length, const unsigned char* p, std::size_t n,
                Blocks blocks) {
    std::size_t index = static_cast<std::size_t>(length % Block);
    length += n;
    if (index != 0) {
        const std::size_t room = Block - index;
        if (n < room) {
            std::memcpy(buffer + index, p, n);
            return;
        }
        std::memcpy(buffer + index, p, room);
        blocks(buffer, 1);
        p += room;
        n -= room;
    }
    if (n >= Block) {
        blocks(p, n / Block);
        p += n - n % Block;
        n %= Block;
    }
    if (n != 0)
        std::memcpy(buffer, p, n);
}

inline void StoreBig64(unsigned char* p, std::uint64_t v) {
    for (int i = 7; i >= 0; --i, v >>= 8)
        p[i] = static_cast<unsigned char>(v);
}

// The final blocks: a 1 bit, zeros, and the message length in bits, big-endian, in the last
// LengthBytes (8, or 16 for SHA-512) of a block.
template <std::size_t Block, std::size_t LengthBytes, class Blocks>
void PadBlocks(unsigned char* buffer, std::uint64_t length, Blocks blocks) {
    std::size_t index = static_cast<std::size_t>(length % Block);
    buffer[index++] = 0x80;
    if (index > Block - LengthBytes) {
        std::memset(buffer + index, 0, Block - index);
        blocks(buffer, 1);
        index = 0;
    }
    std::memset(buffer + index, 0, Block - 8 - index);
    if (LengthBytes == 16)
        StoreBig64(buffer + Block - 16, length >> 61);
    StoreBig64(buffer + Block - 8, length << 3);
    blocks(buffer, 1);
}

} // namespace quillon
