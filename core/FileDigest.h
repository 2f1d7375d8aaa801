#pragma once
#include "platform/OsError.h"
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
    platform::OsError error;     // why the file could not be opened or read
};

// For the create run on the GUI thread: let the window handle messages between blocks.
DigestResult GetCrcText(const std::filesystem::path& fileName);
DigestResult GetMd5Text(const std::filesystem::path& fileName);
// For the check worker: never pump messages, and open regular files only. A name that holds none
// (nothing, a folder, a device, a FIFO) is left unread and reported with error.noFile.
DigestResult ThreadCrcText(const std::filesystem::path& fileName);
DigestResult ThreadMd5Text(const std::filesystem::path& fileName);

// Eight upper-case hex digits, leading zeros kept.
std::string CrcText(std::uint32_t crc);
// 32 upper-case hex digits in digest byte order.
std::string Md5Text(const unsigned char digest[16]);

} // namespace quillon
