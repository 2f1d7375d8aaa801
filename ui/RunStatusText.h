#pragma once
#include "core/ProgressView.h"
#include "core/ViewText.h"

#include <optional>

namespace quillon::ui {

// What the status bar shows of a run while the progress strip is hidden, in the room of the
// panel beside the counts: during the run "42%, 12.5 MB/s, 1:05 left", after it the end text
// ("Complete in ...", "Aborted") as it is. figures: none yet at the very start of a run.
ViewText RunStatusText(const std::optional<RunFigures>& figures, ViewTextView timeText);

} // namespace quillon::ui
