#include "ui/GuiDispatcherWin32.h"

#include <stdexcept>
#include <utility>

namespace quillon::ui {

namespace {

constexpr wchar_t kClassName[] = L"QuillonDispatcher";
// wParam: 0; lParam: the const std::function<void()>* to run. Sent, never posted: the sender
// waits, so the callable outlives the call.
constexpr UINT WM_RUNCALL = WM_APP + 1;
// wParam, lParam: 0. Posted when work was queued for PostToGuiThread: runs what is queued.
constexpr UINT WM_RUNPOSTED = WM_APP + 2;

} // namespace

GuiDispatcherWin32::GuiDispatcherWin32() : thread_(GetCurrentThreadId()) {
    WNDCLASSEXW wc{};
    wc.lpszClassName = kClassName;
    if (!RegisterWindowClass(wc) ||
        !CreateHandle(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr))
        throw std::runtime_error("cannot create the dispatcher window");
}

GuiDispatcherWin32::~GuiDispatcherWin32() {
    DestroyHandle();
}

LRESULT GuiDispatcherWin32::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_RUNCALL:
        // The worker wraps its work so nothing escapes; the window base's guard is the last line.
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    case WM_RUNPOSTED:
        RunPosted();
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}

void GuiDispatcherWin32::RunOnGuiThread(const std::function<void()>& work) {
    if (GetCurrentThreadId() == thread_) {
        work();
        return;
    }
    SendMessageW(window_, WM_RUNCALL, 0, reinterpret_cast<LPARAM>(&work));
}

void GuiDispatcherWin32::PostToGuiThread(std::function<void()> work) {
    bool first;
    {
        std::lock_guard lock(postedMutex_);
        first = posted_.empty();
        posted_.push_back(std::move(work));
    }
    // One message for a queue that was empty: the handler runs everything queued by then.
    if (first)
        PostMessageW(window_, WM_RUNPOSTED, 0, 0);
}

void GuiDispatcherWin32::RunPosted() {
    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(postedMutex_);
        work.swap(posted_);
    }
    for (auto& call : work) {
        try {
            call();
        } catch (...) {
            // One failed call does not take the others with it.
        }
    }
}

void GuiDispatcherWin32::WaitServing(const platform::Event& ended) {
    HANDLE handle = static_cast<HANDLE>(ended.NativeHandle());
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_SENDMESSAGE, 0);
        if (result == WAIT_OBJECT_0)
            return;
        // Peeking delivers the messages other threads have sent to this one. (Should the wait
        // ever fail, polling still serves the worker: waiting blind could deadlock with it.)
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (result == WAIT_FAILED && ended.WaitFor(10))
            return;
    }
}

} // namespace quillon::ui
