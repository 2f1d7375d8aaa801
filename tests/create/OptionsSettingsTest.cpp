#include "create/OptionsSettings.h"

#include "tests/util/MemorySettings.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

using test::MemoryStore;

std::string Describe(const OptionValues& v) {
    return "size" + std::to_string(v.sizeType) + " layout" + std::to_string(v.toolbarLayout) +
           (v.savePos ? " savepos" : "") + (v.showProgress ? " progress" : "");
}

// What the dialog shows for what the key holds: presence for the two boxes, the number for the
// two combo boxes, which a number out of range or a bad value leaves without a selection.
TEST(OptionsSettings, ReadShowsWhatTheKeyHolds) {
    const struct {
        const char* values;
        const char* shown;
        const char* errors;
    } cases[] = {
        {"", "size0 layout0", ""},
        {"SavePos=0 ShowProgress=0", "size0 layout0 savepos progress", ""},
        {"SizeType=2 ToolbarPosition=1", "size2 layout1", ""},
        {"SizeType=3 ToolbarPosition=2", "size-1 layout-1", ""},
        {"SizeType=-1 ToolbarPosition=-1", "size-1 layout-1", ""},
        {"SizeType=sz ToolbarPosition=1 SavePos=sz", "size-1 layout1 savepos",
         "Invalid data type for 'SizeType'|"},
        {"SizeType=1 ToolbarPosition=bin", "size1 layout-1",
         "Failed to get data for 'ToolbarPosition'|"},
    };
    for (const auto& c : cases) {
        MemoryStore store(c.values);
        std::vector<std::string> errors;
        EXPECT_EQ(Describe(ReadOptionValues(&store, errors)), c.shown) << c.values;
        std::string joined;
        for (const auto& e : errors)
            joined += e + "|";
        EXPECT_EQ(joined, c.errors) << c.values;
    }
    std::vector<std::string> errors;
    EXPECT_EQ(Describe(ReadOptionValues(nullptr, errors)), "size-1 layout-1");
}

// OK writes the indexes as they are (no selection is -1) and the two boxes by presence, in order;
// a failed write stops there.
TEST(OptionsSettings, WriteStoresIndexesAndPresence) {
    MemoryStore store("SavePos=1 ShowProgress=1");
    WriteOptionValues(store, {1, 0, false, true});
    WriteOptionValues(store, {-1, 1, true, false});
    EXPECT_EQ(store.writes, "SizeType=1 ToolbarPosition=0 SavePos=deleted ShowProgress=1 "
                            "SizeType=-1 ToolbarPosition=1 SavePos=1 ShowProgress=deleted");
    EXPECT_TRUE(store.ValueExists(L"SavePos"));
    EXPECT_FALSE(store.ValueExists(L"ShowProgress"));

    MemoryStore failing;
    failing.failWrite = "SavePos";
    EXPECT_THROW(WriteOptionValues(failing, {0, 0, false, false}), std::runtime_error);
    EXPECT_EQ(failing.writes, "SizeType=0 ToolbarPosition=0");
}

} // namespace
} // namespace quillon
