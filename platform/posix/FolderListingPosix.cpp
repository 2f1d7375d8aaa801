#include "platform/FolderListing.h"
#include "platform/posix/FileEntryKind.h"
#include "platform/Locale.h"
#include "platform/NaturalOrder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace quillon::platform {

int InjectedListFault(const std::filesystem::path& folder);

namespace {

// By name as Explorer orders them, ties broken by the exact name, so the order never depends on
// how the system returned them.
bool NameBefore(const std::string& a, const std::string& b) {
    int c = CompareNatural<char>(a, b, [](auto x, auto y) { return CompareTextIgnoreCase(x, y); });
    if (c != 0)
        return c < 0;
    c = CompareTextIgnoreCase(a, b);
    if (c != 0)
        return c < 0;
    return a < b;
}

} // namespace

std::optional<std::vector<FolderEntry>> ListFolder(const std::filesystem::path& folder,
                                                   OsError* error) {
    if (const int injected = InjectedListFault(folder)) {
        if (error) *error = OsErrorFromCode(injected);
        return std::nullopt;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        if (error) *error = LastOsError();
        return std::nullopt;
    }
    const int fd = ::dirfd(dir.get());
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir.get());
        if (!d) {
            if (errno != 0) {
                if (error) *error = LastOsError();
                return std::nullopt;
            }
            break;
        }
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
        struct stat st {};
        bool link = d->d_type == DT_LNK;
        // Some file systems do not say what a name is: then ask without following it first.
        if (d->d_type == DT_UNKNOWN && ::fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            link = S_ISLNK(st.st_mode);
        // Follows links; a link to nothing is left out with the other non-files.
        if (::fstatat(fd, d->d_name, &st, 0) != 0) continue;
        const bool isDir = S_ISDIR(st.st_mode);
        if (!isDir && !S_ISREG(st.st_mode)) continue;
        FolderEntry e;
        e.name = d->d_name;
        e.isDirectory = isDir;
        e.link = link ? FolderLink::Link : FolderLink::None;
        e.size = isDir ? 0 : static_cast<std::int64_t>(st.st_size);
        // Windows file time: 100 ns ticks since 1601.
        e.lastWriteTime = (static_cast<std::int64_t>(st.st_mtim.tv_sec) + 11644473600LL) *
                              10000000LL +
                          st.st_mtim.tv_nsec / 100;
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        if (a.isDirectory != b.isDirectory) return a.isDirectory;
        return NameBefore(a.name.native(), b.name.native());
    });
    return entries;
}

std::optional<std::vector<FileName>>
ListFolderFileNames(const std::filesystem::path& folder, OsError* error) {
    if (const int injected = InjectedListFault(folder)) {
        if (error) *error = OsErrorFromCode(injected);
        return std::nullopt;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        if (error)
            *error = LastOsError();
        return std::nullopt;
    }
    const int fd = ::dirfd(dir.get());
    std::vector<FileName> names;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir.get());
        if (!d) {
            if (errno != 0) {
                if (error)
                    *error = LastOsError();
                return std::nullopt;
            }
            break;
        }
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0)
            continue;
        if (IsFileEntry(fd, d->d_name, d->d_type))
            names.emplace_back(d->d_name);
    }
    return names;
}

void SortFileNames(std::vector<FileName>& names) {
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return NameBefore(a, b); });
}

} // namespace quillon::platform
