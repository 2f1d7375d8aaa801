#include "ui/AboutDlg.h"
#include "ui/MainLayout.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillon::test {
namespace {

using namespace ui::about_ids;

// ShowModal's result when the box did not close by itself in time.
constexpr INT_PTR kTimedOut = 0x7777;

// A control's rectangle in its dialog's client coordinates.
RECT Place(HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int TextWidth(HWND control, const std::wstring& text) {
    win::ScopedGetDc dc(control);
    win::ScopedSelect font(dc.Get(),
                           reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// Runs what is queued through the box's own keyboard handling, as its modal loop would.
void Pump(HWND dialog) {
    for (int round = 0; round < 20; ++round) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(5);
    }
}

void PressKey(HWND dialog, UINT key) {
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
    Pump(dialog);
}

void Click(HWND dialog, int id) {
    const LPARAM at = MAKELPARAM(2, 4);
    PostMessageW(GetDlgItem(dialog, id), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(GetDlgItem(dialog, id), WM_LBUTTONUP, 0, at);
    Pump(dialog);
}

class AboutBoxTest : public ::testing::Test {
protected:
    // Shows the box at dpi and runs script inside its modal loop; ShowModal's result.
    INT_PTR Show(const std::function<void(HWND)>& script, int dpi = 96) {
        about = std::make_unique<ui::TFrmAbout>(GetModuleHandleW(nullptr), L"Quillon 2.6", dpi);
        about->open = [this](const std::wstring& verb, const std::wstring& target) {
            opened.push_back(verb + L"|" + target);
        };
        about->onShown = [&](HWND dialog) {
            SetTimer(dialog, 1, 10000,
                     [](HWND d, UINT, UINT_PTR, DWORD) { EndDialog(d, kTimedOut); });
            script(dialog);
        };
        return about->ShowModal(nullptr);
    }

    std::unique_ptr<ui::TFrmAbout> about;
    std::vector<std::wstring> opened;
};

TEST_F(AboutBoxTest, ShowsEveryTextWholeAtEachDpiAndClosesWithOk) {
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        const INT_PTR result = Show(
            [&](HWND dialog) {
                RECT client{};
                GetClientRect(dialog, &client);
                // As designed, or wider where the texts need it; Close keeps its margin.
                EXPECT_GE(client.right, Scale(338, dpi));
                EXPECT_EQ(client.bottom, Scale(141, dpi));
                EXPECT_NEAR(client.right - Place(dialog, Button1).right, Scale(11, dpi), 1);

                // The coloured title lies over its shadow, a little to its left.
                HWND label1 = GetDlgItem(dialog, Label1), label2 = GetDlgItem(dialog, Label2);
                EXPECT_LT(Place(dialog, Label2).left, Place(dialog, Label1).left);
                EXPECT_EQ(GetWindow(label2, GW_HWNDNEXT), label1);
                for (HWND title : {label1, label2}) {
                    wchar_t shown[32] = {};
                    GetWindowTextW(title, shown, 32);
                    EXPECT_STREQ(shown, L"Quillon 2.6");
                }

                const std::vector<std::pair<int, std::wstring>> texts = {
                    {Label1, L"Quillon 2.6"},
                    {Label3, L"Quillon by the Quillon developers"},
                    {Label4, L"Icons drawn by scripts/make-icons.py"},
                    {Label6, L"https://quillon.example.org/"},
                    {Label5, L"https://quillon.example.org/help/"}};
                for (const auto& [id, text] : texts) {
                    SCOPED_TRACE(text);
                    const RECT r = Place(dialog, id);
                    EXPECT_GE(r.right - r.left, TextWidth(GetDlgItem(dialog, id), text));
                    EXPECT_LE(r.right, client.right);
                }
                RECT both{};
                for (auto [credit, link] : {std::pair{Label3, Label6}, std::pair{Label4, Label5}}) {
                    const RECT a = Place(dialog, credit), b = Place(dialog, link);
                    EXPECT_FALSE(IntersectRect(&both, &a, &b)) << credit << " under " << link;
                }
                // Enter presses Close, which has the focus; the close box gives its result too.
                EXPECT_EQ(GetFocus(), GetDlgItem(dialog, Button1));
                if (dpi == 96)
                    PressKey(dialog, VK_RETURN);
                else
                    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            },
            dpi);
        EXPECT_EQ(result, IDOK);
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(AboutBoxTest, LinksAndTheDonationImageOpenTheirAddressAndKeepTheBoxOpen) {
    const INT_PTR result = Show([&](HWND dialog) {
        Click(dialog, Label6);
        Click(dialog, Image2);
        // Keyboard: Tab from Close reaches the links in order, Enter opens the focused one.
        SetFocus(GetDlgItem(dialog, Button1));
        PressKey(dialog, VK_TAB);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, Label6));
        PressKey(dialog, VK_TAB);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, Label5));
        PressKey(dialog, VK_RETURN);
        EXPECT_EQ(opened, (std::vector<std::wstring>{L"open|https://quillon.example.org/",
                                                     L"|https://quillon.example.org/donate/",
                                                     L"open|https://quillon.example.org/help/"}));
        EXPECT_EQ(about->ModalResult(), 0);
        EXPECT_TRUE(IsWindowVisible(dialog));
        PressKey(dialog, VK_ESCAPE);
    });
    EXPECT_EQ(result, IDOK) << "Esc presses Close";
}

} // namespace
} // namespace quillon::test
