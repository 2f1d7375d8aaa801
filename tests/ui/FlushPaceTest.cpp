#include "ui/FlushPace.h"

#include <gtest/gtest.h>

namespace quillon::ui {
namespace {

TEST(FlushPace, SlowsWhilePaintingCostsAndComesBack) {
    unsigned period = FlushPace::FastestMs;
    // A little over a twentieth of the time painting: doubles up to the slowest, no further.
    for (unsigned expected : {200u, 400u, 800u, 800u}) {
        period = FlushPace::Next(period, 60, 1000);
        EXPECT_EQ(period, expected);
    }
    // Much more: straight to the period that would bring it to about a thirtieth.
    EXPECT_EQ(FlushPace::Next(100, 130, 1000), 390u);
    EXPECT_EQ(FlushPace::Next(200, 330, 1000), 800u);
    EXPECT_EQ(FlushPace::Next(100, 5000, 1), 800u);
    // Between the two marks it stays; little painting halves it back to the fastest.
    EXPECT_EQ(FlushPace::Next(period, 35, 1000), 800u);
    EXPECT_EQ(FlushPace::Next(period, 60, 1000), 800u);
    for (unsigned expected : {400u, 200u, 100u, 100u}) {
        period = FlushPace::Next(period, 10, 1000);
        EXPECT_EQ(period, expected);
    }
    EXPECT_EQ(FlushPace::Next(400, 500, 0), 400u) << "no time passed: no change";
}

} // namespace
} // namespace quillon::ui
