#include "create/ListName.h"

#include "platform/FileSystem.h"
#include "core/ListKind.h"
#include "util/EnhFunc.h"

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quillon {

namespace {

using PathString = std::filesystem::path::string_type;
using PathChar = std::filesystem::path::value_type;

#ifdef _WIN32
constexpr PathChar kSeparator = L'\\';
#else
constexpr PathChar kSeparator = '/';
#endif

// A separator that may end a folder's text; the ":" of a drive ends a folder part but is no
// trailing separator ("C:" + "\" is the root).
bool IsTrailingSeparator(PathChar c) {
#ifdef _WIN32
    return c == L'\\' || c == L'/';
#else
    return c == '/';
#endif
}

std::basic_string_view<PathChar> LastComponent(std::basic_string_view<PathChar> text) {
    std::size_t end = text.size();
    while (end > 0 && !platform::IsFolderSeparator(text[end - 1]))
        --end;
    return text.substr(end);
}

// Lower-case extension of the last component, from its last "."; empty when it has none.
std::string LowerExtension(const std::filesystem::path& fileName) {
    const auto name = LastComponent(fileName.native());
    const std::size_t dot = name.rfind(PathChar('.'));
    if (dot == name.npos)
        return {};
    std::string ext;
    for (std::size_t i = dot; i < name.size(); ++i) {
        const PathChar c = AsciiLower(name[i]);
        // Only the lists' extensions mean anything: any other character just spoils the match.
        ext.push_back(static_cast<unsigned>(c) < 0x80 ? static_cast<char>(c) : '\x7F');
    }
    return ext;
}

bool HasExtension(const std::filesystem::path& fileName) {
    return LastComponent(fileName.native()).find(PathChar('.')) !=
           std::basic_string_view<PathChar>::npos;
}

PathString Ascii(std::string_view text) {
    return PathString(text.begin(), text.end());
}

} // namespace

ListKind FilterKind(int filterIndex) {
    const auto kinds = ListKinds();
    const auto i = static_cast<std::size_t>(filterIndex - 1);
    return i < kinds.size() && kinds[i].writable ? kinds[i].kind : ListKind::Sfv;
}

int FilterIndexOf(ListKind kind) {
    return static_cast<int>(kind) + 1;
}

ListKind CreateListKind(const std::filesystem::path& fileName, int filterIndex) {
    const ListKind chosen = FilterKind(filterIndex);
    const std::optional<ListKind> named = KindNamedBy(fileName);
    // A list of another kind than its name says would read back as junk; only the long-standing
    // ".sfv" under the MD5 filter keeps the filter's kind.
    if (named && KindInfo(*named).writable && !(*named == ListKind::Sfv && chosen == ListKind::Md5))
        return *named;
    return chosen;
}

std::filesystem::path CompleteListName(const std::filesystem::path& fileName, int filterIndex) {
    // "SHA256SUMS" names its kind without an extension.
    if (HasExtension(fileName) || KindNamedBy(fileName))
        return fileName;
    return fileName.native() + Ascii(ListExtension(FilterKind(filterIndex)));
}

std::filesystem::path UndoAppendedExtension(const std::filesystem::path& chosen,
                                            const std::filesystem::path& typed) {
    const auto typedName = LastComponent(typed.native());
    const PathString& text = chosen.native();
    const auto chosenName = LastComponent(text);
    if (!HasExtension(typedName) || chosenName.size() <= typedName.size() ||
        chosenName.substr(0, typedName.size()) != typedName)
        return chosen;
    const std::string appended = LowerExtension(chosenName.substr(typedName.size()));
    bool filters = false;
    for (const ListKindInfo& k : ListKinds())
        filters |= k.writable && appended == ListExtension(k.kind);
    if (!filters)
        return chosen;
    if (chosenName.size() - typedName.size() != appended.size())
        return chosen;
    return PathString(text.substr(0, text.size() - appended.size()));
}

FolderListPlan PlanFolderList(const std::filesystem::path& argument, ListKind kind) {
    std::filesystem::path absolute = argument;
    if (argument.is_relative()) {
        // A bare name has no folder part: it stands for the current folder, never the root.
        std::error_code ec;
        const auto current = std::filesystem::current_path(ec);
        if (!ec)
            absolute = current / argument;
    }
    PathString text = absolute.native();
    bool exists = DirectoryExists(absolute);
    if (!exists && platform::LookupPath(absolute)) {
        // A file stands for the folder it is in.
        std::size_t end = text.size();
        while (end > 0 && !platform::IsFolderSeparator(text[end - 1]))
            --end;
        text.resize(end);
        exists = DirectoryExists(std::filesystem::path(text.empty() ? Ascii(".") : text));
    }
    // A name that holds nothing stays a folder that is not there: its parent, which may well
    // exist, was never asked for.
    if (text.empty() || !IsTrailingSeparator(text.back()))
        text.push_back(kSeparator);

    FolderListPlan plan;
    plan.folder = text;
    plan.folderExists = exists;
    PathString name(
        LastComponent(std::basic_string_view<PathChar>(text).substr(0, text.size() - 1)));
    plan.listFile = text + name + Ascii(ListExtension(kind));
    return plan;
}

bool FolderCommandSelects(const std::filesystem::path& name) {
    return !KindNamedBy(name);
}

} // namespace quillon
