#pragma once
#include "verify/ItemRec.h"
#include "verify/ListedFolder.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

// GetFileSize64 of many entries at once: sizes[i] for entries[i]. Where many entries share a
// folder, one listing of the folder answers them (platform::FolderSizes), each exactly as its own
// lookup would; the others are looked up one by one. A long list is split over a few threads,
// since each lookup mostly waits on the file system (or the network); the entries are only read.
// Once stop is set the lookups end early and the result is empty. With listed, the folders read
// whole are kept there, each with its stamp from before its reading.
std::vector<std::int64_t> LookupSizes(std::span<TItemRec* const> entries,
                                      const std::atomic<bool>* stop = nullptr,
                                      std::vector<ListedFolder>* listed = nullptr);
// The size of an entry whose open is to find it (and whether it is there at all).
inline constexpr std::int64_t SizeAtOpen = -3;

} // namespace quillon
