#pragma once
#include "verify/ItemRec.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

// GetFileSize64 of many entries at once: sizes[i] for entries[i]. A long list is split over a
// few threads, since each lookup mostly waits on the file system (or the network); the entries
// are only read.
std::vector<std::int64_t> LookupSizes(std::span<TItemRec* const> entries);

} // namespace quillon
