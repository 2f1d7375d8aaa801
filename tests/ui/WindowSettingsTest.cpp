#include "ui/WindowSettings.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quillon::ui {
namespace {

// Values as "Name=number", "Name=sz" (a string) or "Name=bin" (longer than a DWORD); reads
// throw the registry's texts, so a read the rules do not allow shows up as a wrong result.
class MemoryStore final : public SettingsStore {
public:
    explicit MemoryStore(const std::string& values) {
        std::istringstream in(values);
        for (std::string item; in >> item;) {
            const auto eq = item.find('=');
            values_[std::wstring(item.begin(), item.begin() + eq)] = item.substr(eq + 1);
        }
    }
    bool ValueExists(std::wstring_view name) const override { return values_.contains(name); }
    std::int32_t ReadInteger(std::wstring_view name) const override {
        const std::string n(name.begin(), name.end());
        reads += (reads.empty() ? "" : " ") + n;
        const auto it = values_.find(name);
        if (it == values_.end() || it->second == "bin")
            throw std::runtime_error("Failed to get data for '" + n + "'");
        if (it->second == "sz")
            throw std::runtime_error("Invalid data type for '" + n + "'");
        return std::stoi(it->second);
    }
    void WriteInteger(std::wstring_view name, std::int32_t value) override {
        const std::string n(name.begin(), name.end());
        if (n == failWrite)
            throw std::runtime_error("Failed to set data for '" + n + "'");
        writes += (writes.empty() ? "" : " ") + n + "=" + std::to_string(value);
    }

    mutable std::string reads;
    std::string writes;
    std::string failWrite;

private:
    std::map<std::wstring, std::string, std::less<>> values_;
};

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

TEST(WritePlacement, FiveValuesInOrderOnlyWithSavePos) {
    MemoryStore saving("SavePos=0");
    WritePlacement(saving, {1024, 768, -5, 40, true});
    WritePlacement(saving, {1, 2, 3, 4, false});
    EXPECT_EQ(saving.writes, "Width=1024 Height=768 Left=-5 Top=40 Maximized=1 "
                             "Width=1 Height=2 Left=3 Top=4 Maximized=0");

    MemoryStore notSaving("Width=800 Maximized=1");
    WritePlacement(notSaving, {1024, 768, -5, 40, true});
    EXPECT_EQ(notSaving.writes, "");

    MemoryStore failing("SavePos=1");
    failing.failWrite = "Left";
    try {
        WritePlacement(failing, {1024, 768, -5, 40, true});
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Left'");
    }
}

} // namespace
} // namespace quillon::ui
