#pragma once
#include "core/Progress.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace quillon {

// Called after every block of a digest with the percent of the file read so far and the bytes
// of the block.
using ProgressHandler = std::function<void(std::int32_t percent, std::int32_t bytesRead)>;

// The run under way: a check on the worker thread or a create run on the GUI thread. One object
// for both kinds, owned by the window (or the console command) and handed to the digests, the
// check and the create run; nothing of it is a process global.
class RunState {
public:
    explicit RunState(ProgressView* view = nullptr) : Progress(view) {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    std::atomic<bool> Busy{false};           // a check or a create run is under way
    std::atomic<bool> WindowClosing{false};  // the window is going: a worker leaves it alone
    std::atomic<bool> AbortRequested{false}; // polled after every block and between files
    RunProgress Progress;
    // What the digests call after every block; the loader and the create run point it at
    // Progress.UpdateProgress.
    ProgressHandler OnProgress;
    // Lets the window handle its messages between the blocks of a run on the GUI thread. Only
    // the GUI-thread digests call it; the worker's never do.
    std::function<void()> MessagePump;

    // The closing window's request: the worker stops at its next poll and touches nothing more.
    void WindowClose() {
        WindowClosing = true;
        AbortRequested = true;
    }
};

} // namespace quillon
