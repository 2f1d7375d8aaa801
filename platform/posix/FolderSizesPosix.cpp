#include "platform/FolderSizes.h"
#include "platform/posix/FileEntryKind.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::platform {

namespace {

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

std::size_t Hash(std::string_view name) {
    return std::hash<std::string_view>()(name);
}

} // namespace

struct FolderSizes::Listing {
    DIR* dir = nullptr; // nullptr: the folder is not there
    // The names, each after its dirent type and before a NUL (ready for fstatat), found through
    // an open-addressed table: a folder of many names costs no allocation per name and no
    // pointer chase per lookup.
    std::string text;
    std::vector<std::uint32_t> starts;
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t startPlusOne = 0; // 0: empty
    };
    std::vector<Slot> slots;
    // The folder may find a name that it does not show as written (a FAT or NTFS mount, an ext4
    // folder that ignores case): a name it does not show is then looked up by itself.
    bool mayMatchOtherwise = false;

    ~Listing() {
        if (dir)
            ::closedir(dir);
    }

    void Index() {
        std::size_t size = 16;
        while (size < 2 * starts.size())
            size *= 2;
        slots.assign(size, Slot{});
        for (const std::uint32_t start : starts) {
            const std::size_t hash = Hash(text.c_str() + start);
            std::size_t i = hash & (size - 1);
            while (slots[i].startPlusOne != 0)
                i = (i + 1) & (size - 1);
            slots[i] = Slot{static_cast<std::uint32_t>(hash), start + 1};
        }
    }

    // The name as held, NUL-terminated; nullptr when the folder does not show it.
    const char* Find(std::string_view name) const {
        const std::size_t hash = Hash(name);
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots[i];
            if (slot.startPlusOne == 0)
                return nullptr;
            const char* held = text.c_str() + (slot.startPlusOne - 1);
            if (slot.hash == static_cast<std::uint32_t>(hash) && std::string_view(held) == name)
                return held;
        }
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
        if (listing->starts.size() >= maxNames || listing->text.size() > UINT32_MAX / 2)
            return;
        listing->text.push_back(static_cast<char>(d->d_type));
        listing->starts.push_back(static_cast<std::uint32_t>(listing->text.size()));
        listing->text.append(name);
        listing->text.push_back('\0');
    }
    listing->Index();
    // Ask the folder for a name it shows in the other letter case. With no such name to ask
    // about, only an empty folder is known to hold nothing else.
    const int fd = ::dirfd(listing->dir);
    listing->mayMatchOtherwise = !listing->starts.empty();
    for (const std::uint32_t start : listing->starts) {
        const std::string_view name = listing->text.c_str() + start;
        const std::string swapped = SwapAsciiCase(name);
        if (swapped == name || listing->Find(swapped))
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
    const char* held = listing.Find(name);
    if (!held) {
        // Names that differ in Unicode normalization alone are one name to some file systems.
        if (listing.mayMatchOtherwise || !IsAscii(name))
            return AskDirectly;
        return -1;
    }
    // Looked up as a path lookup would: a link is followed, the size is today's.
    struct stat st {};
    if (::fstatat(::dirfd(listing.dir), held, &st, 0) != 0)
        return -1;
    if (!S_ISREG(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

std::optional<std::vector<FileName>> FolderSizes::FileNames() const {
    if (!listing_)
        return std::nullopt;
    std::vector<FileName> names;
    if (!listing_->dir)
        return names;
    const int fd = ::dirfd(listing_->dir);
    for (const std::uint32_t start : listing_->starts) {
        const unsigned char type = static_cast<unsigned char>(listing_->text[start - 1]);
        const char* name = listing_->text.c_str() + start;
        if (IsFileEntry(fd, name, type))
            names.emplace_back(name);
    }
    return names;
}

} // namespace quillon::platform
