#include "ui/FlushPace.h"

#include <algorithm>

namespace quillon::ui {

unsigned FlushPace::Next(unsigned periodMs, unsigned long long cpuMs, unsigned long long wallMs) {
    if (wallMs == 0)
        return periodMs;
    const double share = static_cast<double>(cpuMs) / static_cast<double>(wallMs);
    if (share > 0.05) {
        const unsigned long long period = periodMs, cpu = std::min(cpuMs, wallMs);
        const unsigned long long aimed = std::min<unsigned long long>(period * cpu * 30 / wallMs,
                                                                      SlowestMs);
        return std::clamp(std::max(static_cast<unsigned>(aimed), periodMs * 2), FastestMs,
                          SlowestMs);
    }
    if (share < 0.02)
        return std::clamp(periodMs / 2, FastestMs, SlowestMs);
    return std::clamp(periodMs, FastestMs, SlowestMs);
}

} // namespace quillon::ui
