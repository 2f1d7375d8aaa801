// The list parser and the split of its lines on any bytes. The first byte picks the kind (odd:
// MD5), the rest is the list text.
#include "core/ListFile.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

using quillon::fuzz::Within;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool md5 = data[0] & 1;
    // A copy of exactly the text, so that a read past its end is an error the sanitizer sees.
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    quillon::ListLines parsed;
    quillon::ParseListText(text, md5, parsed);

    std::size_t breaks = 0;
    for (char c : text)
        breaks += c == '\n' || c == '\r' || c == '\0';
    FUZZ_CHECK(parsed.lines.size() <= breaks + 1);

    std::set<std::string_view> distinct;
    for (const std::string_view line : parsed.lines) {
        FUZZ_CHECK(Within(line, text) || Within(line, parsed.normalised));
        FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == line.npos);
        // Lines equal without regard to case are one entry, so byte-equal ones surely are.
        FUZZ_CHECK(distinct.insert(line).second);

        const quillon::ListEntryView parts = quillon::SplitListLineView(line);
        FUZZ_CHECK(Within(parts.name, line));
        FUZZ_CHECK(Within(parts.checksum, line));
        FUZZ_CHECK(parts.checksum.find(' ') == parts.checksum.npos);
        if (!parts.name.empty() && !parts.checksum.empty())
            FUZZ_CHECK(parts.name.data() + parts.name.size() <= parts.checksum.data());
    }

    // Same bytes, same lines, also into a container that held another list before.
    quillon::ListLines again;
    again.normalised = "stale";
    again.lines.push_back("stale");
    quillon::ParseListText(text, md5, again);
    FUZZ_CHECK(again.lines == parsed.lines);
    return 0;
}
