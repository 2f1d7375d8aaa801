#pragma once
#include "platform/win32/ScopedWin.h"
#include "util/win32/Window.h"
#include "verify/GuiDispatcher.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace quillon::ui {

// The check worker's way onto the GUI thread: a message-only window of the thread that creates
// the dispatcher; RunOnGuiThread sends it a private message that runs the call there.
class GuiDispatcherWin32 final : public GuiDispatcher, private win::Window {
public:
    GuiDispatcherWin32();
    ~GuiDispatcherWin32() override;
    GuiDispatcherWin32(const GuiDispatcherWin32&) = delete;
    GuiDispatcherWin32& operator=(const GuiDispatcherWin32&) = delete;

    void RunOnGuiThread(const std::function<void()>& work) override;
    // Waits on the event together with the thread's sent messages (MsgWaitForMultipleObjectsEx),
    // so a worker that sends to any window of this thread is served meanwhile.
    void WaitServing(const platform::Event& ended) override;
    void PostToGuiThread(std::function<void()> work) override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void RunPosted();

    DWORD thread_ = 0;
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
};

} // namespace quillon::ui
