#include "ui/uDragFilesTrg.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <stdexcept>

namespace quillon {
namespace {

using Names = std::vector<std::filesystem::path>;

// The window's own procedure counts the drops that reach it and releases them.
int gOwnDrops = 0;
LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_DROPFILES)
        return DefWindowProcW(window, message, wParam, lParam);
    ++gOwnDrops;
    DragFinish(reinterpret_cast<HDROP>(wParam));
    return 0;
}

HWND NewWindow() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = OwnProc;
    cls.lpszClassName = L"DragFilesTrgWin32Test";
    RegisterClassW(&cls);
    return CreateWindowExW(0, cls.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                           nullptr, nullptr, nullptr);
}

// Posts a drop as the shell does and delivers it; returns its memory, freed once it is finished.
HGLOBAL Drop(HWND window, const Names& names) {
    std::wstring list;
    for (const auto& name : names)
        list += name.wstring() + L'\0';
    list += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    return memory;
}

bool AcceptsFiles(HWND window) {
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
}

class DragFilesTrgWin32 : public testing::Test {
protected:
    void SetUp() override {
        gOwnDrops = 0;
        target_.OnDrop = [this](TDragFilesTrg& t) { drops_.push_back({t.FileCount(), t.Files()}); };
        target_.SetTarget(window_);
    }
    void TearDown() override { DestroyWindow(window_); }

    HWND window_ = NewWindow();
    TDragFilesTrg target_;
    std::vector<std::pair<int, Names>> drops_;
};

TEST_F(DragFilesTrgWin32, EachDropRaisesOnDropOnceWithItsWholeNamesInOrder) {
    // Longer than MAX_PATH: cut at 259 characters it would name another file.
    const std::wstring longName =
        L"C:\\" + std::wstring(200, L'd') + L"\\" + std::wstring(120, L'f');
    const Names one{L"C:\\lists\\one.sfv"}, three{L"C:\\b.md5", longName, L"Z:\\tmp\\a.sfv"};
    const HGLOBAL memory = Drop(window_, one);
    Drop(window_, three);
    EXPECT_EQ(drops_, (std::vector<std::pair<int, Names>>{{1, one}, {3, three}}));
    EXPECT_EQ(gOwnDrops, 0);           // handled, not passed on
    EXPECT_EQ(GlobalSize(memory), 0u); // DragFinish freed it
}

TEST_F(DragFilesTrgWin32, EnabledSwitchesAcceptFilesAndTheSameTargetChangesNothing) {
    EXPECT_TRUE(AcceptsFiles(window_));
    target_.SetEnabled(false);
    EXPECT_FALSE(AcceptsFiles(window_));
    target_.SetEnabled(true);
    EXPECT_TRUE(AcceptsFiles(window_));
    DragAcceptFiles(window_, FALSE);
    target_.SetTarget(window_);
    EXPECT_FALSE(AcceptsFiles(window_));
}

TEST_F(DragFilesTrgWin32, NoTargetOrNoComponentGivesTheWindowBack) {
    target_.SetTarget(nullptr);
    EXPECT_FALSE(AcceptsFiles(window_));
    Drop(window_, {L"C:\\a"});
    {
        TDragFilesTrg other;
        other.SetTarget(window_);
        EXPECT_TRUE(AcceptsFiles(window_));
    }
    EXPECT_FALSE(AcceptsFiles(window_));
    Drop(window_, {L"C:\\a"}); // with the subclass left behind, this would reach a dead object
    EXPECT_TRUE(drops_.empty());
    EXPECT_EQ(gOwnDrops, 2);
}

TEST_F(DragFilesTrgWin32, DestroyedTargetIsForgotten) {
    DestroyWindow(window_);
    EXPECT_EQ(target_.Target(), nullptr);
    window_ = NewWindow();
    target_.SetTarget(window_);
    Drop(window_, {L"C:\\a"});
    EXPECT_EQ(drops_.size(), 1u);
}

// A procedure installed over the component's keeps working after the component lets go; a
// second component on the window takes the drops over from the first.
WNDPROC gUnder = nullptr;
int gOnTop = 0;
LRESULT CALLBACK OnTopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    gOnTop += message == WM_DROPFILES;
    return CallWindowProcW(gUnder, window, message, wParam, lParam);
}

TEST_F(DragFilesTrgWin32, LettingGoUnderAnotherProcedureAndASecondComponent) {
    {
        TDragFilesTrg second;
        second.OnDrop = [this](TDragFilesTrg& t) { drops_.push_back({-1, t.Files()}); };
        second.SetTarget(window_);
        EXPECT_EQ(target_.Target(), nullptr);
        Drop(window_, {L"C:\\b"});
        EXPECT_EQ(drops_, (std::vector<std::pair<int, Names>>{{-1, {L"C:\\b"}}}));
        gOnTop = 0;
        gUnder = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OnTopProc)));
        second.SetTarget(nullptr);
        EXPECT_FALSE(AcceptsFiles(window_));
    }
    // The component's procedure stayed under the other one and passes the drop on.
    Drop(window_, {L"C:\\c"});
    EXPECT_EQ(gOnTop, 1);
    EXPECT_EQ(gOwnDrops, 1);
    EXPECT_EQ(drops_.size(), 1u);
    // Taken again, the window's drops reach the component through both procedures.
    target_.SetTarget(window_);
    Drop(window_, {L"C:\\d"});
    EXPECT_EQ(gOnTop, 2);
    EXPECT_EQ(drops_.back().second, Names{L"C:\\d"});
}

TEST_F(DragFilesTrgWin32, ExceptionFromOnDropStaysInTheComponent) {
    target_.OnDrop = [](TDragFilesTrg&) { throw std::runtime_error("handler failed"); };
    Drop(window_, {L"C:\\a"});
    EXPECT_EQ(target_.FileCount(), 1);
}

} // namespace
} // namespace quillon
