#include "ui/FlushPace.h"

#include <algorithm>

namespace quillon::ui {

unsigned FlushPace::Next(unsigned periodMs, unsigned long long cpuMs, unsigned long long wallMs) {
    if (wallMs == 0)
        return periodMs;
    const double share = static_cast<double>(cpuMs) / static_cast<double>(wallMs);
    if (share > 0.05)
        return std::clamp(periodMs * 2, FastestMs, SlowestMs);
    if (share < 0.02)
        return std::clamp(periodMs / 2, FastestMs, SlowestMs);
    return std::clamp(periodMs, FastestMs, SlowestMs);
}

} // namespace quillon::ui
