#include "ui/WindowSettings.h"

#include "tests/util/MemorySettings.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quillon::ui {
namespace {

using test::MemoryStore;

// Only what was applied; an empty optional leaves no word.
std::string Describe(const StartupSettings& s) {
    std::string out;
    auto add = [&](const std::string& word) { out += (out.empty() ? "" : " ") + word; };
    if (s.topLayout)
        add(*s.topLayout ? "top" : "left");
    if (s.sizeType)
        add("size" + std::to_string(*s.sizeType));
    if (s.showProgress)
        add(*s.showProgress ? "panel" : "nopanel");
    if (s.savePos)
        add(*s.savePos ? "save" : "nosave");
    if (s.clientSize)
        add(std::to_string(s.clientSize->width) + "x" + std::to_string(s.clientSize->height));
    if (s.maximized)
        add("max");
    if (s.placementDpi)
        add("dpi" + std::to_string(*s.placementDpi));
    if (s.position)
        add("@" + std::to_string(s.position->left) + "," + std::to_string(s.position->top));
    if (s.centre)
        add("centre");
    if (s.error)
        add("!" + *s.error);
    return out;
}

struct Case {
    std::string values, applied, reads;
};

void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        MemoryStore store(c.values);
        EXPECT_EQ(Describe(ReadStartupSettings(&store)), c.applied);
        EXPECT_EQ(store.reads, c.reads);
    }
}

TEST(ReadStartupSettings, FirstRunAndNoStoreGiveLeftAutoHiddenCentred) {
    Check({{"", "left size0 nopanel nosave centre", ""}});
    EXPECT_EQ(Describe(ReadStartupSettings(nullptr)), "left size0 nopanel nosave centre");
}

TEST(ReadStartupSettings, LayoutSizeTypeAndProgressPanel) {
    Check({
        {"ToolbarPosition=1", "top size0 nopanel nosave centre", "ToolbarPosition"},
        {"ToolbarPosition=2", "left size0 nopanel nosave centre", "ToolbarPosition"},
        {"ToolbarPosition=0", "left size0 nopanel nosave centre", "ToolbarPosition"},
        {"SizeType=1", "left size1 nopanel nosave centre", "SizeType"},
        {"SizeType=2", "left size2 nopanel nosave centre", "SizeType"},
        {"SizeType=3", "left size0 nopanel nosave centre", "SizeType"},
        {"SizeType=7", "left size0 nopanel nosave centre", "SizeType"},
        {"SizeType=-1", "left size0 nopanel nosave centre", "SizeType"},
        {"ShowProgress=0", "left size0 panel nosave centre", ""},
    });
}

TEST(ReadStartupSettings, PlacementOnlyWithSavePos) {
    const std::string all = "Width=800 Height=600 Maximized=1 Left=-1200 Top=20";
    Check({
        {all, "left size0 nopanel nosave centre", ""},
        {"SavePos=0", "left size0 nopanel save centre", ""},
        {"SavePos=1 " + all, "left size0 nopanel save 800x600 max @-1200,20",
         "Width Height Maximized Left Top"},
        {"SavePos=1 PlacementDpi=144 " + all,
         "left size0 nopanel save 800x600 max dpi144 @-1200,20",
         "Width Height Maximized PlacementDpi Left Top"},
        {"SavePos=1 Width=800 Height=600 Left=5", "left size0 nopanel save 800x600 centre",
         "Width Height"},
        {"SavePos=1 Width=800 Height=600 Maximized=5", "left size0 nopanel save 800x600 max centre",
         "Width Height Maximized"},
        {"SavePos=1 Width=800 Height=600 Maximized=0", "left size0 nopanel save 800x600 centre",
         "Width Height Maximized"},
        {"SavePos=1 Height=600 Maximized=1 Left=10 Top=20", "left size0 nopanel save @10,20",
         "Left Top"},
        {"SavePos=1 Width=800 Maximized=1 Left=10 Top=20", "left size0 nopanel save @10,20",
         "Left Top"},
        {"SavePos=1 Top=20", "left size0 nopanel save centre", ""},
    });
}

// A failed read keeps what the steps before it gave and nothing after it, its own step included.
TEST(ReadStartupSettings, FailedReadStopsAtItsStep) {
    const std::string order[] = {"ToolbarPosition", "SizeType", "Width", "Height",
                                 "Maximized",       "Left",     "Top"};
    const std::string applied[] = {"",
                                   "top",
                                   "top size2 panel save",
                                   "top size2 panel save",
                                   "top size2 panel save",
                                   "top size2 panel save 1x1 max",
                                   "top size2 panel save 1x1 max"};
    for (const auto& [bad, message] : {std::pair{"sz", "Invalid data type for '"},
                                       std::pair{"bin", "Failed to get data for '"}}) {
        std::string reads;
        for (std::size_t i = 0; i < std::size(order); ++i) {
            std::string values = "ShowProgress=1 SavePos=1";
            for (std::size_t j = 0; j < std::size(order); ++j)
                values += " " + order[j] + "=" + (i == j ? bad : j == 1 ? "2" : "1");
            reads += (i ? " " : "") + order[i];
            Check({{values, applied[i] + (i ? " !" : "!") + message + order[i] + "'", reads}});
        }
    }
    // Presence-only values are never read, whatever they hold.
    Check({{"ShowProgress=sz SavePos=bin Width=800 Height=600",
            "left size0 panel save 800x600 centre", "Width Height"}});
}

TEST(WritePlacement, ValuesInOrderOnlyWithSavePos) {
    MemoryStore saving("SavePos=0");
    WritePlacement(saving, {1024, 768, -5, 40, true}, 96);
    WritePlacement(saving, {1, 2, 3, 4, false}, 144);
    EXPECT_EQ(saving.writes, "Width=1024 Height=768 Left=-5 Top=40 Maximized=1 PlacementDpi=96 "
                             "Width=1 Height=2 Left=3 Top=4 Maximized=0 PlacementDpi=144");

    MemoryStore notSaving("Width=800 Maximized=1");
    WritePlacement(notSaving, {1024, 768, -5, 40, true}, 96);
    EXPECT_EQ(notSaving.writes, "");

    MemoryStore failing("SavePos=1");
    failing.failWrite = "Left";
    try {
        WritePlacement(failing, {1024, 768, -5, 40, true}, 96);
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Left'");
    }
}

// A size saved at one DPI comes back in proportion at another; placements without a DPI, or with
// one no monitor has, come back as stored.
TEST(ClientSizeAt, ScalesBetweenDpis) {
    struct {
        ClientSize saved;
        std::optional<int> savedDpi;
        int dpi;
        ClientSize expected;
    } const cases[] = {
        {{606, 462}, 96, 144, {909, 693}},           {{909, 693}, 144, 96, {606, 462}},
        {{607, 463}, 96, 120, {759, 579}},           {{606, 462}, 144, 144, {606, 462}},
        {{606, 462}, std::nullopt, 144, {606, 462}}, {{606, 462}, 0, 144, {606, 462}},
        {{606, 462}, 100000, 96, {606, 462}},
    };
    for (const auto& c : cases) {
        const ClientSize got = ClientSizeAt(c.saved, c.savedDpi, c.dpi);
        EXPECT_EQ(got, c.expected) << c.saved.width << " at " << c.savedDpi.value_or(-1) << " to "
                                   << c.dpi << " gave " << got.width << "x" << got.height;
    }
}

} // namespace
} // namespace quillon::ui
