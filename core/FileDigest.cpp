#include "core/FileDigest.h"

#include "core/Crc32.h"
#include "core/MD5.h"
#include "core/RunState.h"
#include "platform/FileReader.h"

#include <new>

namespace quillon {

namespace {

using PathText = std::filesystem::path::string_type;

DigestResult CrcDigest(const PathText& fileName, RunState& run, bool pumpMessages,
                       platform::OpenMode mode) {
    DigestResult r;
    try {
        std::uint32_t crc = 0xFFFFFFFFu;
        const BlockRun result = DigestFileBlocks(
            fileName, mode, &run, pumpMessages, r.error,
            [&crc](const unsigned char* p, std::size_t n) {
                crc = UpdateCrc32(crc, p, static_cast<std::int32_t>(n));
            },
            &r.length);
        r.complete = result == BlockRun::Complete;
        r.aborted = result == BlockRun::Aborted;
        if (r.complete || r.aborted) {
            r.text = CrcText(~crc);
        } else {
            // Not opened, or not read to its end: the traditional stand-in.
            r.text = CrcText(0xFFFFFFFFu);
            if (!r.error) r.error.code = -1;
        }
    } catch (...) {
        r = DigestResult();
        r.text = CrcText(0xFFFFFFFFu);
        r.error.code = -1;
        r.error.text = "out of memory";
    }
    return r;
}

// pumpMessages: the create run on the GUI thread lets the window breathe between blocks.
DigestResult Md5Digest(const PathText& fileName, RunState& run, bool pumpMessages,
                       platform::OpenMode mode) {
    DigestResult r;
    try {
        TMD5Context context;
        MD5Init(context);
        // A failed read leaves the digest of the part read; not complete.
        const BlockRun result = DigestFileBlocks(
            fileName, mode, &run, pumpMessages, r.error,
            [&context](const unsigned char* p, std::size_t n) { MD5UpdateBuffer(context, p, n); },
            &r.length);
        r.complete = result == BlockRun::Complete;
        r.aborted = result == BlockRun::Aborted;
        if (!r.complete && !r.aborted && !r.error)
            r.error.code = -1;
        unsigned char digest[16];
        MD5Final(digest, context);
        r.text = Md5Text(digest);
    } catch (const std::bad_alloc&) {
        r = DigestResult();
        r.error.code = -1;
        r.error.text = "out of memory";
    }
    return r;
}

} // namespace

std::string CrcText(std::uint32_t crc) {
    static const char hex[] = "0123456789ABCDEF";
    std::string s(8, '0');
    for (int i = 7; i >= 0; --i, crc >>= 4) s[static_cast<std::size_t>(i)] = hex[crc & 0xF];
    return s;
}

std::string Md5Text(const unsigned char digest[16]) {
    static const char hex[] = "0123456789ABCDEF";
    std::string s(32, '0');
    for (int i = 0; i < 16; ++i) {
        s[static_cast<std::size_t>(2 * i)] = hex[digest[i] >> 4];
        s[static_cast<std::size_t>(2 * i + 1)] = hex[digest[i] & 0xF];
    }
    return s;
}

DigestResult GetCrcText(const std::filesystem::path& fileName, RunState& run) {
    return CrcDigest(fileName.native(), run, true, platform::OpenMode::AnyKind);
}

DigestResult GetMd5Text(const std::filesystem::path& fileName, RunState& run) {
    return Md5Digest(fileName.native(), run, true, platform::OpenMode::AnyKind);
}

DigestResult ThreadCrcText(const std::filesystem::path& fileName, RunState& run) {
    return ThreadCrcText(fileName.native(), run);
}

DigestResult ThreadMd5Text(const std::filesystem::path& fileName, RunState& run) {
    return ThreadMd5Text(fileName.native(), run);
}

DigestResult ThreadCrcText(const PathText& fileName, RunState& run) {
    return CrcDigest(fileName, run, false, platform::OpenMode::RegularOnly);
}

DigestResult ThreadMd5Text(const PathText& fileName, RunState& run) {
    return Md5Digest(fileName, run, false, platform::OpenMode::RegularOnly);
}

bool ReadSmallFile(const PathText& fileName, unsigned char* block, SmallFile& file) {
    platform::OsError error;
    platform::FileReader reader;
    if (!reader.Open(fileName, &error, platform::OpenMode::RegularOnly) ||
        reader.Length() >= DigestBufferSize)
        return false;
    const std::int64_t n = reader.Read(block, DigestBufferSize, &error);
    if (n < 0 || n >= DigestBufferSize)
        return false;
    file.length = reader.Length();
    file.size = static_cast<std::size_t>(n);
    return true;
}

DigestResult SmallFileMd5Result(const SmallFile& file, const unsigned char digest[16],
                                RunState& run) {
    if (file.length != 0 && run.OnProgress)
        run.OnProgress(DigestPercent(static_cast<std::int64_t>(file.size), file.length),
                       static_cast<std::int32_t>(file.size));
    DigestResult r;
    r.text = Md5Text(digest);
    r.complete = true;
    r.length = file.length;
    return r;
}

} // namespace quillon
