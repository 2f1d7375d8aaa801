#include "core/MD5Many.h"

#include "core/MD5Kernels.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace quillon {

namespace {

void OneByOne(const unsigned char* const messages[], const std::size_t lengths[],
              std::size_t count, unsigned char digests[][16]) {
    for (std::size_t i = 0; i < count; ++i) {
        TMD5Context context;
        MD5Init(context);
        MD5UpdateBuffer(context, messages[i], lengths[i]);
        MD5Final(digests[i], context);
    }
}

#if defined(__x86_64__) || defined(_M_X64)

// Blocks MD5 runs for a message, padding included.
std::size_t BlocksOf(std::size_t length) {
    return (length + 8) / 64 + 1;
}

// The sixteen-lane kernel runs as many blocks as the longest of its messages, each at the
// measured cost of a block of all lanes; alone, a message costs its own blocks. So the longest
// messages of an uneven group go alone when that is cheaper: one of 60 KiB beside short ones
// took 2.3 times as long in the lanes here.
void Group(const unsigned char* const messages[], const std::size_t lengths[], std::size_t count,
           unsigned char digests[][16]) {
    std::size_t order[MD5ManyLanes];
    std::iota(order, order + count, std::size_t{0});
    std::sort(order, order + count,
              [&](std::size_t x, std::size_t y) { return lengths[x] > lengths[y]; });
    const double laneBlock = Md5ManyBlockCost();
    std::size_t alone = count; // how many of the longest go alone
    double aloneBlocks = 0, cheapest = 0;
    for (std::size_t i = 0; i < count; ++i)
        cheapest += static_cast<double>(BlocksOf(lengths[i]));
    for (std::size_t j = 0; j + 1 < count; ++j) {
        const double cost =
            aloneBlocks + laneBlock * static_cast<double>(BlocksOf(lengths[order[j]]));
        if (cost < cheapest) {
            cheapest = cost;
            alone = j;
        }
        aloneBlocks += static_cast<double>(BlocksOf(lengths[order[j]]));
    }
    for (std::size_t j = 0; j < alone; ++j)
        OneByOne(messages + order[j], lengths + order[j], 1, digests + order[j]);
    if (alone == count)
        return;
    const unsigned char* laneMessages[MD5ManyLanes];
    std::size_t laneLengths[MD5ManyLanes];
    unsigned char laneDigests[MD5ManyLanes][16];
    const std::size_t lanes = count - alone;
    for (std::size_t l = 0; l < lanes; ++l) {
        laneMessages[l] = messages[order[alone + l]];
        laneLengths[l] = lengths[order[alone + l]];
    }
    Md5ManyAvx512(laneMessages, laneLengths, lanes, laneDigests);
    for (std::size_t l = 0; l < lanes; ++l)
        std::memcpy(digests[order[alone + l]], laneDigests[l], 16);
}

#endif

} // namespace

void MD5Many(Md5Path path, const unsigned char* const messages[], const std::size_t lengths[],
             std::size_t count, unsigned char digests[][16]) {
#if defined(__x86_64__) || defined(_M_X64)
    if (path == Md5Path::Avx512 && Md5PathSupported(Md5Path::Avx512)) {
        for (std::size_t i = 0; i < count; i += MD5ManyLanes) {
            const std::size_t n = count - i < MD5ManyLanes ? count - i : MD5ManyLanes;
            if (n == 1)
                OneByOne(messages + i, lengths + i, 1, digests + i);
            else
                Md5ManyAvx512(messages + i, lengths + i, n, digests + i);
        }
        return;
    }
#endif
    (void)path;
    OneByOne(messages, lengths, count, digests);
}

void MD5Many(const unsigned char* const messages[], const std::size_t lengths[], std::size_t count,
             unsigned char digests[][16]) {
#if defined(__x86_64__) || defined(_M_X64)
    // Sixteen even lanes beat one chain on every processor with AVX-512, Zen 4's slow rotate
    // included; uneven ones are split by cost.
    if (Md5PathSupported(Md5Path::Avx512)) {
        for (std::size_t i = 0; i < count; i += MD5ManyLanes) {
            const std::size_t n = count - i < MD5ManyLanes ? count - i : MD5ManyLanes;
            Group(messages + i, lengths + i, n, digests + i);
        }
        return;
    }
#endif
    OneByOne(messages, lengths, count, digests);
}

} // namespace quillon
