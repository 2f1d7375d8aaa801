#include "ui/UnlistedDialog.h"

#include "ui/MainLayout.h"
#include "util/Dpi.h"
#include "util/win32/EnhFuncWin32.h"
#include "util/win32/WindowFont.h"

#include <commctrl.h>

#include <string>

namespace quillon::ui {

namespace {

// wParam, lParam: 0. Posted from WM_INITDIALOG; arrives with the box on screen.
constexpr UINT WM_UNLISTEDSHOWN = WM_APP + 1;
constexpr int kLabelId = 300;

// Sizes at 96 DPI.
constexpr int kClientWidth = 560;
constexpr int kClientHeight = 320;
constexpr int kMargin = 10;
constexpr int kLabelHeight = 18;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

} // namespace

INT_PTR TFrmUnlisted::ShowModal(HWND owner) {
    const win::DialogTemplate dialog(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                         WS_THICKFRAME | DS_MODALFRAME,
                                     0, L"Unlisted Files");
    return RunModal(owner, dialog);
}

INT_PTR TFrmUnlisted::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        CreateControls();
        CenterForm(GetWindow(dialog_, GW_OWNER), dialog_);
        SetFocus(GetDlgItem(dialog_, PathsId));
        PostMessageW(dialog_, WM_UNLISTEDSHOWN, 0, 0);
        return FALSE; // the focus is set
    case WM_UNLISTEDSHOWN:
        if (onShown)
            onShown(dialog_);
        return TRUE;
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        info.ptMinTrackSize = {Scale(280, dpi_), Scale(160, dpi_)};
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog_, IDOK);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void TFrmUnlisted::CreateControls() {
    font_ = MakeWindowFont(dpi_);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto make = [&](const wchar_t* cls, const std::wstring& text, DWORD style, DWORD exStyle,
                    int id) {
        HWND control = CreateWindowExW(
            exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        return control;
    };
    const std::wstring count = std::to_wstring(paths_.size());
    make(WC_STATICW,
         count + (paths_.size() == 1 ? L" file" : L" files") +
             L" in the lists' folders that no loaded list names:",
         SS_LEFT | SS_NOPREFIX, 0, kLabelId);
    std::wstring text;
    for (const ViewText& path : paths_) {
        text += std::filesystem::path(path).wstring();
        text += L"\r\n";
    }
    HWND paths = make(WC_EDITW, L"",
                      WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                          ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                      WS_EX_CLIENTEDGE, PathsId);
    // Past the edit box's default limit of 32,767 characters a long list would be cut.
    SendMessageW(paths, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(paths, text.c_str());
    make(WC_BUTTONW, L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK);

    RECT frame{0, 0, Scale(kClientWidth, dpi_), Scale(kClientHeight, dpi_)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog_, GWL_EXSTYLE)));
    SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

void TFrmUnlisted::Layout() {
    RECT client{};
    GetClientRect(dialog_, &client);
    const int margin = Scale(kMargin, dpi_);
    const int label = Scale(kLabelHeight, dpi_);
    const int buttonWidth = Scale(kButtonWidth, dpi_);
    const int buttonHeight = Scale(kButtonHeight, dpi_);
    const int width = client.right - 2 * margin;
    auto place = [this](int id, int x, int y, int w, int h) {
        SetWindowPos(GetDlgItem(dialog_, id), nullptr, x, y, w > 0 ? w : 0, h > 0 ? h : 0,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(kLabelId, margin, margin, width, label);
    const int buttonTop = client.bottom - margin - buttonHeight;
    place(PathsId, margin, margin + label, width, buttonTop - margin - (margin + label));
    place(IDOK, client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight);
}

} // namespace quillon::ui
