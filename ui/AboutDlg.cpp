#include "ui/AboutDlg.h"

#include "ui/MainLayout.h"
#include "ui/resource.h"
#include "util/win32/EnhFuncWin32.h"
#include "util/win32/HandCursor.h"
#include "util/win32/WindowFont.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon::ui {

namespace {

using namespace about_ids;

// wParam, lParam: 0. Posted to itself from WM_INITDIALOG; arrives once the modal loop runs, with
// the box on screen.
constexpr UINT WM_ABOUTSHOWN = WM_APP + 1;

constexpr wchar_t kAuthorCredit[] = L"Quillon by the Quillon developers";
constexpr wchar_t kIconCredit[] = L"Icons drawn by scripts/make-icons.py";
constexpr wchar_t kHomeAddress[] = L"https://quillon.example.org/";
constexpr wchar_t kHelpAddress[] = L"https://quillon.example.org/help/";
constexpr COLORREF kTitleColour = RGB(0, 128, 255);

// Sizes at 96 DPI.
constexpr int kClientWidth = 338;
constexpr int kClientHeight = 141;
constexpr int kTitleFontHeight = 24;

SIZE TextSize(HWND window, HFONT font, std::wstring_view text) {
    win::ScopedGetDc dc(window);
    win::ScopedSelect select(dc.Get(), font);
    RECT r{};
    DrawTextW(dc.Get(), text.data(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return {r.right - r.left, r.bottom - r.top};
}

} // namespace

TFrmAbout::TFrmAbout(HINSTANCE instance, std::wstring title, int dpi)
    : instance_(instance), title_(std::move(title)), dpi_(dpi) {}

INT_PTR TFrmAbout::ShowModal(HWND owner) {
    static const bool links = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)links;
    modalResult_ = 0;
    // The controls are made in WM_INITDIALOG, in pixels.
    const win::DialogTemplate dialog(
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, L"About");
    return RunModal(owner, dialog);
}

INT_PTR TFrmAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        CreateControls();
        CenterForm(GetWindow(dialog_, GW_OWNER), dialog_);
        SetFocus(GetDlgItem(dialog_, Button1));
        PostMessageW(dialog_, WM_ABOUTSHOWN, 0, 0);
        return FALSE; // the focus is set
    case WM_ABOUTSHOWN:
        if (onShown)
            onShown(dialog_);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        // The coloured title is drawn over the plain one, which shows through as its shadow.
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog_, Label2)) {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kTitleColour);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL: // Esc and the close box press Close, the cancel button
            Close(IDOK);
            return TRUE;
        case Image2:
            if (HIWORD(wParam) == STN_CLICKED)
                Image2Click();
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.code != NM_CLICK && header.code != NM_RETURN)
            return FALSE;
        if (header.idFrom == Label6)
            Label6Click();
        else if (header.idFrom == Label5)
            Label5Click();
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void TFrmAbout::CreateControls() {
    font_ = MakeWindowFont(dpi_);
    LOGFONTW title{};
    GetObjectW(font_.Get(), sizeof title, &title);
    title.lfHeight = -Scale(kTitleFontHeight, dpi_);
    titleFont_.Reset(CreateFontIndirectW(&title));

    auto s = [this](int length96) { return Scale(length96, dpi_); };
    auto make = [this](const wchar_t* cls, std::wstring_view text, DWORD style, DWORD exStyle,
                       int id, HFONT font) {
        HWND control = CreateWindowExW(
            exStyle, cls, std::wstring(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
            dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    auto place = [](HWND control, int left, int top, int width, int height) {
        SetWindowPos(control, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // A label as wide as its text; its right edge.
    auto placeText = [&](HWND control, int left, int top, HFONT font, std::wstring_view text,
                         int extra) {
        const SIZE size = TextSize(dialog_, font, text);
        place(control, left, top, size.cx + extra, size.cy);
        return left + size.cx + extra;
    };

    // Children are stacked in the order they are made, the first on top: Label2 goes over Label1,
    // and the tab order runs through the links to Close.
    constexpr DWORD label = SS_LEFT | SS_NOPREFIX;
    HWND label2 = make(WC_STATICW, title_, label, WS_EX_TRANSPARENT, Label2, titleFont_.Get());
    HWND label1 = make(WC_STATICW, title_, label, 0, Label1, titleFont_.Get());
    placeText(label2, s(56), s(11), titleFont_.Get(), title_, 0);
    placeText(label1, s(57), s(11), titleFont_.Get(), title_, 0);

    HWND label3 = make(WC_STATICW, kAuthorCredit, label, 0, Label3, font_.Get());
    HWND label4 = make(WC_STATICW, kIconCredit, label, 0, Label4, font_.Get());
    const int creditsRight =
        std::max(placeText(label3, s(18), s(50), font_.Get(), kAuthorCredit, 0),
                 placeText(label4, s(18), s(70), font_.Get(), kIconCredit, 0));

    // The links stand beside the credits, which are wider than the column at 164 leaves them;
    // the box widens rather than let a link cover a credit.
    const std::wstring homeMarkup = L"<a>" + std::wstring(kHomeAddress) + L"</a>";
    const std::wstring helpMarkup = L"<a>" + std::wstring(kHelpAddress) + L"</a>";
    HWND label6 = make(WC_LINK, homeMarkup, WS_TABSTOP, 0, Label6, font_.Get());
    HWND label5 = make(WC_LINK, helpMarkup, WS_TABSTOP, 0, Label5, font_.Get());
    const int linksLeft = std::max(s(164), creditsRight + s(8));
    // One pixel more than the text, for the right edge of the focus rectangle.
    const int linksRight =
        std::max(placeText(label6, linksLeft, s(50), font_.Get(), kHomeAddress, 1),
                 placeText(label5, linksLeft, s(70), font_.Get(), kHelpAddress, 1));
    const int clientWidth = std::max(s(kClientWidth), linksRight + s(11));
    const int wider = clientWidth - s(kClientWidth);

    HWND button =
        make(WC_BUTTONW, L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, Button1, font_.Get());
    place(button, s(252) + wider, s(107), s(75), s(25));

    const int iconSize = s(32);
    icon_.Reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                              iconSize, iconSize, LR_DEFAULTCOLOR)));
    HWND image1 = make(WC_STATICW, L"", SS_ICON | SS_REALSIZECONTROL, 0, Image1, font_.Get());
    place(image1, s(16), s(8), iconSize, iconSize);
    SendMessageW(image1, STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()), 0);

    HWND bevel = make(WC_STATICW, L"", SS_ETCHEDHORZ, 0, Bevel1, font_.Get());
    place(bevel, s(14), s(93), s(313) + wider, s(4));

    const int bitmap = dpi_ >= 192 ? IDB_DONATE_192 : dpi_ >= 144 ? IDB_DONATE_144 : IDB_DONATE;
    donateBitmap_.Reset(static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(bitmap), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    HWND image2 =
        make(WC_STATICW, L"", SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE, 0, Image2, font_.Get());
    SendMessageW(image2, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(donateBitmap_.Get()));
    place(image2, s(14), s(101), s(62), s(31));
    win::ShowHandCursor(image2);

    RECT frame{0, 0, clientWidth, s(kClientHeight)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog_, GWL_EXSTYLE)));
    SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFrmAbout::Close(INT_PTR result) {
    modalResult_ = result;
    EndDialog(dialog_, result);
}

void TFrmAbout::Label5Click() {
    open(L"open", kHelpAddress);
}

void TFrmAbout::Label6Click() {
    open(L"open", kHomeAddress);
}

void TFrmAbout::Image2Click() {
    OpenDonationPage(open);
}

} // namespace quillon::ui
