#include "core/Crc32.h"

#include "core/FileError.h"
#include "platform/FileReader.h"

#include <cmath>
#include <memory>

namespace quillon {

namespace {

// The block buffer: left unfilled (each byte used is read into it first) and on a cache line,
// where the system's copy into it runs at full speed; a 16-byte offset was measured 30% slower.
struct alignas(64) DigestBlock {
    unsigned char bytes[DigestBufferSize];
};

} // namespace

std::atomic<bool> AbortRequested{false};
std::atomic<bool> NoMessagePump{false};
ProgressHandler OnProgress;
std::function<void()> MessagePump;

std::int32_t DigestPercent(std::int64_t done, std::int64_t length) {
    // nearbyint under the default rounding mode takes halves to even.
    return static_cast<std::int32_t>(
        std::nearbyint(static_cast<double>(done) / static_cast<double>(length) * 100.0));
}

std::uint32_t FileCrc32(const std::filesystem::path& fileName, bool* complete,
                        platform::OpenMode mode) {
    if (complete) *complete = false;
    auto buffer = std::make_unique_for_overwrite<DigestBlock>();
    platform::FileReader file;
    platform::OsError error;
    if (!file.Open(fileName, &error, mode)) throw FileError(FileError::Kind::Open, fileName, error);
    const std::int64_t length = file.Length();
    std::int64_t done = 0;
    std::uint32_t crc = 0xFFFFFFFFu;
    for (;;) {
        std::int64_t n = file.Read(buffer->bytes, DigestBufferSize, &error);
        if (n < 0) throw FileError(FileError::Kind::Read, fileName, error);
        crc = UpdateCrc32(crc, buffer->bytes, static_cast<std::int32_t>(n));
        done += n;
        if (OnProgress && length != 0)
            OnProgress(DigestPercent(done, length), static_cast<std::int32_t>(n));
        if (!NoMessagePump && MessagePump) MessagePump();
        if (n != DigestBufferSize) {
            if (complete) *complete = true; // read to the end
            break;
        }
        if (AbortRequested) break;
    }
    return ~crc;
}

} // namespace quillon
