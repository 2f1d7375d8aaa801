#pragma once
#include <windows.h>

#include <memory>

namespace quillon::platform {

// The window's button on the taskbar: how far a run has come, and whether it found faults.
class TaskbarButton {
public:
    enum class State { None, Normal, Error };
    virtual ~TaskbarButton() = default;
    virtual void SetState(State state) = 0;
    // 0..100, shown in the state set last.
    virtual void SetProgress(int percent) = 0;
};

// The shell's taskbar list for window (ITaskbarList3); nullptr where there is none. Make it once
// the window is shown, and again when the shell sends "TaskbarButtonCreated" (Explorer restarted).
std::unique_ptr<TaskbarButton> MakeTaskbarButton(HWND window);

} // namespace quillon::platform
