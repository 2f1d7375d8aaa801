#pragma once
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/TextCodec.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a list says of a file beyond its digest: an SFV comment line records its size and the
// local time of its last write when the list was made. That tells a file changed since from one
// damaged (same size and time, other content).
namespace quillon {

struct FileRecord {
    std::int64_t size = 0;
    platform::LocalTime time;
    std::string name; // as the comment writes it (list text)
};

// ";<size, right-aligned>  MMM DD YYYY HH:NN:SS <name>" as FileInfoComment writes it, the month
// in the list encoding's locale; none for any other line.
std::optional<FileRecord> ParseFileInfoComment(std::string_view line,
                                               platform::ListEncoding encoding);

// The records of a list file's comment lines, in list order (decoded as the list is read); empty
// when it has none or cannot be read.
std::vector<FileRecord> ReadFileRecords(const std::filesystem::path& listFile,
                                        platform::ListEncoding* encoding = nullptr);

// Whether file is still what the record says: the same size and last-write (else creation)
// time to the second. Times an hour apart count as the same: a change of the clock between
// summer and winter time shifts every local time by one.
bool MatchesRecord(const FileRecord& record, const platform::FileLookup& file);

// The time FileInfoComment records of a file.
platform::LocalTime RecordedTime(const platform::FileLookup& file);

} // namespace quillon
