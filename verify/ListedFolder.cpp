#include "verify/ListedFolder.h"

#include "platform/FileSystem.h"

#include <chrono>
#include <filesystem>

namespace quillon {

namespace {

constexpr std::int64_t Settled = 2 * 10'000'000LL; // two seconds of file time

std::int64_t FileTimeNow() {
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    return std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
               .count() +
           116'444'736'000'000'000LL;
}

} // namespace

std::optional<std::int64_t> FolderStamp(ViewTextView folderPart) {
    const auto found = platform::LookupPath(folderPart.empty() ? std::filesystem::path(".")
                                                               : std::filesystem::path(folderPart));
    if (!found || !found->isDirectory || found->lastWriteTime == 0)
        return std::nullopt;
    return found->lastWriteTime;
}

std::optional<std::int64_t> SettledFolderStamp(ViewTextView folderPart) {
    const std::int64_t start = FileTimeNow();
    const auto stamp = FolderStamp(folderPart);
    if (stamp && *stamp > start - Settled)
        return std::nullopt;
    return stamp;
}

} // namespace quillon
