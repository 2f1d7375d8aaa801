#include "controls/ContainerWindow.h"

#include <commctrl.h>

namespace quillon::controls {

bool ContainerWindow::CreateContainer(HWND parent, int id, const wchar_t* className, HCURSOR cursor,
                                      HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    if (!RegisterWindowClass(wc))
        return false;
    return CreateHandle(WS_EX_CONTROLPARENT, className, L"",
                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

LRESULT ContainerWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (hosted_) {
        switch (message) {
        case WM_SIZE:
            MoveWindow(hosted_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            OnHostedResized(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_SETFOCUS:
            SetFocus(hosted_);
            return 0;
        case WM_NOTIFY: {
            auto& header = *reinterpret_cast<NMHDR*>(lParam);
            if (header.hwndFrom == hosted_)
                return OnHostedNotify(header);
            break;
        }
        case WM_NCDESTROY:
            hosted_ = nullptr;
            break;
        }
    }
    return OnContainerMessage(message, wParam, lParam);
}

} // namespace quillon::controls
