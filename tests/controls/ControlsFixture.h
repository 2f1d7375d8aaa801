#pragma once
// A real top-level window in this process for the create-mode controls to live in. It stays
// hidden: Wine without a window manager takes 2 s to hide or destroy a shown one.
#include "platform/win32/ScopedWin.h"
#include "tests/TempDir.h"

#include "tests/win32/PumpMessages.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace quillon::test {

class ControlsTest : public ::testing::Test {
protected:
    ControlsTest() {
        static const bool registered = [] {
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
            InitCommonControlsEx(&icc);
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = L"QuillonControlsTest";
            return RegisterClassExW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        parent = CreateWindowExW(0, L"QuillonControlsTest", L"controls",
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900, 600, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~ControlsTest() override { DestroyWindow(parent); }

    // Runs the message loop until done() or the time is up; false when it was up.
    static bool PumpUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = std::chrono::seconds(3)) {
        return test::PumpUntil(done, limit);
    }

    static void Place(HWND window, int width, int height) {
        MoveWindow(window, 0, 0, width, height, TRUE);
    }

    win::ScopedComInit com;
    TempDir dir;
    HWND parent = nullptr;
};

} // namespace quillon::test
