// The list parser, the split of its lines and its entries on any bytes. The first byte picks the
// kind (odd: MD5), the rest is the list file's bytes.
#include "core/ListFile.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>

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

    FUZZ_CHECK(parsed.details.size() == parsed.lines.size());
    std::set<std::tuple<std::string_view, std::string_view, quillon::ListKind, bool,
                        std::string_view>>
        distinct;
    for (std::size_t i = 0; i < parsed.lines.size(); ++i) {
        const std::string_view line = parsed.lines[i];
        const auto in = [&](std::string_view part) {
            return Within(part, text) || Within(part, parsed.text) ||
                   Within(part, parsed.normalised);
        };
        FUZZ_CHECK(in(line));
        FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == line.npos);

        const quillon::ListEntryView parts = quillon::SplitListLineView(line);
        FUZZ_CHECK(Within(parts.name, line));
        FUZZ_CHECK(Within(parts.checksum, line));
        FUZZ_CHECK(parts.checksum.find(' ') == parts.checksum.npos);
        if (!parts.name.empty() && !parts.checksum.empty())
            FUZZ_CHECK(parts.name.data() + parts.name.size() <= parts.checksum.data());

        const quillon::ListEntry entry = quillon::ListEntryAt(parsed, i);
        FUZZ_CHECK(in(entry.name) && in(entry.algorithm));
        FUZZ_CHECK(entry.checksum == parts.checksum);
        FUZZ_CHECK(entry.trimmedName == (entry.escaped ? entry.name : parts.name));
        FUZZ_CHECK((entry.kind == quillon::ListKind::Unsupported) == !entry.algorithm.empty());
        // Lines that name one file (of one kind and tag, as written) are one entry.
        FUZZ_CHECK(
            distinct.insert({line, entry.name, entry.kind, entry.escaped, entry.algorithm}).second);
    }

    // Same bytes, same lines, also into a container that held another list before.
    quillon::ListLines again;
    again.normalised = "stale";
    again.lines.push_back("stale");
    quillon::ParseListText(text, md5, again);
    FUZZ_CHECK(again.lines == parsed.lines);
    FUZZ_CHECK(again.details.size() == parsed.details.size());
    return 0;
}
