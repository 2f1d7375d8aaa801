#pragma once
#include <atomic>
#include <cstdint>

namespace quillon {

// The four counts of the status bar: how many entries have each status, every entry counted
// whatever the display filter shows and whichever entries a check took. Written by the check
// worker, read by the status-bar painting on the GUI thread; each is one atomic value, no lock is
// taken.
struct StatusCounters {
    std::atomic<std::int32_t> UncheckedCount{0};
    std::atomic<std::int32_t> MissingCount{0};
    std::atomic<std::int32_t> BadCount{0};
    std::atomic<std::int32_t> GoodCount{0};

    // The counter of a result status (Missing, Bad, Good), the Unchecked one for 1; nullptr for
    // any other code.
    std::atomic<std::int32_t>* ForStatus(std::int32_t status);
    // The count that status-bar panel index shows (0 Unchecked ... 3 Good); 0 for other indexes.
    std::int32_t ForPanel(std::int32_t panel) const;
    void ResetResults(); // Missing, Bad and Good to 0
    // An entry went from one status to another: one less of the old, one more of the new.
    void Move(std::int32_t from, std::int32_t to);
};

} // namespace quillon
