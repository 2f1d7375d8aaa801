#include "ui/GuiDispatcherWin32.h"

#include <stdexcept>

namespace quillon::ui {

namespace {

constexpr wchar_t kClassName[] = L"QuillonDispatcher";
// wParam: 0; lParam: the const std::function<void()>* to run. Sent, never posted: the sender
// waits, so the callable outlives the call.
constexpr UINT WM_RUNCALL = WM_APP + 1;

} // namespace

LRESULT CALLBACK GuiDispatcherWin32::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    if (message == WM_RUNCALL) {
        // The worker wraps its work so nothing escapes; this catch is the last line before user32.
        try {
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
        } catch (...) {
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

GuiDispatcherWin32::GuiDispatcherWin32() : thread_(GetCurrentThreadId()) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    // A second registration fails with ERROR_CLASS_ALREADY_EXISTS, which is fine.
    RegisterClassExW(&wc);
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                              nullptr);
    if (!window_)
        throw std::runtime_error("cannot create the dispatcher window");
}

GuiDispatcherWin32::~GuiDispatcherWin32() {
    if (window_)
        DestroyWindow(window_);
}

void GuiDispatcherWin32::RunOnGuiThread(const std::function<void()>& work) {
    if (GetCurrentThreadId() == thread_) {
        work();
        return;
    }
    SendMessageW(window_, WM_RUNCALL, 0, reinterpret_cast<LPARAM>(&work));
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
