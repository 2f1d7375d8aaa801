#pragma once
#include "platform/FileReader.h"
#include <cstdint>
#include <filesystem>
#include <functional>

namespace quillon {

// The reflected CRC-32 of the polynomial 0xEDB88320 (zip, PNG, Ethernet).
extern const std::uint32_t Crc32Table[256];

// Folds count bytes into the running value; no inversion here. count <= 0 returns crc unchanged.
// Uses the fastest routine this processor has; every routine gives the same result.
std::uint32_t UpdateCrc32(std::uint32_t crc, const void* buffer, std::int32_t count);

// The routines UpdateCrc32 chooses from, slowest first.
enum class CrcLevel { Table, Slice16, Pclmul, Vpclmul };
bool CrcLevelSupported(CrcLevel level);
CrcLevel BestCrcLevel();
// Size_t-wide entry for one level (tests and benchmarks); the level must be supported.
std::uint32_t UpdateCrc32At(CrcLevel level, std::uint32_t crc, const void* buffer,
                            std::size_t count);
const char* CrcLevelName(CrcLevel level);

class RunState;

// The block size of every file digest.
constexpr std::int32_t DigestBufferSize = 65536;

struct DigestBlock;
// While one lives, the file digests of its thread read into the block it holds instead of taking
// one each: a check of many small files would otherwise take and give back 64 KiB per file.
class DigestBlockKeeper {
public:
    DigestBlockKeeper();
    ~DigestBlockKeeper();
    DigestBlockKeeper(const DigestBlockKeeper&) = delete;
    DigestBlockKeeper& operator=(const DigestBlockKeeper&) = delete;

private:
    DigestBlock* block_;
    DigestBlock* previous_;
};

// The percent passed to OnProgress: done / length x 100 to the nearest integer, halves to even.
std::int32_t DigestPercent(std::int64_t done, std::int64_t length);

enum class BlockRun { OpenFailed, ReadFailed, Aborted, Complete };
// The loop of every file digest: opens fileName and hands each block read, of up to
// DigestBufferSize bytes, to digest; then calls run's OnProgress (a file of length 0 gets no
// call) and, when pumpMessages, its MessagePump. Complete when a short read ends the file;
// Aborted when run's AbortRequested is seen after a full block. error tells why an open or a
// read failed. Without a run nothing is reported and nothing stops the read.
// openedLength (optional) gets the length the open found.
BlockRun DigestFileBlocks(const std::filesystem::path::string_type& fileName,
                          platform::OpenMode mode, RunState* run, bool pumpMessages,
                          platform::OsError& error,
                          const std::function<void(const unsigned char*, std::size_t)>& digest,
                          std::int64_t* openedLength = nullptr);

// The finished CRC-32 of a whole file, read as DigestFileBlocks reads it. Throws FileError
// ("Cannot open file %s") when the file cannot be opened. complete (optional) tells whether
// every byte was read: false after an abort or a failed read. With OpenMode::RegularOnly a name
// that holds no regular file raises the error with noFile set in its reason, the name unread.
std::uint32_t FileCrc32(const std::filesystem::path& fileName, RunState* run = nullptr,
                        bool pumpMessages = false, bool* complete = nullptr,
                        platform::OpenMode mode = platform::OpenMode::AnyKind);

} // namespace quillon
