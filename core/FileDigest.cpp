#include "core/FileDigest.h"

#include "core/Blake3Parallel.h"
#include "core/Crc32.h"
#include "core/MD5.h"
#include "core/RunState.h"
#include "platform/FileReader.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

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

// Whole blocks gathered for the workers: 1 MiB, some hundreds of microseconds of hashing, well
// above the cost of handing it over. A file shown in place costs no reading, and the workers
// would wait on the handing over: its batches are a window of the file each.
constexpr std::size_t BatchBlocks = 16;
constexpr std::size_t ViewBatchBlocks = platform::FileReader::ViewWindow / DigestBufferSize;

struct Blake3Batch {
    unsigned char* bytes; // BatchBlocks or ViewBatchBlocks of them
    std::vector<Blake3Subtree> subtrees;
};

// A file's BLAKE3 on several threads. The file is read as DigestFileBlocks reads it (in order, in
// blocks of DigestBufferSize, the progress call after each, abort looked at after each full one),
// into two batches in turn: while this thread reads one, the workers hash the other's blocks as
// whole subtrees, and this thread joins them before it hands the next batch over. Up to one
// batch at the end (all of a small file) is hashed here alone.
BlockRun Blake3FileBlocks(const std::filesystem::path& fileName, platform::OpenMode mode,
                          RunState& run, bool pumpMessages, platform::OsError& error,
                          Blake3& hasher) {
    platform::FileReader file;
    if (!file.Open(fileName, &error, mode))
        return BlockRun::OpenFailed;
    const std::size_t batchBlocks = file.ViewsInPlace() ? ViewBatchBlocks : BatchBlocks;
    // Untouched where the file is shown in place (a block across two windows aside).
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(2 * batchBlocks *
                                                                        DigestBufferSize);
    Blake3Batch batches[2] = {
        {buffer.get(), std::vector<Blake3Subtree>(batchBlocks)},
        {buffer.get() + batchBlocks * DigestBufferSize, std::vector<Blake3Subtree>(batchBlocks)}};
    const std::int64_t length = file.Length();
    std::int64_t done = 0;
    std::unique_ptr<Blake3Workers> workers; // from the first full batch on
    int current = 0;                        // the batch being read
    std::size_t filled = 0, busy = 0;       // whole blocks read into it; blocks of the other
    // Where each batch's bytes are: its buffer, or the file's pages themselves when the reader
    // shows them in place, one after the other.
    const unsigned char* bytes[2] = {batches[0].bytes, batches[1].bytes};
    auto collect = [&] {
        if (busy == 0)
            return;
        workers->Finish();
        for (std::size_t i = 0; i < busy; ++i)
            hasher.AppendSubtree(batches[1 - current].subtrees[i]);
        busy = 0;
    };
    // What is left of the file once reading stops, on this thread.
    auto finish = [&](std::size_t tail) {
        collect();
        hasher.Update(bytes[current], filled * DigestBufferSize + tail);
    };
    for (;;) {
        unsigned char* const slot = batches[current].bytes + filled * DigestBufferSize;
        const platform::FileReader::View view = file.ReadView(slot, DigestBufferSize, &error);
        const std::int64_t n = view.size;
        if (n < 0) {
            finish(0); // the digest of the part read, as the other kinds leave it
            return BlockRun::ReadFailed;
        }
        if (filled == 0) {
            bytes[current] = view.bytes;
        } else if (view.bytes != bytes[current] + filled * DigestBufferSize) {
            // Not right after the blocks before it (a new window of the file): the batch is
            // gathered in its buffer.
            if (bytes[current] != batches[current].bytes)
                std::memcpy(batches[current].bytes, bytes[current], filled * DigestBufferSize);
            bytes[current] = batches[current].bytes;
            if (view.bytes != slot)
                std::memcpy(slot, view.bytes, static_cast<std::size_t>(n));
        }
        done += n;
        if (run.OnProgress && length != 0)
            run.OnProgress(DigestPercent(done, length), static_cast<std::int32_t>(n));
        if (pumpMessages && run.MessagePump)
            run.MessagePump();
        if (n != DigestBufferSize) {
            finish(static_cast<std::size_t>(n));
            return file.ViewsIntact(&error) ? BlockRun::Complete : BlockRun::ReadFailed;
        }
        if (++filled == batchBlocks) {
            collect();
            if (!workers)
                workers = std::make_unique<Blake3Workers>(Blake3Threads() - 1);
            workers->Start(bytes[current], filled, hasher.SubtreesDone(),
                           batches[current].subtrees.data());
            busy = filled;
            filled = 0;
            current = 1 - current;
        }
        if (run.AbortRequested) {
            finish(0);
            return BlockRun::Aborted;
        }
    }
}

DigestResult KindDigest(DigestKind kind, const std::filesystem::path& fileName, RunState& run,
                        bool pumpMessages, platform::OpenMode mode) {
    if (kind == DigestKind::Crc32)
        return CrcDigest(fileName, run, pumpMessages, mode);
    if (kind == DigestKind::Md5)
        return Md5Digest(fileName, run, pumpMessages, mode);
    DigestResult r;
    try {
        auto hasher = std::make_unique<Hasher>(kind);
        BlockRun result;
        if (Blake3* blake3 = hasher->AsBlake3(); blake3 && Blake3Threads() > 1) {
            result = Blake3FileBlocks(fileName, mode, run, pumpMessages, r.error, *blake3);
        } else {
            result = DigestFileBlocks(
                fileName, mode, &run, pumpMessages, r.error,
                [&hasher](const unsigned char* p, std::size_t n) { hasher->Update(p, n); });
        }
        r.complete = result == BlockRun::Complete;
        r.aborted = result == BlockRun::Aborted;
        if (!r.complete && !r.aborted && !r.error)
            r.error.code = -1;
        r.text = hasher->FinalText();
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

DigestResult GetDigestText(DigestKind kind, const std::filesystem::path& fileName, RunState& run) {
    return KindDigest(kind, fileName, run, true, platform::OpenMode::AnyKind);
}

DigestResult ThreadDigestText(DigestKind kind, const std::filesystem::path& fileName,
                              RunState& run) {
    return KindDigest(kind, fileName, run, false, platform::OpenMode::RegularOnly);
}

DigestResult ThreadDigestText(DigestKind kind, const PathText& fileName, RunState& run) {
    // CRC-32 and MD5 take the text as it is; a path would split itself into its parts first.
    if (kind == DigestKind::Crc32)
        return ThreadCrcText(fileName, run);
    if (kind == DigestKind::Md5)
        return ThreadMd5Text(fileName, run);
    return ThreadDigestText(kind, std::filesystem::path(fileName), run);
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

namespace {

// A file read whole ahead: the progress call its one block would have made, and a complete result
// of text.
DigestResult SmallFileDone(const SmallFile& file, std::string text, RunState& run) {
    if (file.length != 0 && run.OnProgress)
        run.OnProgress(DigestPercent(static_cast<std::int64_t>(file.size), file.length),
                       static_cast<std::int32_t>(file.size));
    DigestResult r;
    r.text = std::move(text);
    r.complete = true;
    r.length = file.length;
    return r;
}

} // namespace

DigestResult SmallFileMd5Result(const SmallFile& file, const unsigned char digest[16],
                                RunState& run) {
    return SmallFileDone(file, Md5Text(digest), run);
}

DigestResult SmallFileResult(DigestKind kind, const SmallFile& file, const unsigned char* block,
                             RunState& run) {
    if (kind == DigestKind::Crc32)
        return SmallFileDone(
            file, CrcText(~UpdateCrc32(0xFFFFFFFFu, block, static_cast<std::int32_t>(file.size))),
            run);
    Hasher hasher(kind);
    hasher.Update(block, file.size);
    // The MD5 text in the case ThreadMd5Text writes it.
    if (kind == DigestKind::Md5) {
        unsigned char digest[16];
        hasher.Final(digest);
        return SmallFileMd5Result(file, digest, run);
    }
    return SmallFileDone(file, hasher.FinalText(), run);
}

} // namespace quillon
