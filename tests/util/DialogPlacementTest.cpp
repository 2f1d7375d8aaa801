// Where forms and the one-line prompt go: window-free arithmetic of EnhFunc.
#include "util/EnhFunc.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <optional>

namespace quillon {
namespace {

struct CenterCase {
    const char* what;
    std::optional<ScreenRect> owner;
    int width, height;
    ScreenRect workArea;
    ScreenPoint at;
};

void ExpectCentred(std::initializer_list<CenterCase> cases) {
    for (const CenterCase& c : cases) {
        const ScreenPoint at = CenterFormPosition(c.owner, c.width, c.height, c.workArea);
        EXPECT_EQ(at.x, c.at.x) << c.what;
        EXPECT_EQ(at.y, c.at.y) << c.what;
    }
}

// On a monitor at (0, 0): left = owner.left + owner.width / 2 - width / 2 (halves truncated),
// per axis the middle of the monitor when the form would cross its edge.
TEST(CenterFormPosition, PrimaryMonitor) {
    const ScreenRect screen{0, 0, 1280, 1024};
    ExpectCentred({
        {"over the owner", ScreenRect{100, 100, 900, 700}, 300, 200, screen, {350, 300}},
        {"odd sizes truncate", ScreenRect{0, 0, 301, 201}, 101, 51, screen, {100, 75}},
        {"no owner", std::nullopt, 300, 200, screen, {490, 412}},
        {"no owner, odd", std::nullopt, 301, 201, {0, 0, 1281, 1025}, {490, 412}},
        {"crossing the left edge", ScreenRect{-50, 100, 150, 300}, 400, 100, screen, {440, 150}},
        {"crossing the bottom", ScreenRect{100, 900, 300, 1000}, 100, 300, screen, {150, 362}},
        {"crossing the top", ScreenRect{500, -100, 700, 0}, 100, 100, screen, {550, 462}},
        {"crossing the right", ScreenRect{1200, 500, 1280, 600}, 200, 100, screen, {540, 500}},
        {"touching the edges stays",
         ScreenRect{1080, 824, 1280, 1024},
         200,
         200,
         screen,
         {1080, 824}},
        {"touching the origin stays", ScreenRect{0, 0, 200, 200}, 200, 200, screen, {0, 0}},
        {"larger than the screen", ScreenRect{0, 0, 1280, 1024}, 1400, 1100, screen, {-60, -38}},
    });
}

// A monitor left of, right of or above the primary one: the form must land on it.
TEST(CenterFormPosition, MonitorAwayFromTheOrigin) {
    const ScreenRect right{1920, 0, 3840, 1040};
    const ScreenRect left{-1280, -200, 0, 824};
    const ScreenRect taskbarOnTop{0, 40, 1280, 1024};
    ExpectCentred({
        {"right, no owner", std::nullopt, 400, 300, right, {2680, 370}},
        {"right, over the owner", ScreenRect{2000, 100, 2800, 700}, 400, 300, right, {2200, 250}},
        {"right, crossing its left edge",
         ScreenRect{1900, 100, 2300, 400},
         600,
         200,
         right,
         {2580, 150}},
        {"right, crossing its right edge",
         ScreenRect{3700, 500, 3840, 600},
         400,
         100,
         right,
         {2680, 500}},
        {"left, no owner", std::nullopt, 400, 300, left, {-840, 162}},
        {"left, over the owner", ScreenRect{-1200, -150, -400, 450}, 300, 200, left, {-950, 50}},
        {"left, crossing its corner",
         ScreenRect{-1280, -200, -1080, 0},
         400,
         400,
         left,
         {-840, 112}},
        {"left, crossing its right edge", ScreenRect{-200, 0, 0, 200}, 400, 100, left, {-840, 50}},
        {"work area below a taskbar", std::nullopt, 200, 100, taskbarOnTop, {540, 482}},
        {"above the work area", ScreenRect{0, 0, 400, 60}, 200, 100, taskbarOnTop, {100, 482}},
    });
}

TEST(CenterFormPosition, AFittingFormStaysInsideItsMonitor) {
    const ScreenRect monitors[] = {{0, 0, 1280, 1024},
                                   {1920, 0, 3840, 1040},
                                   {-1280, -200, 0, 824},
                                   {0, -1080, 1920, 0},
                                   {-3840, 300, -1920, 1380}};
    for (const ScreenRect& m : monitors) {
        // Owners in every corner and the middle, some hanging over the edges.
        for (int fx : {-1, 0, 1, 2, 3})
            for (int fy : {-1, 0, 1, 2, 3}) {
                const int ox = m.left + fx * m.Width() / 2 - 150;
                const int oy = m.top + fy * m.Height() / 2 - 100;
                const ScreenRect owner{ox, oy, ox + 300, oy + 200};
                for (auto o : {std::optional<ScreenRect>(owner), std::optional<ScreenRect>()}) {
                    const ScreenPoint at = CenterFormPosition(o, 500, 400, m);
                    EXPECT_GE(at.x, m.left) << m.left << "," << m.top << " " << fx << fy;
                    EXPECT_LE(at.x + 500, m.right) << m.left << "," << m.top << " " << fx << fy;
                    EXPECT_GE(at.y, m.top) << m.left << "," << m.top << " " << fx << fy;
                    EXPECT_LE(at.y + 400, m.bottom) << m.left << "," << m.top << " " << fx << fy;
                }
            }
    }
}

TEST(MulDivRound, NearestWithHalvesAwayFromZero) {
    const struct {
        int a, b, c, result;
    } cases[] = {
        {8, 7, 4, 14},
        {13, 7, 8, 11},
        {14, 13, 8, 23},
        {1, 1, 2, 1},
        {3, 1, 2, 2},
        {5, 1, 2, 3},
        {-1, 1, 2, -1},
        {1, -1, 2, -1},
        {1, 1, -2, -1},
        {-1, -1, 2, 1},
        {-5, 1, 2, -3},
        {1, 1, 3, 0},
        {2, 1, 3, 1},
        {-2, 1, 3, -1},
        {0, 5, 7, 0},
        {5, 0, 7, 0},
        {7, 9, 0, -1},
        {0, 0, 0, -1},
        {INT_MAX, 2, 2, INT_MAX},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
        {INT_MIN + 1, 2, 2, INT_MIN + 1},
        {65536, 65536, 65536, 65536},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.result) << c.a << "*" << c.b << "/" << c.c;
}

// Regression: a result outside int wrapped around (INT_MAX * 2 gave -2); the system's MulDiv
// answers -1.
TEST(MulDivRound, OverflowGivesMinusOne) {
    const struct {
        int a, b, c;
    } cases[] = {{INT_MAX, 2, 1},   {INT_MAX, INT_MAX, 1}, {INT_MIN + 1, 2, 1},
                 {65536, 65536, 1}, {-65536, 65536, 1},    {INT_MAX, 3, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), -1) << c.a << "*" << c.b << "/" << c.c;
}

void ExpectRect(const ScreenRect& r, int left, int top, int right, int bottom, const char* what) {
    EXPECT_EQ(r, (ScreenRect{left, top, right, bottom}))
        << what << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
}

// Character width 7 and height 13 tell apart the gaps that scale with the width from the sizes
// that scale with the height.
TEST(LayoutInputQuery, ShortPrompt) {
    const InputQueryLayout l = LayoutInputQuery(7, 13, 100, 13, 21);
    EXPECT_EQ(l.clientWidth, 315); // 180 * 7 / 4
    EXPECT_EQ(l.clientHeight, 99); // button bottom + 13 * 7 / 8
    ExpectRect(l.prompt, 14, 13, 114, 26, "prompt");
    ExpectRect(l.edit, 14, 33, 301, 54, "edit"); // 164 * 7 / 4 wide, 8 * 7 / 8 below the prompt
    ExpectRect(l.ok, 67, 65, 155, 88, "OK");     // 38 * 7 / 4, 50 * 7 / 4 by 14 * 13 / 8
    ExpectRect(l.cancel, 161, 65, 249, 88, "Cancel");
}

TEST(LayoutInputQuery, WidePromptWidensTheDialogAndTheEdit) {
    const InputQueryLayout l = LayoutInputQuery(7, 13, 400, 26, 21);
    EXPECT_EQ(l.clientWidth, 428);
    ExpectRect(l.prompt, 14, 13, 414, 39, "prompt");
    ExpectRect(l.edit, 14, 46, 414, 67, "edit");
    ExpectRect(l.ok, 67, 78, 155, 101, "OK");
    EXPECT_EQ(l.clientHeight, 112);
}

// Between the edit's default width and the client width: the prompt keeps its margin on the
// right too, and the edit box is as wide as the prompt.
TEST(LayoutInputQuery, PromptNearlyAsWideAsTheDialog) {
    for (int promptWidth = 280; promptWidth <= 330; ++promptWidth) {
        const InputQueryLayout l = LayoutInputQuery(7, 13, promptWidth, 13, 21);
        EXPECT_GE(l.clientWidth, 315) << promptWidth;
        EXPECT_LE(l.prompt.right + l.prompt.left, l.clientWidth) << promptWidth;
        EXPECT_LE(l.edit.right + l.edit.left, l.clientWidth) << promptWidth;
        EXPECT_GE(l.edit.Width(), std::min(promptWidth, 287)) << promptWidth;
        EXPECT_EQ(l.edit.Width(), promptWidth <= 287 ? 287 : l.clientWidth - 28) << promptWidth;
    }
}

TEST(LayoutInputQuery, ControlsNeitherOverlapNorLeaveTheClientArea) {
    for (int x : {4, 6, 7, 8, 11, 16})
        for (int y : {8, 13, 16, 20, 32})
            for (int promptWidth : {0, 50, 300, 900}) {
                const InputQueryLayout l = LayoutInputQuery(x, y, promptWidth, y, y + 8);
                const ScreenRect* all[] = {&l.prompt, &l.edit, &l.ok, &l.cancel};
                for (const ScreenRect* r : all) {
                    EXPECT_GE(r->left, 0);
                    EXPECT_GE(r->top, 0);
                    EXPECT_LE(r->right, l.clientWidth) << x << " " << y << " " << promptWidth;
                    EXPECT_LE(r->bottom, l.clientHeight) << x << " " << y << " " << promptWidth;
                }
                EXPECT_LT(l.prompt.bottom, l.edit.top);
                EXPECT_LT(l.edit.bottom, l.ok.top);
                EXPECT_LT(l.ok.right, l.cancel.left);
                EXPECT_EQ(l.ok.top, l.cancel.top);
            }
}

} // namespace
} // namespace quillon
