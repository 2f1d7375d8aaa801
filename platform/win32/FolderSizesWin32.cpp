#include "platform/FolderSizes.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/QuietErrorMode.h"
#include "platform/win32/ScopedWin.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillon::platform {

namespace {

struct Named {
    std::wstring name;
    std::int64_t size = 0;
    DWORD attributes = 0;
};

// The system's own upper-casing, with which the file system matches names.
int CompareIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) -
           CSTR_EQUAL;
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Characters that a path lookup reads as more than a part of a name: wildcards (the DOS ones
// too), a stream or drive colon, controls.
bool IsSpecial(wchar_t c) {
    return c < 0x20 || c == L'?' || c == L'*' || c == L'<' || c == L'>' || c == L'"' || c == L'|' ||
           c == L':';
}

// CON, PRN, AUX, NUL, COMn, LPTn (superscript digits too), CONIN$ and CONOUT$, whatever follows
// a dot or trailing blanks, open a device in any folder. A little broadly: COM and LPT with any
// fourth character that is no letter.
bool MayBeDeviceName(std::wstring_view name) {
    std::wstring_view base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.remove_suffix(1);
    if (base.size() < 3 || base.size() > 7)
        return false;
    std::wstring upper(base);
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    const std::wstring_view head = std::wstring_view(upper).substr(0, 3);
    if (upper.size() == 3)
        return head == L"CON" || head == L"PRN" || head == L"AUX" || head == L"NUL";
    if (upper.size() == 4 && (head == L"COM" || head == L"LPT"))
        return !(upper[3] >= L'A' && upper[3] <= L'Z');
    return upper == L"CONIN$" || upper == L"CONOUT$";
}

// A name of one folder that a lookup takes as written: no trailing dot or blank (which Windows
// strips), no "." or "..", nothing special.
bool IsPlainPart(std::wstring_view name) {
    if (name.empty() || name.back() == L'.' || name.back() == L' ')
        return false;
    for (wchar_t c : name)
        if (IsSeparator(c) || IsSpecial(c))
            return false;
    return true;
}

// The same for the last part of a path, which must not be a device either.
bool IsPlainName(std::wstring_view name) {
    return IsPlainPart(name) && !MayBeDeviceName(name);
}

// A folder part made of plain names: "", "\", "X:\", "\\server\share\" or a relative one, each
// followed by plain names and a separator. The "\\?\" and "\\.\" forms have rules of their own.
bool IsPlainFolderPart(std::wstring_view part) {
    if (part.empty())
        return true;
    if (!IsSeparator(part.back()))
        return false;
    std::size_t start = 0;
    if (part.size() >= 3 && part[1] == L':' && IsSeparator(part[2]) &&
        ((part[0] >= L'A' && part[0] <= L'Z') || (part[0] >= L'a' && part[0] <= L'z')))
        start = 3;
    else if (part.size() >= 2 && IsSeparator(part[0]) && IsSeparator(part[1]))
        start = 2;
    else if (IsSeparator(part[0]))
        start = 1;
    for (std::size_t i = start; i < part.size(); ++i) {
        if (!IsSeparator(part[i]))
            continue;
        if (!IsPlainPart(part.substr(start, i - start)))
            return false;
        start = i + 1;
    }
    return true;
}

std::int64_t Join(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

} // namespace

struct FolderSizes::Listing {
    bool absent = false;
    std::vector<Named> named;
    std::unordered_map<std::wstring_view, std::size_t> exact;
    // Indexes into named, ordered without regard to case: made the first time a name is not
    // found as written.
    mutable std::once_flag sortedOnce;
    mutable std::vector<std::size_t> sorted;

    bool HasInAnyCase(std::wstring_view name) const {
        std::call_once(sortedOnce, [this] {
            sorted.resize(named.size());
            for (std::size_t i = 0; i < sorted.size(); ++i)
                sorted[i] = i;
            std::sort(sorted.begin(), sorted.end(), [this](std::size_t a, std::size_t b) {
                return CompareIgnoringCase(named[a].name, named[b].name) < 0;
            });
        });
        const auto it = std::lower_bound(sorted.begin(), sorted.end(), name,
                                         [this](std::size_t i, std::wstring_view n) {
                                             return CompareIgnoringCase(named[i].name, n) < 0;
                                         });
        return it != sorted.end() && CompareIgnoringCase(named[*it].name, name) == 0;
    }
};

FolderSizes::FolderSizes(PathTextView folderPart, std::size_t maxNames) {
    if (!IsPlainFolderPart(folderPart))
        return;
    std::wstring pattern(folderPart);
    pattern += L'*';
    auto listing = std::make_unique<Listing>();
    WIN32_FIND_DATAW data;
    win::UniqueFind find;
    DWORD code = 0;
    {
        QuietErrorMode quiet;
        find.Reset(FindFirstFileExW(ExtendedPath(pattern).c_str(), FindExInfoBasic, &data,
                                    FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        code = find ? 0 : GetLastError();
    }
    if (!find) {
        // Not there, or a file (Windows says ERROR_DIRECTORY, Wine ERROR_INVALID_NAME; the
        // folder part holds nothing else it could object to): neither holds anything. An empty
        // drive root lists nothing at all, not even "." and "..". Other failures leave the names
        // to their own lookups.
        if (code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND ||
            code == ERROR_DIRECTORY || code == ERROR_INVALID_NAME) {
            listing->absent = true;
            listing_ = std::move(listing);
        }
        return;
    }
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0)
            continue;
        if (listing->named.size() >= maxNames)
            return;
        listing->named.push_back(Named{data.cFileName, Join(data.nFileSizeHigh, data.nFileSizeLow),
                                       data.dwFileAttributes});
    } while (FindNextFileW(find.Get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        return;
    listing->exact.reserve(listing->named.size());
    for (std::size_t i = 0; i < listing->named.size(); ++i)
        listing->exact.emplace(listing->named[i].name, i);
    listing_ = std::move(listing);
}

FolderSizes::~FolderSizes() = default;

bool FolderSizes::Listed() const {
    return listing_ != nullptr;
}

std::int64_t FolderSizes::SizeOf(PathTextView name) const {
    if (!listing_ || !IsPlainName(name))
        return AskDirectly;
    const Listing& listing = *listing_;
    if (listing.absent)
        return -1;
    const auto found = listing.exact.find(name);
    if (found == listing.exact.end()) {
        // Shown in another case: whether the folder ignores case is the file system's to say (a
        // folder may be case-sensitive). A short name ("PROGRA~1") is found by a lookup but
        // listed long.
        if (listing.HasInAnyCase(name) || name.find(L'~') != std::wstring_view::npos)
            return AskDirectly;
        return -1;
    }
    const Named& n = listing.named[found->second];
    // A link or mount point shows itself in a listing; a lookup may see its target.
    if (n.attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
        return AskDirectly;
    if (n.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return -1;
    return n.size;
}

std::optional<std::vector<FileName>> FolderSizes::FileNames() const {
    if (!listing_)
        return std::nullopt;
    std::vector<FileName> names;
    for (const Named& n : listing_->named)
        if ((n.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(n.name);
    return names;
}

} // namespace quillon::platform
