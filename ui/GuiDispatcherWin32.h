#pragma once
#include "platform/win32/ScopedWin.h"
#include "verify/GuiDispatcher.h"

#include <windows.h>

namespace quillon::ui {

// The check worker's way onto the GUI thread: a message-only window of the thread that creates
// the dispatcher; RunOnGuiThread sends it a private message that runs the call there.
class GuiDispatcherWin32 final : public GuiDispatcher {
public:
    GuiDispatcherWin32();
    ~GuiDispatcherWin32() override;
    GuiDispatcherWin32(const GuiDispatcherWin32&) = delete;
    GuiDispatcherWin32& operator=(const GuiDispatcherWin32&) = delete;

    void RunOnGuiThread(const std::function<void()>& work) override;
    // Waits on the event together with the thread's sent messages (MsgWaitForMultipleObjectsEx),
    // so a worker that sends to any window of this thread is served meanwhile.
    void WaitServing(const platform::Event& ended) override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    DWORD thread_ = 0;
};

} // namespace quillon::ui
