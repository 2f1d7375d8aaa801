#include "ui/RunStatusText.h"

#include <gtest/gtest.h>

namespace quillon::ui {
namespace {

ViewText T(std::string_view ascii) {
    return ViewTextFromAscii(ascii);
}

TEST(RunStatusText, RunningAndEnded) {
    const struct {
        int percent;
        const char *rate, *time, *shown;
    } cases[] = {
        {42, "(12.50 MB/s)", "Estimated Time Left: 1 minutes 5 seconds",
         "42%, 12.50 MB/s, 1 minutes 5 seconds left"},
        {0, "", "", "0%"},
        {-1, "", "", ""},
        {7, "(0,50 MB/s)", "", "7%, 0,50 MB/s"},
        {100, "(60.00 MB/s)", "Complete in 57 seconds", "Complete in 57 seconds"},
        {63, "(60.00 MB/s)", "Aborted", "Aborted"},
        {100, "", "Complete in 0 seconds: 2 selected of 44 checked",
         "Complete in 0 seconds: 2 selected of 44 checked"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunStatusText(c.percent, T(c.rate), T(c.time)), T(c.shown)) << c.time;
}

} // namespace
} // namespace quillon::ui
