#pragma once
#include "platform/Event.h"

#include <functional>

namespace quillon {

// Carries the check worker's calls over to the GUI thread and lets the GUI thread wait for the
// worker's end while it serves them: a worker waiting on the GUI thread then cannot deadlock with
// a GUI thread waiting on the worker. The window implements it on a message-only window; a
// console program, whose main thread only waits, runs the calls where they are made.
class GuiDispatcher {
public:
    virtual ~GuiDispatcher() = default;
    // From the worker: runs work on the GUI thread and returns when it has finished. work never
    // throws (the worker catches inside it and raises the failure again on its own side).
    virtual void RunOnGuiThread(const std::function<void()>& work) = 0;
    // On the GUI thread: returns once ended is set, carrying out RunOnGuiThread calls meanwhile.
    virtual void WaitServing(const platform::Event& ended) = 0;
    // From any thread: has work run on the GUI thread when its loop comes round, and returns at
    // once. Work posted but not yet run when the dispatcher goes is dropped.
    virtual void PostToGuiThread(std::function<void()> work) = 0;
};

// For a program whose main thread does nothing while the worker runs.
class DirectDispatcher final : public GuiDispatcher {
public:
    void RunOnGuiThread(const std::function<void()>& work) override { work(); }
    void WaitServing(const platform::Event& ended) override { ended.Wait(); }
    void PostToGuiThread(std::function<void()> work) override { work(); }
};

} // namespace quillon
