#pragma once
#include "core/ViewText.h"

#include <cstdint>

namespace quillon {

// How far a run has come, as numbers, for a display with little room.
struct RunFigures {
    std::int32_t totalPercent = 0;
    double megabytesPerSecond = 0;
    std::int64_t secondsLeft = 0;
};

// The progress display as the run bookkeeping sees it: two bars, the two texts under them and
// the file being read. Called from the thread of the run (the check worker or, for a create run,
// the GUI thread); an implementation on real controls carries every call over to the GUI thread.
// Where it shows them (the progress strip, or the status bar while the strip is hidden) is its
// own business: a run always reports its progress.
class ProgressView {
public:
    virtual ~ProgressView() = default;

    virtual void SetFileProgress(std::int32_t percent) = 0;
    virtual void SetTotalProgress(std::int32_t percent) = 0;
    // Throughput, under the file bar.
    virtual void SetRateText(const ViewText& text) = 0;
    // Time left during a run, "Complete in ..." or "Aborted" after it; under the total bar.
    virtual void SetTimeText(const ViewText& text) = 0;
    // The figures behind the two texts, given with them.
    virtual void SetRunFigures(const RunFigures& figures) {}
    // The file a run reads now; an empty text when it reads none.
    virtual void SetCurrentFile(ViewTextView name) {}
};

} // namespace quillon
