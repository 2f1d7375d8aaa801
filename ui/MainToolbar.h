#pragma once
#include "platform/win32/ScopedWin.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace quillon::ui {

// ToolBar1: the seven buttons of the main window with their two icon sets, in the Left layout
// (captions beside the icons, one button a row) or the Top one (captions below, one row).
// Captions carry a mnemonic ("&Open"): Alt and the letter press the button. The toolbar also
// takes the keyboard focus: the arrow keys, Home and End move between the enabled buttons, Enter
// and Space press the one shown hot.
class TMainToolbar {
public:
    TMainToolbar() = default;
    TMainToolbar(const TMainToolbar&) = delete;
    TMainToolbar& operator=(const TMainToolbar&) = delete;
    ~TMainToolbar();

    // Makes the toolbar, or makes it again for a new layout or DPI with the captions and button
    // states of the old one.
    void Create(HWND parent, HINSTANCE instance, int id, int dpi, bool topLayout, HFONT font);
    HWND Handle() const { return toolbar_; }

    // The caption as the user reads it, without the mnemonic marker.
    std::wstring Caption(int id) const;
    // caption may carry one "&" before the mnemonic letter.
    void SetCaption(int id, std::wstring_view caption);
    bool Enabled(int id) const;
    void SetEnabled(int id, bool enabled);
    // Shown pressed in (the Display button while a filter is on).
    bool Checked(int id) const;
    void SetChecked(int id, bool checked);
    // The button's rectangle on the screen.
    RECT ScreenRect(int id) const;
    // The enabled button whose mnemonic letter is c (any case); 0 for none.
    int CommandForMnemonic(wchar_t c) const;

    // A button pressed from the keyboard while the toolbar has the focus.
    std::function<void(int id)> OnKeyboardPress;
    // Esc or Tab while the toolbar has the focus: the owner moves the focus on.
    std::function<void(bool backwards)> OnLeave;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    bool OnKey(WPARAM key);
    // The hot button moved by step (+1, -1) among the enabled ones; fromEdge: to the first (+1)
    // or the last (-1).
    void MoveHot(int step, bool fromEdge);
    void Destroy();

    HWND toolbar_ = nullptr;
    win::UniqueImageList images_, disabledImages_;
};

} // namespace quillon::ui
