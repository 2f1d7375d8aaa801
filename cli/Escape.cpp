#include "cli/Escape.h"

#include "core/ListFile.h"

namespace quillon::cli {

namespace {

// The escape letter of a byte that must not stand for itself, or 0.
char EscapeLetter(char c, bool tab) {
    switch (c) {
    case '\\':
        return '\\';
    case '\n':
        return 'n';
    case '\r':
        return 'r';
    case '\t':
        return tab ? 't' : 0;
    default:
        return 0;
    }
}

void EscapeFrom(std::string& text, std::size_t start, bool tab) {
    std::size_t extra = 0;
    for (std::size_t i = start; i < text.size(); ++i)
        extra += EscapeLetter(text[i], tab) != 0;
    if (extra == 0)
        return;
    // From the end backwards, in place: each byte moves right by the escapes before it.
    std::size_t from = text.size();
    text.resize(text.size() + extra);
    std::size_t to = text.size();
    while (from > start) {
        const char c = text[--from];
        if (const char letter = EscapeLetter(c, tab)) {
            text[--to] = letter;
            text[--to] = '\\';
        } else {
            text[--to] = c;
        }
    }
}

} // namespace

void EscapeFieldFrom(std::string& text, std::size_t start) {
    EscapeFrom(text, start, true);
}

std::string DigestLine(DigestKind kind, std::string_view digestText, std::string_view name) {
    // The digest-first line of the lists, so that check reads back what digest prints.
    for (const ListKindInfo& k : ListKinds())
        if (k.toolForm && k.digest == kind)
            return EntryLine(k.kind, digestText, name);
    return EntryLine(ListKind::Md5, digestText, name);
}

void MaskControlsFrom(std::string& text, std::size_t start) {
    for (std::size_t i = start; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) < 0x20 || text[i] == 0x7F)
            text[i] = '?';
}

} // namespace quillon::cli
