// The main window's controls: making them, their fonts and sizes at the window's DPI, and their
// places for the client size and the two layouts.
#include "ui/MainDlg.h"

#include "ui/IconImages.h"
#include "ui/MainDlgIds.h"
#include "ui/resource.h"
#include "util/win32/HandCursor.h"
#include "util/win32/WindowFont.h"

#include <commctrl.h>

namespace quillon::ui {

using namespace ids;

namespace {

RECT ToRect(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

void MoveTo(HWND window, const Rect& r) {
    SetWindowPos(window, nullptr, r.left, r.top, r.Width(), r.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int LineHeight(HWND window, HFONT font) {
    win::ScopedGetDc dc(window);
    win::ScopedSelect select(dc.Get(), font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    return metrics.tmHeight;
}

} // namespace

void TFrmMain::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
    SetWindowPos(window_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFrmMain::CreateControls() {
    list_.Create(window_, IDC_LV, instance_, dpi_);
    strip_.Create(window_, instance_);
    strip_.SetVisible(false);

    sBar_.Create(window_, IDC_SBAR);
    sBar_.OnDrawPanel = [this](HDC dc, int panel, const RECT& rect) {
        sBarDrawPanel(dc, panel, rect);
    };
    sBar2_.Create(window_, IDC_SBAR2);
    ShowWindow(sBar2_.Handle(), SW_HIDE);
    feedback_.Attach(window_);

    donationImage_ = CreateWindowExW(
        0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE, 0, 0, 0,
        0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_IMAGE2)), instance_, nullptr);
    win::ShowHandCursor(donationImage_);

    displayMenu_.Reset(CreatePopupMenu());
    AppendMenuW(displayMenu_.Get(), MF_STRING, IDM_FILTER_ALL, L"All");
    AppendMenuW(displayMenu_.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(displayMenu_.Get(), MF_STRING, IDM_FILTER_ALL - FilterAll + StatusGood, L"Good");
    AppendMenuW(displayMenu_.Get(), MF_STRING, IDM_FILTER_ALL - FilterAll + StatusBad, L"Bad");
    AppendMenuW(displayMenu_.Get(), MF_STRING, IDM_FILTER_ALL - FilterAll + StatusMissing,
                L"Missing");
    AppendMenuW(displayMenu_.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(displayMenu_.Get(), MF_STRING | MF_GRAYED, IDM_UNLISTED, L"&Unlisted Files...");
    AppendMenuW(displayMenu_.Get(), MF_STRING | MF_GRAYED, IDM_UPDATELIST,
                L"Update &List...\tCtrl+U");
    AppendMenuW(displayMenu_.Get(), MF_STRING | MF_GRAYED, IDM_SAVEREPORT,
                L"&Save Report...\tCtrl+S");
    listMenu_.Reset(CreatePopupMenu());
    AppendMenuW(listMenu_.Get(), MF_STRING | MF_GRAYED, IDM_COPYROWS, L"&Copy\tCtrl+C");
    AppendMenuW(listMenu_.Get(), MF_STRING | MF_GRAYED, IDM_SAVEREPORT,
                L"&Save Report...\tCtrl+S");
    AppendMenuW(listMenu_.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(listMenu_.Get(), MF_STRING | MF_GRAYED, IDM_UPDATELIST,
                L"Update &List...\tCtrl+U");
    AppendMenuW(listMenu_.Get(), MF_STRING | MF_GRAYED, IDM_UNLISTED, L"&Unlisted Files...");
    SetDisplayFilterMark(FilterAll);

    toolbar_.OnKeyboardPress = [this](int id) { OnCommand(id, false); };
    toolbar_.OnLeave = [this](bool backwards) { CycleFocus(toolbar_.Handle(), backwards); };

    dropTarget_.OnDrop = [this](TDragFilesTrg&) { DragFilesTrg1Drop(); };
    dropTarget_.SetTarget(window_);
    dropTarget_.SetEnabled(true);

    ApplyDpi(dpi_);
}

void TFrmMain::ApplyDpi(int dpi) {
    dpi_ = dpi;
    font_ = MakeWindowFont(dpi);
    ApplyFonts();
    list_.SetDpi(dpi);
    if (PTSplitter1_.Handle()) {
        PTSplitter1_.SetDpi(dpi);
        PTShellList1_.SetDpi(dpi);
    }
    const int icon = SmallIconSize(dpi);
    statusImages_ = MakeIconImageList(
        instance_, {IDI_ST_UNCHECKED, IDI_ST_MISSING, IDI_ST_BAD, IDI_ST_GOOD}, icon, icon, icon);
    const TStatusPanel count{Scale(MainMetrics::CountPanelWidth, dpi), true};
    const TStatusPanel plain{Scale(MainMetrics::PlainPanelWidth, dpi), false};
    const std::vector<TStatusPanel> panels = {count, count, count, count, plain};
    sBar_.SetPanels(panels);
    sBar2_.SetPanels(std::vector<TStatusPanel>{plain});
    const int bitmap = dpi >= 192 ? IDB_DONATE_192 : dpi >= 144 ? IDB_DONATE_144 : IDB_DONATE;
    donateBitmap_.Reset(static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(bitmap), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    SendMessageW(donationImage_, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(donateBitmap_.Get()));
    toolbar_.Create(window_, instance_, IDC_TOOLBAR, dpi_, topLayout_, font_.Get());
    ApplyCommandStates();
    LayoutControls();
}

void TFrmMain::ApplyFonts() {
    const HFONT font = font_.Get();
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (HWND w : {list_.Handle(), sBar_.Handle(), sBar2_.Handle()})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    strip_.SetFont(font);
    if (PTSplitter1_.Handle()) {
        PTShellTree1_.SetFont(font);
        PTShellList1_.SetFont(font);
    }
}

void TFrmMain::SetToolbarLayout(int position) {
    if (position != 0 && position != 1)
        return;
    topLayout_ = position == 1;
    toolbar_.Create(window_, instance_, IDC_TOOLBAR, dpi_, topLayout_, font_.Get());
    LayoutControls();
}

void TFrmMain::LayoutControls() {
    if (!window_ || !toolbar_.Handle())
        return;
    RECT client{};
    GetClientRect(window_, &client);
    MainLayoutInput in;
    in.clientWidth = client.right;
    in.clientHeight = client.bottom;
    in.dpi = dpi_;
    in.topLayout = topLayout_;
    in.progressShown = strip_.Visible();
    in.labelHeight = LineHeight(window_, font_.Get());
    layout_ = LayOutMain(in);
    MoveTo(toolbar_.Handle(), layout_.toolbar);
    MoveTo(donationImage_, layout_.donationImage);
    MoveTo(list_.Handle(), layout_.lv);
    if (PTSplitter1_.Handle())
        MoveTo(PTSplitter1_.Handle(), layout_.lv);
    strip_.Place(ToRect(layout_.fileCaption), ToRect(layout_.fileBar), ToRect(layout_.fileRate),
                 ToRect(layout_.totalCaption), ToRect(layout_.totalBar), ToRect(layout_.timeText));
    MoveTo(sBar_.Handle(), layout_.statusBar);
    MoveTo(sBar2_.Handle(), layout_.statusBar);
    sBar_.Resize();
    sBar2_.Resize();
    list_.Relayout();
    InvalidateRect(window_, nullptr, TRUE);
}

} // namespace quillon::ui
