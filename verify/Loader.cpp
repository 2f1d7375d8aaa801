#include "verify/Loader.h"

#include "core/Crc32.h"
#include "core/ListFile.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/TextCodec.h"
#include "util/EnhFunc.h"
#include "verify/BackslashNames.h"
#include "verify/SizeLookup.h"

#include <string>

namespace quillon {

namespace {

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool IsTrimmed(ViewChar c) {
    return static_cast<std::make_unsigned_t<ViewChar>>(c) <= 0x20;
}

bool IsDigestText(std::string_view text, std::size_t length) {
    if (text.size() != length)
        return false;
    // Not isxdigit, and no branch per character: the digits and letters of a digest come in
    // no order a branch could learn, and a million lines felt each guess that failed.
    bool hex = true;
    for (const char c : text) {
        const unsigned digit = static_cast<unsigned char>(c) - '0';
        const unsigned letter = (static_cast<unsigned char>(c) | 0x20u) - 'a';
        hex &= (digit < 10) | (letter < 6);
    }
    return hex;
}

} // namespace

ViewText ListFolderPart(const std::filesystem::path& listFile) {
    const ViewText& text = listFile.native();
    for (std::size_t i = text.size(); i > 0; --i)
        if (platform::IsFolderSeparator(text[i - 1]))
            return text.substr(0, i);
    return {};
}

ViewText EntryPath(const ViewText& folderPart, std::string_view name,
                   platform::ListEncoding encoding, bool literalBackslashes) {
    ViewText text;
#ifdef _WIN32
    (void)literalBackslashes; // "\" separates folders here whatever wrote it
    text.reserve(folderPart.size() + name.size());
    text += folderPart;
    platform::AppendWideFromListText(name, encoding, text);
#else
    // List text is the bytes of the name here. A name that begins with "/" is that path, as
    // md5sum reads it: glued to the folder it would name another file, and the same list would
    // check one file or another depending on how its own path was typed.
    (void)encoding;
    const bool absolute = !name.empty() && name.front() == '/';
    text.reserve(folderPart.size() + name.size());
    if (!absolute)
        text += folderPart;
    const std::size_t start = text.size();
    text += name;
    if (!literalBackslashes)
        for (std::size_t i = start; i < text.size(); ++i)
            if (text[i] == '\\')
                text[i] = '/';
#endif
    return text;
}

ViewText ResolveEntryPath(const ViewText& folderPart, const ListEntry& entry,
                          platform::ListEncoding encoding, BackslashNames* backslashNames) {
    ViewText path = EntryPath(folderPart, entry.trimmedName, encoding, entry.escaped);
    const bool ownBackslash = !platform::IsFolderSeparator('\\') && !entry.escaped &&
                              entry.name.find('\\') != entry.name.npos;
    if (entry.name != entry.trimmedName ||
        (ownBackslash && (!backslashNames || backslashNames->MayHold(entry.name)))) {
        ViewText exact = EntryPath(folderPart, entry.name, encoding, true);
        if (exact != path && GetFileSize64(exact) >= 0)
            return exact;
    }
    return path;
}

bool HoldsDigestOfItsKind(const ListEntry& entry) {
    return entry.kind == ListKind::Unsupported ||
           IsDigestText(entry.checksum, KindInfo(entry.kind).digestChars);
}

ViewText ListCaption(std::string_view appTitle, const std::vector<std::filesystem::path>& lists) {
    ViewText joined;
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (i != 0)
            joined += ViewTextFromAscii("\r\n");
        joined += lists[i].native();
    }
    ViewTextView trimmed = joined;
    while (!trimmed.empty() && IsTrimmed(trimmed.front()))
        trimmed.remove_prefix(1);
    while (!trimmed.empty() && IsTrimmed(trimmed.back()))
        trimmed.remove_suffix(1);
    return ViewTextFromAscii(appTitle) + ViewTextFromAscii(" - ") + LastPathComponent(trimmed);
}

ListReport AppendListEntries(const std::filesystem::path& listPath, TItemList& items,
                             bool lookUpSizes, const std::atomic<bool>* stop) {
    ListLines lines;
    ParseListFile(listPath, lines);
    ListReport report;
    const auto listFile = std::make_shared<const std::filesystem::path>(listPath);
    const ViewText folder = ListFolderPart(listPath);
    const std::size_t firstOfList = items.size();
    items.reserve(items.size() + lines.lines.size());
    const platform::ListEncoding encoding = lines.encoding;
    BackslashNames backslashNames(folder);
    for (std::size_t i = 0; i < lines.lines.size(); ++i) {
        const ListEntry parts = ListEntryAt(lines, i);
        auto entry = std::make_unique<TItemRec>();
        entry->FileName = ResolveEntryPath(folder, parts, encoding, &backslashNames);
        if (parts.kind == ListKind::Unsupported)
            entry->Checksum.append(parts.algorithm).append(" ");
        // A digest is ASCII; only junk in its place needs converting for the output.
        if (platform::ListTextIsConverted && !IsAscii(parts.checksum))
            entry->Checksum += platform::Utf8FromListText(parts.checksum, encoding);
        else
            entry->Checksum += parts.checksum;
        entry->Kind = parts.kind;
        entry->Status = StatusUnchecked;
        entry->ListFile = listFile;
        ++report.entries;
        if (parts.kind == ListKind::Unsupported)
            entry->Note = std::make_unique<EntryNote>(
                EntryNote{NoteKind::Unsupported, std::string(parts.algorithm)});
        else
            report.notUnderstood += !HoldsDigestOfItsKind(parts);
        items.push_back(std::move(entry));
    }
    if (!lookUpSizes)
        return report;
    std::vector<TItemRec*> added;
    added.reserve(items.size() - firstOfList);
    for (std::size_t i = firstOfList; i < items.size(); ++i)
        added.push_back(items[i].get());
    const std::vector<std::int64_t> sizes = LookupSizes(added, stop);
    for (std::size_t i = 0; i < sizes.size(); ++i)
        added[i]->Size = sizes[i];
    return report;
}

void ReadListFiles(const std::vector<std::filesystem::path>& lists, TItemList& items,
                   bool lookUpSizes, const std::atomic<bool>* stop,
                   std::vector<ListReport>* reports) {
    for (const auto& list : lists) {
        if (stop && *stop) return;
        const ListReport report = AppendListEntries(list, items, lookUpSizes, stop);
        if (reports)
            reports->push_back(report);
    }
}

} // namespace quillon
