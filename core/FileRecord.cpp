#include "core/FileRecord.h"

#include "core/ListFile.h"

#include <array>

namespace quillon {

namespace {

bool TakeNumber(std::string_view& s, std::size_t digits, int& value) {
    if (s.size() < digits)
        return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    s.remove_prefix(digits);
    return true;
}

bool Take(std::string_view& s, char c) {
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

constexpr std::array<std::string_view, 12> kEnglishMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days since 1970-01-01 of a civil date (the proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t Seconds(const platform::LocalTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 +
           t.second;
}

using MonthNames = std::array<std::string, 12>;

// The locale's month abbreviations, asked once per list rather than twelve times per line.
MonthNames LocaleMonths(platform::ListEncoding encoding) {
    MonthNames names;
    for (int m = 1; m <= 12; ++m)
        names[m - 1] = platform::MonthAbbreviation(m, encoding);
    return names;
}

std::optional<FileRecord> ParseComment(std::string_view line, const MonthNames& months) {
    if (!Take(line, ';'))
        return std::nullopt;
    while (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    FileRecord r;
    std::size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 18)
        return std::nullopt;
    r.size = 0;
    for (std::size_t i = 0; i < digits; ++i)
        r.size = r.size * 10 + (line[i] - '0'); // 18 digits at most: no overflow
    line.remove_prefix(digits);
    if (!Take(line, ' ') || !Take(line, ' '))
        return std::nullopt;
    const std::size_t blank = line.find(' ');
    if (blank == line.npos)
        return std::nullopt;
    const std::string_view month = line.substr(0, blank);
    line.remove_prefix(blank);
    r.time.month = 0;
    for (int m = 1; m <= 12 && r.time.month == 0; ++m)
        if (month == months[m - 1] || month == kEnglishMonths[m - 1])
            r.time.month = m;
    if (r.time.month == 0)
        return std::nullopt;
    if (!Take(line, ' ') || !TakeNumber(line, 2, r.time.day) || !Take(line, ' ') ||
        !TakeNumber(line, 4, r.time.year) || !Take(line, ' ') ||
        !TakeNumber(line, 2, r.time.hour) || !Take(line, ':') ||
        !TakeNumber(line, 2, r.time.minute) || !Take(line, ':') ||
        !TakeNumber(line, 2, r.time.second) || !Take(line, ' ') || line.empty())
        return std::nullopt;
    r.name = std::string(line);
    return r;
}

} // namespace

std::optional<FileRecord> ParseFileInfoComment(std::string_view line,
                                               platform::ListEncoding encoding) {
    return ParseComment(line, LocaleMonths(encoding));
}

std::vector<FileRecord> ReadFileRecords(const std::filesystem::path& listFile,
                                        platform::ListEncoding* encoding) {
    std::vector<FileRecord> records;
    platform::OsError error;
    const std::optional<std::string> bytes =
        platform::ReadWholeFile(listFile, &error, MaxListFileSize);
    if (!bytes)
        return records;
    std::string converted;
    const platform::DecodedList decoded = platform::DecodeListBytes(*bytes, converted);
    if (encoding)
        *encoding = decoded.encoding;
    const std::string_view text = decoded.text;
    const MonthNames months = LocaleMonths(decoded.encoding);
    std::size_t start = 0;
    while (start < text.size()) {
        // A plain scan: find_first_of asks memchr of its set once per byte.
        std::size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.front() == ';')
            if (std::optional<FileRecord> r = ParseComment(line, months))
                records.push_back(std::move(*r));
        start = end + 1;
    }
    return records;
}

platform::LocalTime RecordedTime(const platform::FileLookup& file) {
    const std::int64_t stamp = file.lastWriteTime != 0 ? file.lastWriteTime : file.creationTime;
    return platform::LocalTimeFromFileTime(stamp).value_or(platform::LocalTime{1980, 1, 1, 0, 0, 0});
}

bool MatchesRecord(const FileRecord& record, const platform::FileLookup& file) {
    if (record.size != file.size)
        return false;
    const std::int64_t apart = Seconds(RecordedTime(file)) - Seconds(record.time);
    return apart == 0 || apart == 3600 || apart == -3600;
}

} // namespace quillon
