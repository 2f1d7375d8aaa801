#pragma once
// The main window's status bar: a common-controls status bar that paints itself off-screen, so
// the repaint after every checked file does not flicker. Windows only.
#include "platform/win32/ScopedWin.h"
// After windows.h.
#include <uxtheme.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct TStatusPanel {
    int width = 0; // pixels, already scaled for DPI
    // true: painted by the bar's OnDrawPanel; false: shows its text.
    bool ownerDrawn = false;
};

// Threads: every member is for the GUI thread. The one call allowed from another thread is
// InvalidateRect(Handle(), ...), which only marks the bar; the paint then runs on the GUI thread.
//
// The control is a child of its parent and is destroyed with it; this object only subclasses it.
// It must outlive the control or be destroyed first (its destructor gives the control back).
class TqlStatusBar {
public:
    // rect is the panel in the bar's client coordinates; the DC has the bar's font and text colour
    // selected and is clipped to rect.
    using DrawPanelFn = std::function<void(HDC dc, int panel, const RECT& rect)>;

    TqlStatusBar() = default;
    ~TqlStatusBar();
    TqlStatusBar(const TqlStatusBar&) = delete;
    TqlStatusBar& operator=(const TqlStatusBar&) = delete;

    // Creates the bar, visible, as child id of parent, which gives it its rectangle (MoveWindow
    // or SetWindowPos, then Resize). false when the window could not be created.
    bool Create(HWND parent, int id);
    HWND Handle() const { return bar_; }

    // The panels from left to right; the last one reaches the bar's right edge. A panel that was
    // plain keeps its text (a new DPI sets the same panels again); a new plain panel is empty.
    void SetPanels(std::span<const TStatusPanel> panels);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    // The text of a plain panel (held by the control too, so SB_GETTEXT reads it).
    void SetText(int panel, std::wstring_view text);
    // On the bar's thread only, as every member.
    std::wstring Text(int panel) const;
    // The panel's rectangle in client coordinates; empty for an index out of range.
    RECT PanelRect(int panel) const;

    // Lays every panel out for the bar's current size and repaints it all. Call after changing
    // the bar's size: a bar that does not size itself keeps its old panel edges until told.
    void Resize();

    DrawPanelFn OnDrawPanel;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Detach();
    void SendParts();
    void OpenTheme();
    // WM_PAINT and WM_PRINTCLIENT: everything into a bitmap, then one blit.
    void PaintTo(HDC dc);
    // The bar's and the panels' backgrounds, which change only with the layout, the theme or the
    // system colours; then what each panel shows.
    void PaintBackground(HDC dc, const RECT& client);
    bool CopyBackground(HDC target, HDC dc, const RECT& client);
    void PaintPanels(HDC dc);

    HWND bar_ = nullptr;
    std::vector<TStatusPanel> panels_;
    // What the control holds, kept here too so that a paint asks it nothing.
    std::vector<std::wstring> texts_;
    std::vector<RECT> rects_;
    HFONT font_ = nullptr;
    struct ThemeTraits {
        using Type = HTHEME;
        static Type Invalid() { return nullptr; }
        static void Close(Type h);
    };
    win::UniqueHandle<ThemeTraits> theme_;
    // PaintBackground's last picture, drawn again when forgotten or of another size.
    win::UniqueBitmap background_;
    SIZE backgroundSize_{};
};

// One count panel of the main window's bar: image index of images (16x16 at 96 DPI) and the text
// "<count> <caption>", for instance "12 Unchecked", clipped to rect. Offsets are 96-DPI pixels
// scaled to dpi. Draws with the DC's font and text colour.
void DrawCountPanel(HDC dc, const RECT& rect, HIMAGELIST images, int index, std::int64_t count,
                    std::wstring_view caption, unsigned dpi);

} // namespace quillon
