// The settings as the real window applies them: the rules themselves are checked natively
// (WindowSettingsTest); here the window, its layout and its placement follow them.
#include "tests/ui/win32/MainWindowFixture.h"

namespace quillon::test {
namespace {

using namespace std::chrono_literals;

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT ClientRect(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r;
}

TEST_F(MainWindowTest, FirstRunIsCentredAtTheDesignSizeAndLeavesAnEmptyKey) {
    Open();
    const RECT client = ClientRect(frame->Handle());
    EXPECT_EQ(client.right, Scale(ui::MainMetrics::ClientWidth, frame->Dpi()));
    EXPECT_EQ(client.bottom, Scale(ui::MainMetrics::ClientHeight, frame->Dpi()));
    EXPECT_FALSE(frame->TopLayout());
    EXPECT_FALSE(frame->Strip().Visible());
    EXPECT_EQ(frame->Model().SizeType, SizeTypeAuto);
    // Centred on its monitor's work area.
    MONITORINFO info{sizeof info};
    GetMonitorInfoW(MonitorFromWindow(frame->Handle(), MONITOR_DEFAULTTONEAREST), &info);
    const RECT w = WindowRect(frame->Handle());
    EXPECT_NEAR((w.left + w.right) / 2, (info.rcWork.left + info.rcWork.right) / 2, 1);
    EXPECT_TRUE(boxes.empty());
    SendMessageW(frame->Handle(), WM_CLOSE, 0, 0);
    platform::Registry registry;
    ASSERT_TRUE(registry.OpenKey(key, false)) << "the key exists after the first run";
    EXPECT_FALSE(registry.ValueExists(L"Width")) << "nothing written without SavePos";
}

TEST_F(MainWindowTest, PlacementIsRestoredAndWrittenBackMaximized) {
    WriteSetting(L"SavePos", 1);
    WriteSetting(L"Width", 500);
    WriteSetting(L"Height", 300);
    WriteSetting(L"Left", 40);
    WriteSetting(L"Top", 30);
    WriteSetting(L"ToolbarPosition", 1);
    WriteSetting(L"ShowProgress", 0); // present: shown, whatever its number
    WriteSetting(L"SizeType", 2);
    Open();
    EXPECT_EQ(ClientRect(frame->Handle()).right, 500);
    EXPECT_EQ(ClientRect(frame->Handle()).bottom, 300);
    EXPECT_EQ(WindowRect(frame->Handle()).left, 40);
    EXPECT_EQ(WindowRect(frame->Handle()).top, 30);
    EXPECT_TRUE(frame->TopLayout());
    EXPECT_TRUE(frame->Strip().Visible());
    EXPECT_EQ(frame->Model().SizeType, SizeTypeBytes);
    // The Top layout: the toolbar panel across the top, the list below it, the strip above the
    // status bar.
    const auto& l = frame->Layout();
    EXPECT_EQ(l.toolPanel.top, 0);
    EXPECT_EQ(l.toolPanel.Width(), 500);
    EXPECT_EQ(l.lv.top, l.toolPanel.bottom);
    EXPECT_EQ(l.progressPanel.bottom, l.statusBar.top);

    // Moved and resized, then maximized: the normal placement goes back with Maximized 1.
    SetWindowPos(frame->Handle(), nullptr, 60, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT wanted{0, 0, 520, 310};
    AdjustWindowRectEx(&wanted, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(frame->Handle(), nullptr, 0, 0, wanted.right - wanted.left,
                 wanted.bottom - wanted.top, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(frame->Handle(), SW_MAXIMIZE);
    Pump(50ms);
    SendMessageW(frame->Handle(), WM_CLOSE, 0, 0);
    platform::Registry registry;
    ASSERT_TRUE(registry.OpenKey(key, false));
    EXPECT_EQ(registry.ReadInteger(L"Width"), 520);
    EXPECT_EQ(registry.ReadInteger(L"Height"), 310);
    EXPECT_EQ(registry.ReadInteger(L"Left"), 60);
    EXPECT_EQ(registry.ReadInteger(L"Top"), 50);
    EXPECT_EQ(registry.ReadInteger(L"Maximized"), 1);
    EXPECT_EQ(registry.ReadInteger(L"PlacementDpi"), frame->Dpi());
    frame.reset();

    // The next run opens maximized, and restoring it gives the normal placement.
    Open();
    EXPECT_TRUE(IsZoomed(frame->Handle()));
    ShowWindow(frame->Handle(), SW_RESTORE);
    Pump(50ms);
    EXPECT_EQ(ClientRect(frame->Handle()).right, 520);
    EXPECT_EQ(WindowRect(frame->Handle()).left, 60);
    SendMessageW(frame->Handle(), WM_CLOSE, 0, 0);
    frame.reset();
    Pump(50ms);

    // A size saved at half again this DPI comes back in proportion; the position as it was.
    WriteSetting(L"Maximized", 0);
    WriteSetting(L"Width", 780);
    WriteSetting(L"Height", 465);
    WriteSetting(L"PlacementDpi", 144);
    Open();
    const int dpi = frame->Dpi();
    EXPECT_EQ(ClientRect(frame->Handle()).right, Rescale(780, 144, dpi));
    EXPECT_EQ(ClientRect(frame->Handle()).bottom, Rescale(465, 144, dpi));
    EXPECT_EQ(WindowRect(frame->Handle()).left, 60);
}

TEST_F(MainWindowTest, WrongValueTypeIsShownAndTheRestSkipped) {
    {
        platform::Registry registry;
        ASSERT_TRUE(registry.OpenKey(key, true));
        registry.WriteString(L"SizeType", L"7"); // four bytes: a type error, not a size one
        registry.WriteInteger(L"ShowProgress", 1);
        registry.WriteInteger(L"ToolbarPosition", 1);
    }
    Open();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Invalid data type for 'SizeType'");
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(frame->TopLayout()) << "read before the failure";
    EXPECT_FALSE(frame->Strip().Visible()) << "after it: not applied";
    EXPECT_TRUE(IsWindowVisible(frame->Handle()));
}

// Moved to a monitor of another DPI (Wine never sends this by itself): every size follows.
TEST_F(MainWindowTest, DpiChangeScalesEveryPart) {
    Open();
    const int before = frame->Dpi();
    const RECT suggested{100, 80, 100 + 960, 80 + 740};
    SendMessageW(frame->Handle(), WM_DPICHANGED, MAKEWPARAM(before * 3 / 2, before * 3 / 2),
                 reinterpret_cast<LPARAM>(&suggested));
    const int dpi = before * 3 / 2;
    EXPECT_EQ(frame->Dpi(), dpi);
    const RECT w = WindowRect(frame->Handle());
    EXPECT_EQ(w.left, 100);
    EXPECT_EQ(w.right - w.left, 960);
    EXPECT_EQ(frame->Layout().toolPanel.Width(), Scale(67, dpi));
    EXPECT_EQ(frame->Layout().statusBar.Height(), Scale(22, dpi));
    const RECT panel = frame->StatusBar().PanelRect(0);
    EXPECT_EQ(panel.right - panel.left, Scale(120, dpi));
    EXPECT_EQ(ListView_GetColumnWidth(frame->List().Handle(), 1), Scale(90, dpi));
    // The toolbar's buttons keep their width in the Left layout.
    RECT button{};
    SendMessageW(frame->Toolbar(), TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&button));
    EXPECT_EQ(button.right - button.left, Scale(66, dpi));
}

} // namespace
} // namespace quillon::test
