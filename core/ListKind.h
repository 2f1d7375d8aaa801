#pragma once
#include "core/Digest.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

// The kinds of checksum list, in one table. A list file has the kind its name selects; each of
// its entries has that kind, or the one a BSD tag on its line names ("SHA256 (name) = hex").
namespace quillon {

// One byte: every entry of a loaded list carries one. Unsupported is a tag this program does
// not compute (SHA3-256, TTH, ...): such an entry is never Good.
enum class ListKind : std::uint8_t { Sfv, Md5, Sha1, Sha256, Sha512, Blake3, Unsupported };

enum class LineLayout : std::uint8_t {
    // "name digest", split at the last blank.
    NameFirst,
    // "digest name", split at the first blank; a blank or "*" right after it marks the mode, as
    // md5sum writes; a line that begins with "\" has its name escaped ("\\", "\n", "\r").
    DigestFirst,
};

struct ListKindInfo {
    ListKind kind;
    std::string_view name;            // what output calls it: "SFV", "MD5", "SHA256", ...
    std::optional<DigestKind> digest; // none for Unsupported
    std::size_t digestChars;          // hex digits of its digest text
    LineLayout layout;
    // BSD tag names, compared without regard to case; the first is the one to write.
    std::span<const std::string_view> tags;
    // Extensions (from the last ".", lower case) and whole file names (any case) that select it
    // for a list file; a name that selects none is SFV.
    std::span<const std::string_view> extensions;
    std::span<const std::string_view> fileNames;
    bool writable; // create mode writes lists of it
    // Written as the tools of the kind write theirs (sha256sum, b3sum): LF line ends, UTF-8
    // without a byte-order mark, two blanks between digest and name; else the Windows form of
    // SFV and MD5 lists (CR LF, the code page unless a name needs UTF-8 with its mark).
    bool toolForm;
};

const ListKindInfo& KindInfo(ListKind kind);
// Every kind, Unsupported last.
std::span<const ListKindInfo> ListKinds();

// The kind of a list file, from its last path component alone.
ListKind ListKindOfFile(const std::filesystem::path& listFileName);
// The kind a list file's name selects by itself, through its extension or as a whole
// ("SHA256SUMS"); none for a name that leaves it to the default (SFV).
std::optional<ListKind> KindNamedBy(const std::filesystem::path& listFileName);
// The extension a new list of the kind gets (".sfv", ".sha256", ".b3"); empty for Unsupported.
std::string_view ListExtension(ListKind kind);
// The kind a BSD tag names; empty for a name this program does not know.
std::optional<ListKind> ListKindOfTag(std::string_view tag);

} // namespace quillon
