#pragma once
// The child window each create-mode control lives in: a window class of its own that hosts a
// common control and answers that control's notifications, so the owner only calls methods.
#include "util/win32/Window.h"

#include <windows.h>

namespace quillon::controls {

class ContainerWindow : protected win::Window {
public:
    using win::Window::Handle;

protected:
    ContainerWindow() = default;
    // The parent may destroy the window first (WM_NCDESTROY forgets it); derived destructors call
    // DestroyContainer while their part of the object still exists, since the window's messages
    // reach OnMessage.
    ~ContainerWindow() override = default;

    // WS_CHILD | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT so that Tab and IsDialogMessage reach the
    // hosted control. The class is registered on first use.
    bool CreateContainer(HWND parent, int id, const wchar_t* className, HCURSOR cursor,
                         HBRUSH background);
    void DestroyContainer() { DestroyHandle(); }
    // The one control that fills the container: it takes the container's size and focus, and
    // its notifications go to OnHostedNotify.
    void Host(HWND control) { hosted_ = control; }
    HWND Hosted() const { return hosted_; }

    // What the container does for the hosted control, then the derived class's messages.
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) final;
    virtual LRESULT OnContainerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        return Default(message, wParam, lParam);
    }
    virtual LRESULT OnHostedNotify(NMHDR& header) { return 0; }
    // After the hosted control took the new client size.
    virtual void OnHostedResized(int width, int height) {}

private:
    HWND hosted_ = nullptr;
};

} // namespace quillon::controls
