#pragma once
#include "core/ViewText.h"

#include <cstdint>

namespace quillon {

// The progress strip as the run bookkeeping sees it: two bars and the two labels under them.
// Called from the thread of the run (the check worker or, for a create run, the GUI thread); an
// implementation on real controls carries every call over to the GUI thread and waits for it.
class ProgressView {
public:
    virtual ~ProgressView() = default;

    // False while the strip is hidden (the ShowProgress preference): nothing is shown then.
    virtual bool ProgressShown() const = 0;
    virtual void SetFileProgress(std::int32_t percent) = 0;
    virtual void SetTotalProgress(std::int32_t percent) = 0;
    // Throughput, under the file bar.
    virtual void SetRateText(const ViewText& text) = 0;
    // Time left during a run, "Complete in ..." after it; under the total bar.
    virtual void SetTimeText(const ViewText& text) = 0;
};

} // namespace quillon
