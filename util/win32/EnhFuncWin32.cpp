#include "util/win32/EnhFuncWin32.h"

#include "platform/win32/ScopedWin.h"
#include "util/win32/ModalDialog.h"

#include <string_view>
#include <vector>

namespace quillon {

namespace {

constexpr wchar_t kOkCaption[] = L"OK";
constexpr wchar_t kCancelCaption[] = L"Cancel";
constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;
constexpr int kMaxInputLength = 250;

void Place(HWND control, const ScreenRect& r) {
    SetWindowPos(control, nullptr, r.left, r.top, r.Width(), r.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<ScreenRect> WorkAreaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info)) return std::nullopt;
    return ScreenRect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

ScreenRect WindowRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

// The prompt: a label, an edit box, OK and Cancel.
class InputQueryDialog final : public win::ModalDialog {
public:
    const std::wstring* promptText = nullptr;
    const std::wstring* initialText = nullptr;
    bool maskInput = false;
    bool limitLength = false;
    HWND owner = nullptr;
    HFONT dialogFont = nullptr;
    std::wstring result;

    INT_PTR Run(const win::DialogTemplate& dialogTemplate) {
        return RunModal(owner, dialogTemplate);
    }

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        switch (message) {
        case WM_INITDIALOG:
            Init();
            return FALSE; // the focus is set
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                HWND edit = GetDlgItem(dialog_, kEditId);
                std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                text.resize(static_cast<std::size_t>(
                    GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
                result = std::move(text);
                EndDialog(dialog_, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog_, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    }

    void Init();
};

void InputQueryDialog::Init() {
    const HWND dialog = dialog_;
    HWND prompt = GetDlgItem(dialog, kPromptId);
    HWND edit = GetDlgItem(dialog, kEditId);
    HWND ok = GetDlgItem(dialog, IDOK);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    for (HWND control : {prompt, edit, ok, cancel})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), FALSE);

    SIZE charSize{};
    RECT text{};
    TEXTMETRICW metrics{};
    {
        win::ScopedGetDc dc(dialog);
        win::ScopedSelect select(dc.Get(), dialogFont);
        charSize = GetAveCharWidth(dc.Get());
        DrawTextW(dc.Get(), promptText->c_str(), static_cast<int>(promptText->size()), &text,
                  DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
        GetTextMetricsW(dc.Get(), &metrics);
    }

    // The usual height of a single-line edit box: the font plus room for a 3-D border.
    const int editHeight = metrics.tmHeight + 8 * GetSystemMetrics(SM_CYBORDER);
    const InputQueryLayout layout =
        LayoutInputQuery(charSize.cx, charSize.cy, text.right - text.left,
                         text.bottom - text.top, editHeight);
    Place(prompt, layout.prompt);
    Place(edit, layout.edit);
    Place(ok, layout.ok);
    Place(cancel, layout.cancel);

    RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // In the middle of the owner's monitor, or of the primary one without an owner.
    HMONITOR monitor = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY)
                             : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    ScreenPoint at{};
    if (auto work = WorkAreaOf(monitor)) at = CenterFormPosition(std::nullopt, width, height, *work);
    SetWindowPos(dialog, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    SetWindowTextW(edit, initialText->c_str());
    if (maskInput)
        SendMessageW(edit, EM_SETPASSWORDCHAR, L'*', 0);
    if (limitLength)
        SendMessageW(edit, EM_LIMITTEXT, kMaxInputLength, 0);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
}

} // namespace

SIZE GetAveCharWidth(HDC dc) {
    static constexpr wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, letters, 52, &size);
    size.cx /= 52;
    return size;
}

bool InputQueryEx(const std::wstring& caption, const std::wstring& prompt, bool maskInput,
                  std::wstring& value, bool limitLength, bool stayOnTop, HWND owner) {
    if (!owner) owner = GetActiveWindow();
    InputQueryDialog box;
    box.promptText = &prompt;
    box.initialText = &value;
    box.maskInput = maskInput;
    box.limitLength = limitLength;
    box.owner = owner;

    HWND mainWindow = owner ? GetAncestor(owner, GA_ROOTOWNER) : nullptr;
    if (mainWindow)
        box.dialogFont = reinterpret_cast<HFONT>(SendMessageW(mainWindow, WM_GETFONT, 0, 0));
    win::UniqueFont ownFont;
    if (!box.dialogFont) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            ownFont.Reset(CreateFontIndirectW(&metrics.lfMessageFont));
        box.dialogFont =
            ownFont ? ownFont.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }

    using T = win::DialogTemplate;
    T dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, stayOnTop ? WS_EX_TOPMOST : 0,
             caption);
    dialog.AddItem(WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, kPromptId, T::Static, prompt);
    dialog.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL |
                       (maskInput ? ES_PASSWORD : 0),
                   WS_EX_CLIENTEDGE, kEditId, T::Edit, L"");
    dialog.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, T::Button,
                   kOkCaption);
    dialog.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, T::Button,
                   kCancelCaption);
    if (box.Run(dialog) != IDOK)
        return false;
    value = std::move(box.result);
    return true;
}

void CenterForm(HWND owner, HWND form) {
    if (!form || !IsWindow(form)) return;
    const bool ownerShown = owner && IsWindow(owner) && IsWindowVisible(owner);
    HMONITOR formMonitor = MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST);
    HMONITOR reference = ownerShown ? MonitorFromWindow(owner, MONITOR_DEFAULTTONULL) : nullptr;
    if (!reference) {
        if (HWND active = GetActiveWindow())
            reference = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
    }
    if (!reference) reference = formMonitor;
    auto workArea = WorkAreaOf(reference);
    if (!workArea) return;

    const ScreenRect formRect = WindowRectOf(form);
    std::optional<ScreenRect> over;
    if (ownerShown && MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST) == formMonitor)
        over = WindowRectOf(owner);
    const ScreenPoint at =
        CenterFormPosition(over, formRect.Width(), formRect.Height(), *workArea);
    SetWindowPos(form, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace quillon
