// What the window and its dialogs hold when they are gone: nothing more than before. GDI and USER
// objects are counted as well as kernel handles, with no slack, over many rounds: a leak of one
// object per round shows as ten.
#include "create/win32/FADlg.h"
#include "tests/ui/win32/MainWindowFixture.h"
#include "tests/win32/GuiResources.h"
#include "ui/AboutDlg.h"
#include "ui/MainDlgIds.h"
#include "util/win32/EnhFuncWin32.h"

#include <commctrl.h>

#include <functional>

namespace quillon::test {
namespace {

using namespace std::chrono_literals;

class LeakTest : public MainWindowTest {
protected:
    // Runs round twice to fill what the system caches at first use (fonts, the shell's images,
    // its worker threads), then rounds more times; the counts after are those before.
    void ExpectNoLeak(const char* what, const std::function<void()>& round, int rounds = 10) {
        // The system's cursors are loaded once and kept: whether a round shows one depends on
        // where the mouse happens to be.
        for (const wchar_t* cursor : {IDC_APPSTARTING, IDC_HAND, IDC_SIZEWE, IDC_ARROW})
            LoadCursorW(nullptr, cursor);
        round();
        round();
        Pump(50ms);
        const GuiCounts before = CountGuiResources();
        for (int i = 0; i < rounds; ++i)
            round();
        Pump(50ms);
        const GuiCounts after = CountGuiResources();
        const std::string counts = std::string(what) + ": before " + before.Text() + "; after " +
                                   after.Text();
        EXPECT_EQ(after.gdi, before.gdi) << counts;
        EXPECT_EQ(after.user, before.user) << counts;
        // A lock taken under contention for the first time may keep an event for good (the
        // threads library makes them on demand); a handle a round shows as ten.
        EXPECT_LE(after.kernel, before.kernel + 2) << counts;
    }
};

TEST_F(LeakTest, WindowOpenCheckCreateModeClose) {
    dir.Write("abc.txt", "abc");
    dir.Write("sub/x.txt", "x");
    const auto list = dir.Write("l.sfv", "abc.txt 352441C2\r\ngone.bin 00000000\r\n");
    ExpectNoLeak("open, check, create mode, close", [&] {
        Open();
        chosen = std::vector<std::filesystem::path>{list};
        OpenAndWait();
        CheckAndWait();
        frame->bCreateClick(); // the folder tree, the file list and their shell images
        frame->Files().ShowFolder(dir / "sub");
        frame->bCreateClick();
        frame->SetToolbarLayout(1);
        SendMessageW(frame->Handle(), WM_CLOSE, 0, 0);
        ASSERT_EQ(frame->Handle(), nullptr);
        frame.reset();
    });
}

TEST_F(LeakTest, EachDialogOpenedAndClosed) {
    ExpectNoLeak("about box", [] {
        ui::TFrmAbout about(GetModuleHandleW(nullptr), L"Quillon 2.6", 144);
        about.onShown = [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); };
        about.ShowModal(nullptr);
    });
    const std::wstring base = L"Software\\QuillonLeakTest-" + std::to_wstring(GetCurrentProcessId());
    ExpectNoLeak("options dialog", [&] {
        OptionsDialogParams params;
        params.settingsKey = L"\\" + base + L"\\Settings";
        params.classesKey = base + L"\\Classes";
        params.classesFallbackKey = base + L"\\Machine";
        params.dpi = 144;
        params.onShown = [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
        TFrmFA(params, {}).ShowModal();
    });
    RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
    ExpectNoLeak("mask prompt", [] {
        std::wstring value;
        SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            PostMessageW(GetActiveWindow(), WM_COMMAND, IDCANCEL, 0);
        });
        InputQueryEx(L"Mask Select", L"Enter select mask (*.*)", false, value, false, false,
                     nullptr);
    });
}

// The verify list's image lists have one owner: the list view lets go of them with the style
// that says they are shared, so they outlive the control until their owner frees them (without
// it the control freed them at its end, and their owner freed them again).
TEST_F(LeakTest, VerifyListImagesOutliveTheControl) {
    Open();
    const HWND lv = frame->List().Handle();
    const HIMAGELIST images = ListView_GetImageList(lv, LVSIL_SMALL);
    ASSERT_NE(images, nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(lv, GWL_STYLE) & LVS_SHAREIMAGELISTS);
    DestroyWindow(lv);
    EXPECT_EQ(ImageList_GetImageCount(images), 5) << "freed with the control";
}

} // namespace
} // namespace quillon::test
