#include "ui/MainLayout.h"
#include "ui/ApplicationTitle.h"

#include <gtest/gtest.h>

namespace quillon::ui {
namespace {

MainLayout Lay(int w, int h, int dpi, bool top, bool progress) {
    MainLayoutInput in;
    in.clientWidth = w;
    in.clientHeight = h;
    in.dpi = dpi;
    in.topLayout = top;
    in.progressShown = progress;
    return LayOutMain(in);
}

// Every control inside the client area, none overlapping its neighbours.
void ExpectTiled(const MainLayout& l, int w, int h) {
    for (const Rect& r : {l.toolPanel, l.clientPanel, l.statusBar, l.lv, l.progressPanel}) {
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, w);
        EXPECT_LE(r.bottom, h);
    }
    EXPECT_EQ(l.statusBar.bottom, h);
    EXPECT_EQ(l.clientPanel.bottom, l.statusBar.top);
    EXPECT_EQ(l.lv.bottom, l.progressPanel.top);
    EXPECT_EQ(l.progressPanel.bottom, l.clientPanel.bottom);
}

TEST(MainLayout, LeftAndTopLayoutsAtEveryDpi) {
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        const int w = Scale(606, dpi), h = Scale(462, dpi);
        const MainLayout left = Lay(w, h, dpi, false, true);
        ExpectTiled(left, w, h);
        EXPECT_EQ(left.toolPanel.Width(), Scale(67, dpi));
        EXPECT_EQ(left.toolPanel.bottom, left.statusBar.top);
        EXPECT_EQ(left.imagePanel.Height(), Scale(37, dpi));
        EXPECT_EQ(left.imagePanel.bottom, left.toolPanel.bottom);
        EXPECT_EQ(left.toolbar.bottom, left.imagePanel.top);
        EXPECT_EQ(left.clientPanel.left, left.toolPanel.right);
        EXPECT_EQ(left.statusBar.Height(), Scale(22, dpi));
        EXPECT_EQ(left.progressPanel.Height(), Scale(53, dpi));
        // The image sits inside its panel.
        EXPECT_GE(left.donationImage.left, left.imagePanel.left);
        EXPECT_LE(left.donationImage.bottom, left.imagePanel.bottom);
        EXPECT_EQ(left.donationImage.Width(), Scale(62, dpi));

        const MainLayout top = Lay(w, h, dpi, true, false);
        ExpectTiled(top, w, h);
        EXPECT_EQ(top.toolPanel.Height(), Scale(40, dpi));
        EXPECT_EQ(top.toolPanel.Width(), w);
        EXPECT_EQ(top.imagePanel.right, w);
        EXPECT_EQ(top.imagePanel.Width(), Scale(67, dpi));
        EXPECT_EQ(top.toolbar.right, top.imagePanel.left);
        EXPECT_EQ(top.clientPanel.top, top.toolPanel.bottom);
        EXPECT_EQ(top.lv, top.clientPanel) << "no strip: the list takes it all";
    }
}

TEST(MainLayout, StripHalvesAndTinyWindows) {
    // An odd width gives two equal halves and a pixel between them.
    const MainLayout odd = Lay(67 + 301, 400, 96, false, true);
    EXPECT_EQ(odd.progressPanel.Width(), 301);
    EXPECT_EQ(odd.fileHalf.Width(), 150);
    EXPECT_EQ(odd.totalHalf.Width(), 150);
    EXPECT_EQ(odd.totalHalf.left - odd.fileHalf.right, 1);
    EXPECT_LT(odd.fileBar.right, odd.fileHalf.right);
    EXPECT_GT(odd.totalBar.left, odd.totalHalf.left);
    EXPECT_GT(odd.fileBar.top, odd.fileCaption.top);
    EXPECT_GT(odd.fileRate.top, odd.fileBar.bottom - 1);
    // Smaller than its fixed parts: nothing gets a negative size.
    for (const auto& l : {Lay(10, 10, 144, false, true), Lay(0, 0, 96, true, true)})
        for (const Rect& r : {l.toolPanel, l.toolbar, l.imagePanel, l.clientPanel, l.lv,
                              l.progressPanel, l.fileBar, l.statusBar})
            EXPECT_TRUE(r.Width() >= 0 && r.Height() >= 0);
}

TEST(MainLayout, OpenDialogSitsAThirdDownAndCentredAcross) {
    EXPECT_EQ(CenterDialogPosition({0, 0, 1920, 1080}, 800, 600), (Point{560, 200}));
    // A second monitor to the left; truncation toward zero.
    EXPECT_EQ(CenterDialogPosition({-1280, 0, 0, 1024}, 801, 601), (Point{-1280 + 239, 40 + 141}));
    // Larger than the monitor: off its top-left edge, as the plain arithmetic gives.
    EXPECT_EQ(CenterDialogPosition({0, 0, 640, 480}, 700, 600), (Point{-30, 0}));
}

TEST(ApplicationTitle, NameBeforeTheFirstDotFirstLetterKept) {
    EXPECT_EQ(ApplicationTitle(L"C:\\Program Files\\Quillon\\quillon.exe"), L"quillon");
    EXPECT_EQ(ApplicationTitle(L"C:\\Tools\\QUILLON.EXE"), L"Quillon");
    EXPECT_EQ(ApplicationTitle(L"D:\\a.b\\My.Tool.exe"), L"My");
    EXPECT_EQ(ApplicationTitle(L"plain"), L"plain");
}

} // namespace
} // namespace quillon::ui
