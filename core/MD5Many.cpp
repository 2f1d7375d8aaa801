#include "core/MD5Many.h"

#include "core/MD5Kernels.h"

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
    // Sixteen lanes beat one chain on every processor with AVX-512, Zen 4's slow rotate included.
    MD5Many(Md5Path::Avx512, messages, lengths, count, digests);
}

} // namespace quillon
