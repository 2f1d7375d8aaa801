#include "controls/ControlLogic.h"

#include <windows.h>

#include <algorithm>
#include <unordered_set>

namespace quillon::controls {

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
    // Ordinal upper-casing is the file system's own rule, not the locale's.
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

int ClampDivider(int position, int width, int bar, int minimum) {
    const int largest = width - bar - minimum;
    if (largest < minimum)
        return std::max(0, (width - bar) / 2);
    return std::clamp(position, minimum, largest);
}

std::filesystem::path TreeFolderPath(const std::filesystem::path& folder) {
    std::wstring text = folder.native();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    // libstdc++ folds the two separators of a share (\\server) into one: keep one aside.
    const bool share = text.size() > 2 && text[0] == L'\\' && text[1] == L'\\';
    const std::filesystem::path normal =
        std::filesystem::path(share ? text.substr(1) : text).lexically_normal();
    text = normal.native();
    const std::size_t root = normal.root_path().native().size();
    while (text.size() > root && text.back() == L'\\')
        text.pop_back();
    // "C:" alone is the drive's current folder to the system; to the tree it is the drive.
    if (text.size() == 2 && text[1] == L':')
        text += L'\\';
    return share ? L'\\' + text : text;
}

std::optional<std::vector<std::wstring>> ComponentsBelow(const std::filesystem::path& base,
                                                         const std::filesystem::path& folder) {
    auto b = base.begin();
    auto f = folder.begin();
    for (; b != base.end(); ++b, ++f) {
        if (b->empty())
            continue; // a trailing separator
        if (f == folder.end() || !SameName(b->native(), f->native()))
            return std::nullopt;
    }
    std::vector<std::wstring> below;
    for (; f != folder.end(); ++f)
        if (!f->empty())
            below.push_back(f->native());
    return below;
}

int DeepestBase(const std::vector<std::filesystem::path>& bases,
                const std::filesystem::path& folder) {
    int best = -1;
    std::size_t bestDepth = 0;
    for (std::size_t i = 0; i < bases.size(); ++i) {
        if (!ComponentsBelow(bases[i], folder))
            continue;
        const auto depth =
            static_cast<std::size_t>(std::distance(bases[i].begin(), bases[i].end()));
        if (best < 0 || depth > bestDepth) {
            best = static_cast<int>(i);
            bestDepth = depth;
        }
    }
    return best;
}

std::vector<std::size_t> PositionsOfNames(const std::vector<platform::FolderEntry>& entries,
                                          const std::vector<std::wstring>& names) {
    std::vector<std::size_t> positions;
    if (names.empty())
        return positions;
    const std::unordered_set<std::wstring> wanted(names.begin(), names.end());
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (wanted.count(entries[i].name.native()))
            positions.push_back(i);
    return positions;
}

} // namespace quillon::controls
