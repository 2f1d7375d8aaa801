#include "verify/win32/QLstatus.h"

#include "util/Dpi.h"

#include <string>
#include <utility>

namespace quillon {
namespace {

constexpr UINT_PTR kSubclassId = 1;
// The status class's pane part; MinGW's vssym32.h lacks the STATUSPARTS enum.
constexpr int kStatusPane = 1;
constexpr int kStatusBackground = 0;

} // namespace

void TqlStatusBar::ThemeTraits::Close(HTHEME h) {
    CloseThemeData(h);
}

TqlStatusBar::~TqlStatusBar() {
    if (bar_)
        Detach();
}

bool TqlStatusBar::Create(HWND parent, int id) {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    // No size grip: it would be ours to paint, and the window's border resizes it anyway.
    HWND bar = CreateWindowExW(
        0, STATUSCLASSNAMEW, L"",
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | CCS_NOPARENTALIGN | CCS_NORESIZE | SBARS_TOOLTIPS,
        0, 0, 0, 0,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!bar ||
        !SetWindowSubclass(bar, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    if (bar_)
        Detach();
    bar_ = bar;
    OpenTheme();
    SendParts();
    return true;
}

void TqlStatusBar::Detach() {
    RemoveWindowSubclass(bar_, SubclassProc, kSubclassId);
    theme_.Reset();
    bar_ = nullptr;
}

void TqlStatusBar::OpenTheme() {
    // Not OpenThemeData(bar_, ...): that makes ours the window's theme, and the v6 control closes
    // GetWindowTheme() itself on WM_THEMECHANGED and WM_DESTROY ("CloseThemeData (GetWindowTheme
    // (infoPtr->Self))" in Wine's status.c): ours would be closed twice.
    theme_.Reset(OpenThemeData(nullptr, L"Status"));
    background_.Reset();
}

void TqlStatusBar::SetPanels(std::span<const TStatusPanel> panels) {
    const std::vector<TStatusPanel> old = std::exchange(panels_, {panels.begin(), panels.end()});
    texts_.resize(panels_.size());
    SendParts();
    for (int i = 0; i < PanelCount(); ++i) {
        // Owner-drawn parts have no text for the control to draw; SB_GETTEXT returns their data
        // (0), as for any owner-drawn status part. Parts that stay plain keep their text.
        if (panels_[i].ownerDrawn) {
            texts_[i].clear();
            SendMessageW(bar_, SB_SETTEXTW, static_cast<WPARAM>(i) | SBT_OWNERDRAW, 0);
        } else if (i >= static_cast<int>(old.size()) || old[i].ownerDrawn) {
            texts_[i].clear();
            SendMessageW(bar_, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(L""));
        }
    }
    InvalidateRect(bar_, nullptr, FALSE);
}

void TqlStatusBar::SendParts() {
    if (!bar_)
        return;
    // SB_SETPARTS takes right edges; -1 runs the last part to the bar's right edge.
    std::vector<int> edges;
    int x = 0;
    for (const TStatusPanel& panel : panels_)
        edges.push_back(x += panel.width);
    if (edges.empty())
        edges.push_back(-1);
    edges.back() = -1;
    // The control lays its parts out again only when an edge changes ("Unchanged? no need to
    // redraw!" in Wine's status.c), so a bar that was resized would keep its old layout: set the
    // first edge one less, then the true edges.
    std::vector<int> nudged = edges;
    --nudged.front();
    for (const auto* set : {&nudged, &edges})
        SendMessageW(bar_, SB_SETPARTS, set->size(), reinterpret_cast<LPARAM>(set->data()));
    // Kept for the paints, which then ask the control nothing: each message to a subclassed
    // control costs a look-up of its subclass (under Wine a round trip to the server), and the
    // bar is painted after every batch of checked files.
    rects_.assign(panels_.size(), RECT{});
    for (int i = 0; i < PanelCount(); ++i)
        SendMessageW(bar_, SB_GETRECT, i, reinterpret_cast<LPARAM>(&rects_[i]));
    background_.Reset();
}

void TqlStatusBar::SetText(int panel, std::wstring_view text) {
    if (panel < 0 || panel >= PanelCount() || panels_[panel].ownerDrawn)
        return;
    if (texts_[panel] == text)
        return;
    texts_[panel].assign(text);
    const wchar_t* copy = texts_[panel].c_str();
    SendMessageW(bar_, SB_SETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(copy));
    // A text cut at the panel's edge shows whole when the mouse rests on it.
    SendMessageW(bar_, SB_SETTIPTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(copy));
}

std::wstring TqlStatusBar::Text(int panel) const {
    if (panel < 0 || panel >= PanelCount() || panels_[panel].ownerDrawn)
        return {};
    return texts_[panel];
}

RECT TqlStatusBar::PanelRect(int panel) const {
    if (panel < 0 || panel >= static_cast<int>(rects_.size()))
        return RECT{};
    return rects_[panel];
}

void TqlStatusBar::Resize() {
    // A CCS_NORESIZE bar lays its parts out only when they are set.
    SendParts();
    InvalidateRect(bar_, nullptr, FALSE);
}

void TqlStatusBar::PaintTo(HDC target) {
    RECT client{};
    GetClientRect(bar_, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    win::UniqueMemoryDc memory(CreateCompatibleDC(target));
    win::UniqueBitmap bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!memory || !bitmap) {
        // Out of GDI memory: a flicker is better than no bar.
        PaintBackground(target, client);
        PaintPanels(target);
        return;
    }
    win::ScopedSelect select(memory.Get(), bitmap.Get());
    if (!CopyBackground(target, memory.Get(), client))
        PaintBackground(memory.Get(), client);
    PaintPanels(memory.Get());
    BitBlt(target, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
}

void TqlStatusBar::PaintBackground(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (theme_)
        DrawThemeBackground(theme_.Get(), dc, kStatusBackground, 0, &client, nullptr);
    for (int i = 0; i < PanelCount(); ++i) {
        RECT rect = PanelRect(i);
        if (IsRectEmpty(&rect))
            continue;
        if (theme_) {
            DrawThemeBackground(theme_.Get(), dc, kStatusPane, 0, &rect, nullptr);
        } else {
            FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
            DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
        }
    }
}

bool TqlStatusBar::CopyBackground(HDC target, HDC dc, const RECT& client) {
    // Drawn once and copied after: the bar is painted after every batch of checked files, and
    // each themed part drawn costs a good share of a millisecond under Wine.
    win::UniqueMemoryDc source(CreateCompatibleDC(target));
    if (!source)
        return false;
    if (!background_ || backgroundSize_.cx != client.right ||
        backgroundSize_.cy != client.bottom) {
        background_.Reset(CreateCompatibleBitmap(target, client.right, client.bottom));
        backgroundSize_ = {client.right, client.bottom};
        if (!background_)
            return false;
        win::ScopedSelect select(source.Get(), background_.Get());
        PaintBackground(source.Get(), client);
    }
    win::ScopedSelect select(source.Get(), background_.Get());
    return BitBlt(dc, 0, 0, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY) != FALSE;
}

void TqlStatusBar::PaintPanels(HDC dc) {
    HFONT font = font_;
    if (!font)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    win::ScopedSelect selectFont(dc, font);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // Half a character: the bar knows no DPI, but its font is sized for it.
    const int padding = (metrics.tmAveCharWidth + 1) / 2;

    for (int i = 0; i < PanelCount(); ++i) {
        RECT rect = PanelRect(i);
        if (IsRectEmpty(&rect))
            continue;
        win::ScopedSaveDc saved(dc);
        IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
        if (panels_[i].ownerDrawn) {
            if (OnDrawPanel)
                OnDrawPanel(dc, i, rect);
        } else {
            const std::wstring& text = texts_[i];
            RECT inner{rect.left + padding, rect.top, rect.right - padding, rect.bottom};
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
    }
}

LRESULT CALLBACK TqlStatusBar::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR self) {
    try {
        return reinterpret_cast<TqlStatusBar*>(self)->OnMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into user32. A failed WM_PAINT has still ended its paint (the
        // update region is validated), so it is not sent again and again.
        return 0;
    }
}

LRESULT TqlStatusBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND bar = bar_;
    switch (message) {
    case WM_ERASEBKGND:
        // The paint covers every pixel; erasing first is what would flicker.
        return 1;
    case WM_PAINT:
        if (wParam) {
            PaintTo(reinterpret_cast<HDC>(wParam));
        } else {
            win::ScopedPaint paint(bar);
            PaintTo(paint.Get());
        }
        return 0;
    case WM_PRINTCLIENT:
        PaintTo(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        return DefSubclassProc(bar, message, wParam, lParam);
    case WM_SIZE: {
        const LRESULT result = DefSubclassProc(bar, message, wParam, lParam);
        Resize();
        return result;
    }
    case WM_SYSCOLORCHANGE:
        background_.Reset();
        return DefSubclassProc(bar, message, wParam, lParam);
    case WM_THEMECHANGED: {
        const LRESULT result = DefSubclassProc(bar, message, wParam, lParam);
        OpenTheme();
        InvalidateRect(bar, nullptr, FALSE);
        return result;
    }
    case WM_NCDESTROY:
        Detach();
        return DefSubclassProc(bar, message, wParam, lParam);
    default:
        return DefSubclassProc(bar, message, wParam, lParam);
    }
}

void DrawCountPanel(HDC dc, const RECT& rect, HIMAGELIST images, int index, std::int64_t count,
                    std::wstring_view caption, unsigned dpi) {
    const std::wstring text = std::to_wstring(count) + L' ' + std::wstring(caption);
    const int textOffset = Scale(21, dpi);
    RECT clip = rect;
    clip.left += textOffset;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    ExtTextOutW(dc, rect.left + textOffset, rect.top + Scale(3, dpi), ETO_CLIPPED, &clip,
                text.c_str(), static_cast<UINT>(text.size()), nullptr);
    SetBkMode(dc, oldMode);
    ImageList_Draw(images, index, dc, rect.left + Scale(1, dpi), rect.top + Scale(1, dpi),
                   ILD_NORMAL);
}

} // namespace quillon
