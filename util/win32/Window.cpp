#include "util/win32/Window.h"

#include "platform/win32/ScopedWin.h"
#include "util/win32/Guarded.h"

#include <utility>

namespace quillon::win {

Window::~Window() {
    if (window_) {
        // Whatever arrives from here on must not reach a derived part that is gone.
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(std::exchange(window_, nullptr));
    }
}

bool Window::RegisterWindowClass(WNDCLASSEXW wc) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Thunk;
    if (!wc.hInstance)
        wc.hInstance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(wc.hInstance, wc.lpszClassName, &existing))
        return true;
    return RegisterClassExW(&wc) != 0;
}

bool Window::CreateHandle(DWORD exStyle, const wchar_t* className, const wchar_t* title,
                          DWORD style, int x, int y, int width, int height, HWND parent,
                          HMENU menuOrId) {
    CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                    GetModuleHandleW(nullptr), this);
    return window_ != nullptr;
}

void Window::DestroyHandle() {
    // Its last messages still reach OnMessage; WM_NCDESTROY forgets the handle.
    if (window_)
        DestroyWindow(window_);
}

LRESULT CALLBACK Window::Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self)
            self->window_ = window;
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = Guarded<LRESULT>(
        [&] { return self->OnMessage(message, wParam, lParam); },
        [self](const std::exception* e) { self->OnException(e); }, 0);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
    }
    return result;
}

int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow"));
    if (getDpi && window) {
        if (const UINT dpi = getDpi(window))
            return static_cast<int>(dpi);
    }
    ScopedGetDc dc(nullptr);
    return GetDeviceCaps(dc.Get(), LOGPIXELSX);
}

} // namespace quillon::win
