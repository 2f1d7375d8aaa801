#include "core/Progress.h"
#include "platform/Clock.h"
#include "platform/NumberFormat.h"
#include "tests/verify/FakeView.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

TEST(FormatDuration, OnlyTheHourHasASingular) {
    const struct {
        std::int64_t seconds;
        const char* text;
    } cases[] = {
        {0, "0 seconds"},
        {1, "1 seconds"},
        {59, "59 seconds"},
        {60, "1 minutes 0 seconds"},
        {61, "1 minutes 1 seconds"},
        {3599, "59 minutes 59 seconds"},
        {3600, "1 hour 0 minutes 0 seconds"},
        {3605, "1 hour 0 minutes 5 seconds"},
        {7199, "1 hour 59 minutes 59 seconds"},
        {7384, "2 hours 3 minutes 4 seconds"},
        {90000, "25 hours 0 minutes 0 seconds"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Narrow(FormatDuration(c.seconds)), c.text) << c.seconds;
}

class UpdateProgressTest : public ::testing::Test {
protected:
    UpdateProgressTest() {
        static const platform::NumberFormat english{L',', L'.'};
        platform::OverrideNumberFormat(&english);
        platform::SetTickSource([this] { return now; });
    }
    ~UpdateProgressTest() override {
        platform::SetTickSource(nullptr);
        platform::OverrideNumberFormat(nullptr);
    }
    // A run as a check starts it at the tick `start`.
    void Start(std::int64_t total, std::uint64_t start) {
        now = start;
        p.TotalBytes = total;
        p.DoneBytes = 0;
        p.NextRateTick = start;
        p.SetBars(0);
        p.StartTick = start;
        view.fileBar.clear();
        view.totalBar.clear();
    }

    std::uint64_t now = 0;
    FakeView view;
    RunProgress p{&view};
};

TEST_F(UpdateProgressTest, BarsMoveOnlyWhenTheirPositionChanges) {
    Start(1000, 0); // the clock stands still: no texts
    p.UpdateProgress(10, 100);
    p.UpdateProgress(10, 0);
    p.UpdateProgress(20, 100);
    EXPECT_EQ(view.fileBar, (std::vector<std::int32_t>{10, 20}));
    EXPECT_EQ(view.totalBar, (std::vector<std::int32_t>{10, 20}));
    EXPECT_EQ(p.LastFilePercent, 20);
    EXPECT_EQ(p.LastTotalPercent, 20);
    EXPECT_TRUE(view.rateTexts.empty());
    // The percent is taken as an unsigned byte.
    p.UpdateProgress(300, 0);
    p.UpdateProgress(-1, 0);
    EXPECT_EQ(view.fileBar, (std::vector<std::int32_t>{10, 20, 44, 255}));
}

TEST_F(UpdateProgressTest, TotalPercentRoundsHalvesToEven) {
    Start(200, 0);
    p.UpdateProgress(0, 1); // 0.5 -> 0: unchanged
    EXPECT_TRUE(view.totalBar.empty());
    p.UpdateProgress(0, 2); // 1.5 -> 2
    p.UpdateProgress(0, 2); // 2.5 -> 2
    p.UpdateProgress(0, 2); // 3.5 -> 4
    EXPECT_EQ(view.totalBar, (std::vector<std::int32_t>{2, 4}));
}

TEST_F(UpdateProgressTest, ElapsedSecondsRoundHalvesToEvenAndNeverZero) {
    constexpr std::int64_t MiB = 1 << 20;
    Start(100 * MiB, 0);
    const struct {
        std::uint64_t tick;
        std::int64_t doneMiB; // read so far
        const char* rate;
    } steps[] = {
        {1, 1, "(1.00 MB/s)"},    // 0 s counts as 1
        {500, 2, "(2.00 MB/s)"},  // 0.5 -> 0 -> 1
        {1449, 3, "(3.00 MB/s)"}, // 1.449 -> 1
        {1500, 4, "(2.00 MB/s)"}, // 1.5 -> 2
        {2500, 6, "(3.00 MB/s)"}, // 2.5 -> 2
        {3500, 8, "(2.00 MB/s)"}, // 3.5 -> 4
    };
    for (const auto& s : steps) {
        now = s.tick;
        p.UpdateProgress(0, static_cast<std::int32_t>(s.doneMiB * MiB - p.DoneBytes));
        ASSERT_FALSE(view.rateTexts.empty());
        EXPECT_EQ(view.rateTexts.back(), s.rate) << s.tick;
    }
    EXPECT_EQ(view.rateTexts.size(), std::size(steps));
}

TEST_F(UpdateProgressTest, TextsChangeAtMostEveryFiftyMilliseconds) {
    Start(1 << 20, 100);
    p.UpdateProgress(0, 1024); // same tick as the start: not greater
    EXPECT_TRUE(view.rateTexts.empty());
    now = 101;
    p.UpdateProgress(0, 1024);
    now = 151;
    p.UpdateProgress(0, 1024); // 151 is not greater than 101 + 50
    EXPECT_EQ(view.rateTexts.size(), 1u);
    now = 152;
    p.UpdateProgress(0, 1024);
    EXPECT_EQ(view.rateTexts.size(), 2u);
    EXPECT_EQ(view.timeTexts.size(), 2u);
    EXPECT_EQ(p.NextRateTick, 202u);
}

TEST_F(UpdateProgressTest, ZeroRateCountsAsOneKilobytePerSecond) {
    Start(10 * 1024, 0);
    now = 1;
    p.UpdateProgress(0, 0);
    EXPECT_EQ(view.rateTexts.back(), "(0.00 MB/s)");
    // 10 KiB left at 1 KB/s: 10 s, shown as one more.
    EXPECT_EQ(view.timeTexts.back(), "Estimated Time Left: 11 seconds");
}

TEST_F(UpdateProgressTest, TimeLeftIsOneSecondWhenEverythingIsRead) {
    Start(4096, 0);
    now = 2000;
    p.UpdateProgress(100, 4096);
    EXPECT_EQ(view.timeTexts.back(), "Estimated Time Left: 1 seconds");
    EXPECT_EQ(view.totalBar.back(), 100);
    // A file that grew since its size was taken: never a negative time left.
    now = 3000;
    p.UpdateProgress(100, 65536);
    EXPECT_EQ(view.timeTexts.back(), "Estimated Time Left: 1 seconds");
}

TEST_F(UpdateProgressTest, TimeLeftFromRate) {
    constexpr std::int64_t MiB = 1 << 20;
    Start(100 * MiB, 0);
    now = 10000;
    p.UpdateProgress(50, static_cast<std::int32_t>(10 * MiB)); // 1 MB/s, 90 MiB left
    EXPECT_EQ(view.rateTexts.back(), "(1.00 MB/s)");
    EXPECT_EQ(view.timeTexts.back(), "Estimated Time Left: 1 minutes 31 seconds");
}

TEST_F(UpdateProgressTest, RateUsesTheLocaleDecimalSeparator) {
    static const platform::NumberFormat german{L'.', L','};
    platform::OverrideNumberFormat(&german);
    Start(100 << 20, 0);
    now = 2000;
    p.UpdateProgress(0, 3 << 20);
    EXPECT_EQ(view.rateTexts.back(), "(1,50 MB/s)");
}

TEST_F(UpdateProgressTest, NothingShownWithoutTotal) {
    Start(0, 0);
    now = 1000;
    p.UpdateProgress(100, 0);
    p.UpdateProgress(100, 10);
    EXPECT_EQ(p.DoneBytes, 10);
    EXPECT_TRUE(view.fileBar.empty());
    EXPECT_TRUE(view.rateTexts.empty());
}

// The speed at the end is the bytes over the whole time: 48 MB in 800 ms is 60 MB/s, not a
// figure from the first block (the first text came after 10 ms and 1 MiB).
TEST_F(UpdateProgressTest, FinalRateIsBytesOverTheWholeTime) {
    Start(48 << 20, 0);
    now = 10;
    p.UpdateProgress(2, 1 << 20);
    now = 800;
    p.UpdateProgress(100, 47 << 20);
    p.ShowFinalRate();
    EXPECT_EQ(view.rateTexts.back(), "(60.00 MB/s)");
}

// A run of small files after one that ended at 100 still moves the file bar: the remembered
// position follows the reset to 0.
TEST_F(UpdateProgressTest, BarPositionsFollowTheResets) {
    Start(100, 0);
    p.UpdateProgress(100, 100);
    p.SetBars(100); // end of the run
    Start(100, 0);
    p.UpdateProgress(100, 100);
    EXPECT_EQ(view.fileBar, (std::vector<std::int32_t>{100}));
    EXPECT_EQ(view.totalBar, (std::vector<std::int32_t>{100}));
}

TEST_F(UpdateProgressTest, ClockIsSixtyFourBit) {
    // A run that starts just before the 32-bit millisecond counter would wrap.
    const std::uint64_t start = 0xFFFFFF00ull;
    Start(1 << 20, start);
    now = start + 0x200; // 512 ms later, past 2^32
    p.UpdateProgress(0, 1 << 19);
    ASSERT_EQ(view.rateTexts.size(), 1u);
    EXPECT_EQ(view.rateTexts.back(), "(0.50 MB/s)");
    EXPECT_EQ(p.NextRateTick, start + 0x200 + 50);
    now = start + 2500;
    EXPECT_EQ(p.ElapsedSeconds(), 2);
}

} // namespace
} // namespace quillon::test
