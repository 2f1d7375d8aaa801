#include "platform/FolderSizes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <unordered_set>

namespace quillon::platform {

namespace {

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

std::string SwapAsciiCase(std::string_view s) {
    std::string swapped(s);
    for (char& c : swapped) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return swapped;
}

} // namespace

struct FolderSizes::Listing {
    DIR* dir = nullptr; // nullptr: the folder is not there
    std::unordered_set<std::string, NameHash, std::equal_to<>> names;
    // The folder may find a name that it does not show as written (a FAT or NTFS mount, an ext4
    // folder that ignores case): a name it does not show is then looked up by itself.
    bool mayMatchOtherwise = false;

    ~Listing() {
        if (dir)
            ::closedir(dir);
    }
};

FolderSizes::FolderSizes(PathTextView folderPart, std::size_t maxNames) {
    const std::string folder = folderPart.empty() ? std::string(".") : std::string(folderPart);
    auto listing = std::make_unique<Listing>();
    listing->dir = ::opendir(folder.c_str());
    if (!listing->dir) {
        // Not there, or not a folder: neither is anything in it. Any other failure (no right to
        // read it) leaves the names to their own lookups.
        if (errno == ENOENT || errno == ENOTDIR)
            listing_ = std::move(listing);
        return;
    }
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(listing->dir);
        if (!d) {
            if (errno != 0)
                return;
            break;
        }
        const std::string_view name = d->d_name;
        if (name == "." || name == "..")
            continue;
        if (listing->names.size() >= maxNames)
            return;
        listing->names.emplace(name);
    }
    // Ask the folder for a name it shows in the other letter case. With no such name to ask
    // about, only an empty folder is known to hold nothing else.
    const int fd = ::dirfd(listing->dir);
    listing->mayMatchOtherwise = !listing->names.empty();
    for (const std::string& name : listing->names) {
        const std::string swapped = SwapAsciiCase(name);
        if (swapped == name || listing->names.contains(swapped))
            continue;
        struct stat st {};
        listing->mayMatchOtherwise = ::fstatat(fd, swapped.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        break;
    }
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
    if (!listing.dir)
        return -1;
    if (!listing.names.contains(name)) {
        // Names that differ in Unicode normalization alone are one name to some file systems.
        if (listing.mayMatchOtherwise || !IsAscii(name))
            return AskDirectly;
        return -1;
    }
    // Looked up as a path lookup would: a link is followed, the size is today's.
    struct stat st {};
    if (::fstatat(::dirfd(listing.dir), std::string(name).c_str(), &st, 0) != 0)
        return -1;
    if (!S_ISREG(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

} // namespace quillon::platform
