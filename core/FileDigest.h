#pragma once
#include "core/Digest.h"
#include "platform/OsError.h"
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quillon {

// The digest text of one file, and whether it is a digest of the whole file. A text of a file
// that could not be opened or read to its end keeps the traditional failure form (FFFFFFFF, the
// MD5 of empty input, or a digest of the part read), so complete must be checked before the text
// is trusted.
struct DigestResult {
    std::string text;
    bool complete = false;       // every byte of the file was read
    bool aborted = false;        // AbortRequested cut the read short
    std::int64_t length = -1;    // the file's length as its open found it; -1: not opened
    platform::OsError error;     // why the file could not be opened or read
};

class RunState;

// Each reports every block to run's OnProgress and stops after a block once run's
// AbortRequested is set.
// For the create run on the GUI thread: run's MessagePump lets the window handle its messages
// between blocks. Whatever reads like a file is read (a FIFO, stdin).
DigestResult GetCrcText(const std::filesystem::path& fileName, RunState& run);
DigestResult GetMd5Text(const std::filesystem::path& fileName, RunState& run);
// For the check worker: never pump messages, and open regular files only. A name that holds none
// (nothing, a folder, a device, a FIFO) is left unread and reported with error.noFile.
DigestResult ThreadCrcText(const std::filesystem::path& fileName, RunState& run);
DigestResult ThreadMd5Text(const std::filesystem::path& fileName, RunState& run);
// The same for a path's native text, as an entry holds it: a check of many small files is spared
// building a path (and splitting it into its parts) for each.
DigestResult ThreadCrcText(const std::filesystem::path::string_type& fileName, RunState& run);
DigestResult ThreadMd5Text(const std::filesystem::path::string_type& fileName, RunState& run);

// Any kind, read as GetMd5Text and ThreadMd5Text read. Crc32 and Md5 give what the routines above
// give; the other kinds' texts are lower case (DigestText), and a file not read whole leaves the
// digest of the part read (of nothing after a failed open), so complete decides here too. A BLAKE3
// of a file larger than a few blocks is hashed on every processor this process may use while
// the file is still read once, in order, block by block, with the progress call after each.
DigestResult GetDigestText(DigestKind kind, const std::filesystem::path& fileName, RunState& run);
DigestResult ThreadDigestText(DigestKind kind, const std::filesystem::path& fileName,
                              RunState& run);
DigestResult ThreadDigestText(DigestKind kind, const std::filesystem::path::string_type& fileName,
                              RunState& run);

// A regular file read whole ahead of its turn in a check, so that the MD5 of many small files
// can be computed side by side.
struct SmallFile {
    std::int64_t length = 0; // as the open found it; progress is figured against it
    std::size_t size = 0;    // bytes read
};
// Reads a regular file shorter than one block (DigestBufferSize bytes) whole into block, opened
// as ThreadMd5Text opens it. False for everything ThreadMd5Text must see for itself: no regular
// file, a failed open or read, a block or more of bytes (not read when the open says so).
bool ReadSmallFile(const std::filesystem::path::string_type& fileName, unsigned char* block,
                   SmallFile& file);
// What ThreadMd5Text gives for a file so read whose MD5 is digest, with the same progress call.
DigestResult SmallFileMd5Result(const SmallFile& file, const unsigned char digest[16],
                                RunState& run);

// What ThreadDigestText gives for a file so read (its bytes in block), of any kind, with the same
// progress call.
DigestResult SmallFileResult(DigestKind kind, const SmallFile& file, const unsigned char* block,
                             RunState& run);

// Eight upper-case hex digits, leading zeros kept.
std::string CrcText(std::uint32_t crc);
// 32 upper-case hex digits in digest byte order.
std::string Md5Text(const unsigned char digest[16]);

} // namespace quillon
