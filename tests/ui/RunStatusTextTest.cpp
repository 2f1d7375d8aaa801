#include "ui/RunStatusText.h"

#include "platform/NumberFormat.h"

#include <gtest/gtest.h>

namespace quillon::ui {
namespace {

// Short enough for the panel beside the counts while the run goes; the end text as it is.
TEST(RunStatusText, RunningAndEnded) {
    static const platform::NumberFormat english{L',', L'.'};
    platform::OverrideNumberFormat(&english);
    const struct {
        std::optional<RunFigures> figures;
        const char *time, *shown;
    } cases[] = {
        {RunFigures{42, 12.5, 65}, "Estimated Time Left: 1 minutes 5 seconds",
         "42%, 12.5 MB/s, 1:05 left"},
        {RunFigures{7, 0.254, 7384}, "", "7%, 0.25 MB/s, 2:03:04 left"},
        {RunFigures{12, 354.02, 32}, "Estimated Time Left: 32 seconds", "12%, 354 MB/s, 0:32 left"},
        {RunFigures{43, 1076.2, 3}, "Estimated Time Left: 3 seconds", "43%, 1.05 GB/s, 0:03 left"},
        {std::nullopt, "", ""},
        {RunFigures{100, 60, 1}, "Complete in 57 seconds", "Complete in 57 seconds"},
        {RunFigures{63, 60, 9}, "Aborted", "Aborted"},
        {std::nullopt, "Complete in 0 seconds: 2 selected of 44 checked",
         "Complete in 0 seconds: 2 selected of 44 checked"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunStatusText(c.figures, ViewTextFromAscii(c.time)), ViewTextFromAscii(c.shown))
            << c.time;
    platform::OverrideNumberFormat(nullptr);
}

} // namespace
} // namespace quillon::ui
