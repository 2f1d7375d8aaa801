#pragma once
#include "core/ViewText.h"

#include <cstdint>

namespace quillon::ui {

// What the status bar shows of a run while the progress strip is hidden, from what the strip
// would show: during the run "42%, 12.50 MB/s, 1 minutes 5 seconds left" (short enough for the
// panel beside the counts), after it the end text ("Complete in ...", "Aborted") as it is.
// totalPercent < 0: not known yet.
ViewText RunStatusText(std::int32_t totalPercent, ViewTextView rateText, ViewTextView timeText);

} // namespace quillon::ui
