#pragma once
#include "core/ProgressView.h"
#include "core/ViewText.h"

#include <cstdint>

namespace quillon {

// Byte and time bookkeeping of one run (a check or a create) and the progress strip it drives
// (none for a console program that shows no progress). Touched only by the thread of the run,
// and by the GUI thread at the start and end of a check while the worker waits for it.
class RunProgress {
public:
    explicit RunProgress(ProgressView* view) : view_(view) {}
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

    std::int64_t TotalBytes = 0;    // what the run will read
    std::int64_t DoneBytes = 0;     // read so far
    std::uint64_t StartTick = 0;    // platform::TickCount64 at the start of the run
    std::uint64_t NextRateTick = 0; // the two texts may change again after this tick
    // The positions the bars show: they follow every setting, resets included.
    std::int32_t LastFilePercent = 0;
    std::int32_t LastTotalPercent = 0;

    // After every block of a digest: percent of the current file read, bytes of the block.
    void UpdateProgress(std::int32_t percent, std::int32_t bytes);

    // Sets both bars, as at the start (0) and the end (100) of a run.
    void SetBars(std::int32_t percent);
    // At the end of a run: the speed as the bytes read over the whole time taken (a run shorter
    // than the first update of the texts would otherwise keep a figure from its first block).
    void ShowFinalRate();
    // Milliseconds since StartTick in whole seconds, halves to even.
    std::int64_t ElapsedSeconds() const;

private:
    ProgressView* view_;
};

// "2 hours 3 minutes 4 seconds", "1 hour 0 minutes 5 seconds", "1 minutes 1 seconds", "0 seconds".
ViewText FormatDuration(std::int64_t seconds);

} // namespace quillon
