#pragma once
// The base of every window class of ours: `this` rides in GWLP_USERDATA from WM_NCCREATE to
// WM_NCDESTROY, every message goes to the member OnMessage, and nothing unwinds into user32.
#include <windows.h>

#include <exception>

namespace quillon::win {

class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return window_; }

    // The window procedure of every class registered for a Window (RegisterWindowClass sets it).
    static LRESULT CALLBACK Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    Window() = default;
    // A window still alive is destroyed without its last messages: a derived class that wants
    // them (WM_DESTROY) calls DestroyHandle in its own destructor.
    virtual ~Window();

    // Registers the class once per process (a second call finds it registered); lpfnWndProc and
    // hInstance are filled in.
    static bool RegisterWindowClass(WNDCLASSEXW wc);
    // CreateWindowExW with this object as the window's owner of messages.
    bool CreateHandle(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                      int x, int y, int width, int height, HWND parent, HMENU menuOrId);
    void DestroyHandle();

    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // An exception left OnMessage (e is nullptr for one not derived from std::exception). The
    // message then returns 0.
    virtual void OnException(const std::exception* e) {}
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(window_, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

// The DPI a window is shown at: GetDpiForWindow where the system has it, else the screen's.
int WindowDpi(HWND window);

} // namespace quillon::win
