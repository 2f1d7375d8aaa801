#include "verify/StatusCounters.h"

#include "verify/ItemRec.h"

namespace quillon {

std::atomic<std::int32_t>* StatusCounters::ForStatus(std::int32_t status) {
    switch (status) {
    case StatusUnchecked: return &UncheckedCount;
    case StatusMissing: return &MissingCount;
    case StatusBad: return &BadCount;
    case StatusGood: return &GoodCount;
    }
    return nullptr;
}

std::int32_t StatusCounters::ForPanel(std::int32_t panel) const {
    switch (panel) {
    case 0: return UncheckedCount;
    case 1: return MissingCount;
    case 2: return BadCount;
    case 3: return GoodCount;
    }
    return 0;
}

void StatusCounters::Move(std::int32_t from, std::int32_t to) {
    if (from == to)
        return;
    if (auto* old = ForStatus(from))
        --*old;
    if (auto* now = ForStatus(to))
        ++*now;
}

void StatusCounters::ResetResults() {
    MissingCount = 0;
    BadCount = 0;
    GoodCount = 0;
}

} // namespace quillon
