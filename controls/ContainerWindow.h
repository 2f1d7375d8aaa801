#pragma once
// The child window each create-mode control lives in: a window class of its own that hosts one
// common control and answers that control's notifications, so the owner only calls methods.
#include <windows.h>

namespace quillon::controls {

// A length at 96 DPI in pixels at dpi, rounded to the nearest pixel.
int ScaleLength(int length96, int dpi);

class ContainerWindow {
public:
    ContainerWindow(const ContainerWindow&) = delete;
    ContainerWindow& operator=(const ContainerWindow&) = delete;

    HWND Handle() const { return window_; }

protected:
    ContainerWindow() = default;
    // The parent may destroy the window first (WM_NCDESTROY forgets it); derived destructors call
    // DestroyContainer while their part of the object still exists, since the window's messages
    // reach OnMessage.
    ~ContainerWindow();

    // WS_CHILD | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT so that Tab and IsDialogMessage reach the
    // hosted control. The class is registered on first use.
    bool CreateContainer(HWND parent, int id, const wchar_t* className, HCURSOR cursor,
                         HBRUSH background);
    void DestroyContainer();
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(window_, message, wParam, lParam);
    }
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND window_ = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace quillon::controls
