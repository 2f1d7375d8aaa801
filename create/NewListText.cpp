#include "create/NewListText.h"

#include "core/ListFile.h"
#include "create/CreateRun.h"

#include <algorithm>

namespace quillon {

namespace {

// Whether a check reading the entry line of this name finds this name: a line break would split
// an SFV line, a leading ";" makes it a comment, a name like "MD5 (x) =" a tag line.
bool ReadsBack(const std::string& listName, ListKind kind) {
    const std::string digest(KindInfo(kind).digestChars, '0');
    const std::string line = EntryLine(kind, digest, listName) + "\r\n";
    ListLines lines;
    ParseListText(line, kind, lines);
    if (lines.lines.size() != 1)
        return false;
    const ListEntry e = ListEntryAt(lines, 0);
    // The name as written, blanks and (POSIX) backslashes kept, is the one a check takes when
    // that file is there, as this one is.
    return e.name == listName && e.kind == kind && e.checksum == digest;
}

// Valid UTF-8 with something beyond ASCII, as a reader without a byte-order mark would take it.
bool ReadsAsUtf8(const std::vector<std::string>& lines) {
    bool nonAscii = false;
    for (const std::string& line : lines) {
        if (platform::IsUtf8WithNonAscii(line))
            nonAscii = true;
        else if (!std::all_of(line.begin(), line.end(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return false;
    }
    return nonAscii;
}

} // namespace

const char* UnlistableReason(const std::filesystem::path& name, ListKind kind) {
    const std::optional<std::string> text =
        platform::ExactListTextFromPath(name, platform::ListEncoding::Utf8);
    // Written with a stand-in character it could never be found again.
    if (!text)
        return kNotRepresentable;
    // Written as it is, a check would look for another name or none at all.
    if (!ReadsBack(*text, kind))
        return kNameNotReadBack;
    return nullptr;
}

NewListText
EncodeNewList(ListKind kind, bool namesFitCodePage,
              const std::function<std::vector<std::string>(platform::ListEncoding)>& linesIn) {
    // The code page as always while every name fits it, so that older tools read the list byte
    // for byte; UTF-8 with its mark otherwise, and also where code-page bytes would read as UTF-8.
    // The tools of the newer kinds read UTF-8 only (b3sum refuses anything else).
    NewListText text;
    if (!namesFitCodePage || KindInfo(kind).toolForm)
        text.encoding = platform::ListEncoding::Utf8;
    text.lines = linesIn(text.encoding);
    if (text.encoding == platform::ListEncoding::CodePage && platform::ListTextIsConverted &&
        ReadsAsUtf8(text.lines)) {
        text.encoding = platform::ListEncoding::Utf8;
        text.lines = linesIn(text.encoding);
    }
    return text;
}

} // namespace quillon
