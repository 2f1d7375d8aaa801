#include "ui/MainToolbar.h"

#include "ui/IconImages.h"
#include "ui/MainDlgIds.h"
#include "ui/MainLayout.h"
#include "ui/resource.h"

#include <commctrl.h>

#include <cwctype>
#include <vector>

namespace quillon::ui {

using namespace ids;

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr int kButtonIds[] = {IDC_NEW,     IDC_OPEN,    IDC_CHECK, IDC_ABORT,
                              IDC_DISPLAY, IDC_OPTIONS, IDC_ABOUT};

std::wstring RawCaption(HWND toolbar, int id) {
    const LRESULT n = SendMessageW(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(id), 0);
    if (n <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(id),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(n));
    return text;
}

// "&&" is a literal "&"; a single "&" marks the letter after it.
std::wstring WithoutMarker(std::wstring_view caption) {
    std::wstring text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

wchar_t Mnemonic(std::wstring_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&')
            continue;
        if (caption[i + 1] != L'&')
            return caption[i + 1];
        ++i;
    }
    return 0;
}

} // namespace

TMainToolbar::~TMainToolbar() {
    Destroy();
}

void TMainToolbar::Destroy() {
    if (!toolbar_)
        return;
    RemoveWindowSubclass(toolbar_, SubclassProc, kSubclassId);
    DestroyWindow(toolbar_);
    toolbar_ = nullptr;
}

void TMainToolbar::Create(HWND parent, HINSTANCE instance, int id, int dpi, bool topLayout,
                          HFONT font) {
    // A new toolbar (layout, DPI) shows the mode and the button states of the old one.
    std::wstring captions[std::size(kButtonIds)] = {L"&New",     L"&Open",     L"&Check", L"&Abort",
                                                    L"&Display", L"O&ptions ", L"A&bout"};
    bool enabled[std::size(kButtonIds)] = {true, true, true, true, true, true, true};
    bool checked[std::size(kButtonIds)] = {};
    const bool hadFocus = toolbar_ && GetFocus() == toolbar_;
    if (toolbar_) {
        for (std::size_t i = 0; i < std::size(kButtonIds); ++i) {
            captions[i] = RawCaption(toolbar_, kButtonIds[i]);
            enabled[i] = Enabled(kButtonIds[i]);
            checked[i] = Checked(kButtonIds[i]);
        }
        Destroy();
    }
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_WRAPABLE |
                  CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    if (!topLayout)
        style |= TBSTYLE_LIST;
    toolbar_ =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // Toolbars never destroy their image lists: these stay ours.
    const int icon = SmallIconSize(dpi);
    images_ = MakeIconImageList(instance,
                                {IDI_TB_NEW, IDI_TB_OPEN, IDI_TB_CHECK, IDI_TB_ABORT,
                                 IDI_TB_DISPLAY, IDI_TB_OPTIONS, IDI_TB_ABOUT},
                                icon, icon, icon);
    constexpr int off = IDI_TB_DISABLED_OFFSET;
    disabledImages_ = MakeIconImageList(instance,
                                        {IDI_TB_NEW + off, IDI_TB_OPEN + off, IDI_TB_CHECK + off,
                                         IDI_TB_ABORT + off, IDI_TB_DISPLAY + off,
                                         IDI_TB_OPTIONS + off, IDI_TB_ABOUT + off},
                                        icon, icon, icon);
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Get()));
    SendMessageW(toolbar_, TB_SETDISABLEDIMAGELIST, 0,
                 reinterpret_cast<LPARAM>(disabledImages_.Get()));

    const BYTE wrap = topLayout ? 0 : TBSTATE_WRAP;
    std::vector<TBBUTTON> buttons;
    auto button = [&](std::size_t i, BYTE extraStyle = 0) {
        TBBUTTON b{};
        b.iBitmap = static_cast<int>(i);
        b.idCommand = kButtonIds[i];
        b.fsState = static_cast<BYTE>((enabled[i] ? TBSTATE_ENABLED : 0) |
                                      (checked[i] ? TBSTATE_CHECKED : 0) | wrap);
        b.fsStyle = static_cast<BYTE>(BTNS_BUTTON | BTNS_SHOWTEXT | extraStyle);
        b.iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
        buttons.push_back(b);
    };
    auto separator = [&] {
        TBBUTTON b{};
        b.fsState = wrap;
        b.fsStyle = BTNS_SEP;
        buttons.push_back(b);
    };
    button(0);
    button(1);
    separator();
    button(2);
    button(3);
    separator();
    button(4, BTNS_WHOLEDROPDOWN);
    button(5);
    separator();
    button(6);
    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
    if (!topLayout) {
        const int width = Scale(MainMetrics::ToolButtonWidth, dpi);
        // The captions beside the icons need the room the default padding takes.
        SendMessageW(toolbar_, TB_SETPADDING, 0, MAKELPARAM(Scale(4, dpi), Scale(6, dpi)));
        SendMessageW(toolbar_, TB_SETLISTGAP, static_cast<WPARAM>(Scale(3, dpi)), 0);
        SendMessageW(toolbar_, TB_SETBUTTONWIDTH, 0, MAKELPARAM(width, width));
    }
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    SetWindowSubclass(toolbar_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (hadFocus)
        SetFocus(toolbar_);
}

std::wstring TMainToolbar::Caption(int id) const {
    return toolbar_ ? WithoutMarker(RawCaption(toolbar_, id)) : std::wstring();
}

void TMainToolbar::SetCaption(int id, std::wstring_view caption) {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT;
    std::wstring text(caption); // a copy the control may read until it returns
    info.pszText = text.data();
    SendMessageW(toolbar_, TB_SETBUTTONINFOW, static_cast<WPARAM>(id),
                 reinterpret_cast<LPARAM>(&info));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

bool TMainToolbar::Enabled(int id) const {
    return toolbar_ && SendMessageW(toolbar_, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0);
}

void TMainToolbar::SetEnabled(int id, bool enabled) {
    if (toolbar_ && Enabled(id) != enabled)
        SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), MAKELONG(enabled, 0));
}

bool TMainToolbar::Checked(int id) const {
    return toolbar_ && SendMessageW(toolbar_, TB_ISBUTTONCHECKED, static_cast<WPARAM>(id), 0);
}

void TMainToolbar::SetChecked(int id, bool checked) {
    if (toolbar_ && Checked(id) != checked)
        SendMessageW(toolbar_, TB_CHECKBUTTON, static_cast<WPARAM>(id), MAKELONG(checked, 0));
}

RECT TMainToolbar::ScreenRect(int id) const {
    RECT r{};
    SendMessageW(toolbar_, TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(toolbar_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int TMainToolbar::CommandForMnemonic(wchar_t c) const {
    if (!toolbar_ || c == 0)
        return 0;
    for (int id : kButtonIds) {
        const wchar_t m = Mnemonic(RawCaption(toolbar_, id));
        if (m && std::towlower(m) == std::towlower(c) && Enabled(id))
            return id;
    }
    return 0;
}

void TMainToolbar::MoveHot(int step, bool fromEdge) {
    const int count = static_cast<int>(SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0));
    int index = static_cast<int>(SendMessageW(toolbar_, TB_GETHOTITEM, 0, 0));
    if (fromEdge || index < 0)
        index = step > 0 ? -1 : count;
    for (int k = 0; k < count; ++k) {
        index = (index + step + count) % count;
        TBBUTTON b{};
        SendMessageW(toolbar_, TB_GETBUTTON, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&b));
        if (!(b.fsStyle & BTNS_SEP) && (b.fsState & TBSTATE_ENABLED)) {
            SendMessageW(toolbar_, TB_SETHOTITEM, static_cast<WPARAM>(index), 0);
            return;
        }
    }
}

bool TMainToolbar::OnKey(WPARAM key) {
    switch (key) {
    case VK_LEFT:
    case VK_UP:
        MoveHot(-1, false);
        return true;
    case VK_RIGHT:
    case VK_DOWN:
        MoveHot(+1, false);
        return true;
    case VK_HOME:
        MoveHot(+1, true);
        return true;
    case VK_END:
        MoveHot(-1, true);
        return true;
    case VK_RETURN:
    case VK_SPACE: {
        const int hot = static_cast<int>(SendMessageW(toolbar_, TB_GETHOTITEM, 0, 0));
        TBBUTTON b{};
        if (hot >= 0 &&
            SendMessageW(toolbar_, TB_GETBUTTON, static_cast<WPARAM>(hot),
                         reinterpret_cast<LPARAM>(&b)) &&
            (b.fsState & TBSTATE_ENABLED) && OnKeyboardPress)
            OnKeyboardPress(b.idCommand);
        return true;
    }
    case VK_ESCAPE:
    case VK_TAB:
        if (OnLeave)
            OnLeave(key == VK_TAB && GetKeyState(VK_SHIFT) < 0);
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK TMainToolbar::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<TMainToolbar*>(data);
    try {
        switch (message) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (self->OnKey(wParam))
                return 0;
            break;
        case WM_SETFOCUS:
            if (SendMessageW(window, TB_GETHOTITEM, 0, 0) < 0)
                self->MoveHot(+1, true);
            break;
        case WM_KILLFOCUS:
            SendMessageW(window, TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
            break;
        case WM_NCDESTROY:
            // Gone with its parent: the handle may soon name another window.
            RemoveWindowSubclass(window, SubclassProc, id);
            if (self->toolbar_ == window)
                self->toolbar_ = nullptr;
            break;
        }
    } catch (...) {
        return 0; // nothing may unwind into user32
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace quillon::ui
