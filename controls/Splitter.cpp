#include "controls/Splitter.h"

#include "controls/ControlLogic.h"

#include <windowsx.h>

#include <algorithm>

namespace quillon::controls {

Splitter::~Splitter() {
    DestroyContainer();
}

bool Splitter::Create(HWND parent, int id, int dpi) {
    dpi_ = dpi;
    position_ = Scale(DefaultPosition96, dpi);
    // The panes cover all but the bar, so the class background paints just the bar.
    return CreateContainer(parent, id, L"QuillonSplitter", LoadCursorW(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

void Splitter::SetPanes(HWND left, HWND right) {
    left_ = left;
    right_ = right;
    Layout();
}

int Splitter::Width() const {
    RECT client{};
    GetClientRect(window_, &client);
    return client.right - client.left;
}

int Splitter::Position() const {
    const int width = Width();
    // Before its first size the splitter has no width to clamp to.
    if (width <= 0)
        return position_;
    return ClampDivider(position_, width, BarWidth(), MinimumPane());
}

void Splitter::SetPosition(int position) {
    position_ = position;
    Layout();
}

void Splitter::SetDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_)
        return;
    position_ = Rescale(position_, dpi_, dpi);
    dpi_ = dpi;
    Layout();
}

void Splitter::Show(bool show) {
    ShowWindow(window_, show ? SW_SHOW : SW_HIDE);
}

bool Splitter::OverBar(int x) const {
    const int position = Position();
    return x >= position && x < position + BarWidth();
}

void Splitter::Layout() {
    if (!window_)
        return;
    RECT client{};
    GetClientRect(window_, &client);
    const int width = client.right, height = client.bottom;
    const int left = Position();
    const int rightStart = std::min(width, left + BarWidth());
    HDWP defer = BeginDeferWindowPos(2);
    if (left_ && defer)
        defer = DeferWindowPos(defer, left_, nullptr, 0, 0, left, height,
                               SWP_NOZORDER | SWP_NOACTIVATE);
    if (right_ && defer)
        defer = DeferWindowPos(defer, right_, nullptr, rightStart, 0, width - rightStart, height,
                               SWP_NOZORDER | SWP_NOACTIVATE);
    if (defer)
        EndDeferWindowPos(defer);
    // The bar moved: its old place is now pane and its new place needs the background.
    InvalidateRect(window_, nullptr, TRUE);
}

LRESULT Splitter::OnContainerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == window_ && LOWORD(lParam) == HTCLIENT) {
            POINT p{};
            GetCursorPos(&p);
            ScreenToClient(window_, &p);
            if (dragging_ || OverBar(p.x)) {
                SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN: {
        const int x = GET_X_LPARAM(lParam);
        if (!OverBar(x))
            break;
        dragging_ = true;
        grab_ = x - Position();
        SetCapture(window_);
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        return 0;
    }
    case WM_MOUSEMOVE:
        if (dragging_) {
            // Stored clamped, so a drag past the edge does not leave a position the panes
            // jump to when the splitter widens.
            position_ =
                ClampDivider(GET_X_LPARAM(lParam) - grab_, Width(), BarWidth(), MinimumPane());
            Layout();
            // Live resize: the panes follow the mouse, not the next idle moment.
            UpdateWindow(window_);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (dragging_) {
            ReleaseCapture();
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        return 0;
    case WM_SETFOCUS:
        // Focus given to the splitter goes on to the pane that can take it.
        if (left_ && IsWindowEnabled(left_))
            SetFocus(left_);
        return 0;
    }
    return Default(message, wParam, lParam);
}

} // namespace quillon::controls
