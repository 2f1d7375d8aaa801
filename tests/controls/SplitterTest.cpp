#include "controls/Splitter.h"
#include "controls/ControlLogic.h"
#include "tests/controls/ControlsFixture.h"

namespace quillon::test {
namespace {

using controls::ClampDivider;

TEST(ClampDivider, KeepsBothPanesAtTheirMinimum) {
    struct Case {
        int position, width, expected;
    } cases[] = {
        {254, 800, 254}, // room enough
        {10, 800, 60},   // left pane at its minimum
        {790, 800, 736}, // right pane at its minimum: 800 - 4 - 60
        {254, 200, 136}, // a narrow splitter moves the divider
        {254, 124, 60},  // exactly two minimums and the bar
        {254, 100, 48},  // less than that: the halves
        {254, 2, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClampDivider(c.position, c.width, 4, 60), c.expected)
            << c.position << " in " << c.width;
}

class SplitterTest : public ControlsTest {
protected:
    SplitterTest() {
        EXPECT_TRUE(splitter.Create(parent, 102, 96));
        left = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                               splitter.Handle(), nullptr, nullptr, nullptr);
        right = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                splitter.Handle(), nullptr, nullptr, nullptr);
        splitter.SetPanes(left, right);
        Place(splitter.Handle(), 800, 400);
    }

    // The pane's rectangle in the splitter's client coordinates.
    RECT Pane(HWND pane) const {
        RECT r{};
        GetWindowRect(pane, &r);
        MapWindowPoints(nullptr, splitter.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void Drag(int from, int to) {
        SendMessageW(splitter.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from, 100));
        SendMessageW(splitter.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to, 100));
        SendMessageW(splitter.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(to, 100));
    }

    controls::Splitter splitter;
    HWND left = nullptr, right = nullptr;
};

TEST_F(SplitterTest, DragMovesTheDividerWithinTheMinimums) {
    EXPECT_EQ(splitter.Position(), 254);
    EXPECT_EQ(Pane(left).right, 254);
    EXPECT_EQ(Pane(right).left, 258);
    EXPECT_EQ(Pane(right).right, 800);

    Drag(256, 356);
    EXPECT_EQ(splitter.Position(), 354) << "the bar moves by what the mouse moved";
    EXPECT_EQ(Pane(left).right, 354);
    EXPECT_EQ(Pane(right).left, 358);
    EXPECT_EQ(GetCapture(), nullptr);

    Drag(355, -200);
    EXPECT_EQ(splitter.Position(), 60);
    Drag(61, 2000);
    EXPECT_EQ(splitter.Position(), 736);
    EXPECT_EQ(Pane(right).right - Pane(right).left, 60);

    // A press beside the bar drags nothing.
    Drag(100, 300);
    EXPECT_EQ(splitter.Position(), 736);
}

TEST_F(SplitterTest, ShrinkingKeepsBothPanesAndDpiRescales) {
    splitter.SetPosition(500);
    Place(splitter.Handle(), 300, 400);
    EXPECT_EQ(splitter.Position(), 236);
    EXPECT_EQ(Pane(right).right - Pane(right).left, 60);
    Place(splitter.Handle(), 800, 400);
    EXPECT_EQ(splitter.Position(), 500) << "the position asked for comes back";

    Place(splitter.Handle(), 1000, 400);
    splitter.SetDpi(144);
    EXPECT_EQ(splitter.Position(), 750);
    EXPECT_EQ(splitter.BarWidth(), 6);
    EXPECT_EQ(Pane(right).left, 756);
    Place(splitter.Handle(), 500, 400);
    EXPECT_EQ(splitter.Position(), 500 - 6 - 90) << "the minimum grows with the DPI";
}

} // namespace
} // namespace quillon::test
