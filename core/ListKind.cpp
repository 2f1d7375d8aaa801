#include "core/ListKind.h"

#include "util/EnhFunc.h"

#include <array>

namespace quillon {

namespace {

using Names = std::span<const std::string_view>;

constexpr std::string_view kSfvExtensions[] = {".sfv"};
constexpr std::string_view kMd5Extensions[] = {".md5"};
constexpr std::string_view kSha1Extensions[] = {".sha1"};
constexpr std::string_view kSha256Extensions[] = {".sha256"};
constexpr std::string_view kSha512Extensions[] = {".sha512"};
constexpr std::string_view kBlake3Extensions[] = {".b3", ".blake3"};
constexpr std::string_view kMd5Names[] = {"MD5SUMS"};
constexpr std::string_view kSha1Names[] = {"SHA1SUMS"};
constexpr std::string_view kSha256Names[] = {"SHA256SUMS"};
constexpr std::string_view kSha512Names[] = {"SHA512SUMS"};
constexpr std::string_view kBlake3Names[] = {"B3SUMS"};
constexpr std::string_view kCrcTags[] = {"CRC32"};
constexpr std::string_view kMd5Tags[] = {"MD5"};
constexpr std::string_view kSha1Tags[] = {"SHA1", "SHA-1"};
constexpr std::string_view kSha256Tags[] = {"SHA256", "SHA-256"};
constexpr std::string_view kSha512Tags[] = {"SHA512", "SHA-512"};
constexpr std::string_view kBlake3Tags[] = {"BLAKE3"};

// clang-format off
constexpr std::array<ListKindInfo, 7> kKinds = {{
    // kind, name, digest, hex digits, layout, tags, extensions, file names, writable, tool form
    {ListKind::Sfv, "SFV", DigestKind::Crc32, 8, LineLayout::NameFirst, kCrcTags,
     kSfvExtensions, {}, true, false},
    {ListKind::Md5, "MD5", DigestKind::Md5, 32, LineLayout::DigestFirst, kMd5Tags,
     kMd5Extensions, kMd5Names, true, false},
    {ListKind::Sha1, "SHA1", DigestKind::Sha1, 40, LineLayout::DigestFirst, kSha1Tags,
     kSha1Extensions, kSha1Names, true, true},
    {ListKind::Sha256, "SHA256", DigestKind::Sha256, 64, LineLayout::DigestFirst, kSha256Tags,
     kSha256Extensions, kSha256Names, true, true},
    {ListKind::Sha512, "SHA512", DigestKind::Sha512, 128, LineLayout::DigestFirst, kSha512Tags,
     kSha512Extensions, kSha512Names, true, true},
    {ListKind::Blake3, "BLAKE3", DigestKind::Blake3, 64, LineLayout::DigestFirst, kBlake3Tags,
     kBlake3Extensions, kBlake3Names, true, true},
    {ListKind::Unsupported, "unsupported", std::nullopt, 0, LineLayout::DigestFirst, {},
     {}, {}, false, false},
}};
// clang-format on

static_assert(
    [] {
        for (std::size_t i = 0; i < kKinds.size(); ++i)
            if (static_cast<std::size_t>(kKinds[i].kind) != i)
                return false;
        return true;
    }(),
    "the table is indexed by kind");

template <typename Char>
bool EqualIgnoringAsciiCase(std::basic_string_view<Char> a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != static_cast<Char>(AsciiLower(b[i])))
            return false;
    return true;
}

} // namespace

const ListKindInfo& KindInfo(ListKind kind) {
    const auto i = static_cast<std::size_t>(kind);
    return kKinds[i < kKinds.size() ? i : kKinds.size() - 1];
}

std::span<const ListKindInfo> ListKinds() {
    return kKinds;
}

std::optional<ListKind> KindNamedBy(const std::filesystem::path& listFileName) {
    const std::filesystem::path file = listFileName.filename();
    using View = std::basic_string_view<std::filesystem::path::value_type>;
    const View name(file.native());
    const std::size_t dot = name.rfind('.');
    const View extension = dot == View::npos ? View() : name.substr(dot);
    for (const ListKindInfo& k : kKinds) {
        for (std::string_view e : k.extensions)
            if (EqualIgnoringAsciiCase(extension, e))
                return k.kind;
        for (std::string_view f : k.fileNames)
            if (EqualIgnoringAsciiCase(name, f))
                return k.kind;
    }
    return std::nullopt;
}

ListKind ListKindOfFile(const std::filesystem::path& listFileName) {
    return KindNamedBy(listFileName).value_or(ListKind::Sfv);
}

std::string_view ListExtension(ListKind kind) {
    const auto& extensions = KindInfo(kind).extensions;
    return extensions.empty() ? std::string_view() : extensions.front();
}

std::optional<ListKind> ListKindOfTag(std::string_view tag) {
    for (const ListKindInfo& k : kKinds)
        for (std::string_view t : k.tags)
            if (EqualIgnoringAsciiCase(tag, t))
                return k.kind;
    return std::nullopt;
}

} // namespace quillon
