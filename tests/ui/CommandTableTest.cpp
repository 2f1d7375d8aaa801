#include "ui/CommandTable.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon::ui {
namespace {

// Each row: the commands enabled ('x') or not ('.') in the order of the Command enum, for one
// mode, phase and list: New Open Check Abort Display Options About Drop Delete Select Update Report.
TEST(CommandTable, EveryModeAndPhase) {
    using enum RunPhase;
    const struct {
        WindowMode mode;
        RunPhase phase;
        bool checkable;
        bool loaded;
        const char* enabled;
    } rows[] = {
        {WindowMode::Verify, Idle, true, true, "xxxxxxxxxxxx"},
        {WindowMode::Verify, Idle, true, false, "xxxxxxxxxx.."},
        {WindowMode::Verify, Idle, false, true, "xx.xxxxxxxxx"},
        {WindowMode::Verify, Loading, true, true, "...x.xx..x.."},
        {WindowMode::Verify, Checking, true, true, "...x.xx..x.."},
        {WindowMode::Verify, Updating, true, true, "...x........"},
        {WindowMode::Create, Idle, false, true, "x.xx.xxx.x.."},
        {WindowMode::Create, Creating, true, true, "...x........"},
        {WindowMode::Create, Loading, true, true, "...x.xx..x.."},
    };
    for (const auto& r : rows) {
        std::string got;
        for (int c = 0; c < CommandCount; ++c)
            got +=
                CommandEnabled(static_cast<Command>(c), {r.mode, r.phase, r.checkable, r.loaded})
                    ? 'x'
                    : '.';
        EXPECT_EQ(got, r.enabled) << "mode " << static_cast<int>(r.mode) << " phase "
                                  << static_cast<int>(r.phase) << " checkable " << r.checkable;
    }
}

} // namespace
} // namespace quillon::ui
