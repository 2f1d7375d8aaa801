#include "controls/ContainerWindow.h"

namespace quillon::controls {

int ScaleLength(int length96, int dpi) {
    return MulDiv(length96, dpi, 96);
}

ContainerWindow::~ContainerWindow() {
    // Normally gone already; a window left behind must not call into a freed object.
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool ContainerWindow::CreateContainer(HWND parent, int id, const wchar_t* className, HCURSOR cursor,
                                      HBRUSH background) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, className, &wc)) {
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.lpszClassName = className;
        if (!RegisterClassExW(&wc))
            return false;
    }
    CreateWindowExW(WS_EX_CONTROLPARENT, className, L"",
                    WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    return window_ != nullptr;
}

void ContainerWindow::DestroyContainer() {
    if (window_)
        DestroyWindow(window_);
}

LRESULT CALLBACK ContainerWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    ContainerWindow* self;
    if (message == WM_NCCREATE) {
        self =
            static_cast<ContainerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    } else {
        self = reinterpret_cast<ContainerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // Nothing may unwind into user32.
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace quillon::controls
