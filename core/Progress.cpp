#include "core/Progress.h"

#include "platform/Clock.h"
#include "platform/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace quillon {

namespace {

constexpr std::uint64_t kRateInterval = 50; // ms between two updates of the texts

// "(%1.2f MB/s)" with the user's decimal separator.
ViewText RateText(double megabytesPerSecond) {
    char digits[64];
    std::snprintf(digits, sizeof digits, "%1.2f", megabytesPerSecond);
    ViewText text = ViewTextFromAscii("(");
    for (const char* p = digits; *p; ++p) {
        if (*p == '.')
            AppendFormatChar(text, platform::UserNumberFormat().decimalSeparator);
        else
            text.push_back(static_cast<ViewChar>(*p));
    }
    text += ViewTextFromAscii(" MB/s)");
    return text;
}

void AppendNumber(ViewText& text, std::int64_t n) {
    text += ViewTextFromAscii(std::to_string(n));
}

} // namespace

void RunProgress::UpdateProgress(std::int32_t percent, std::int32_t bytes) {
    DoneBytes += bytes;
    if (TotalBytes == 0 || !view_)
        return;

    // The bars move only when their position changes: a run of one-block files would flood them.
    const std::int32_t filePercent = static_cast<std::uint8_t>(percent);
    if (filePercent != LastFilePercent)
        view_->SetFileProgress(filePercent);
    LastFilePercent = filePercent;
    const auto totalPercent = static_cast<std::int32_t>(
        std::nearbyint(static_cast<double>(DoneBytes) / static_cast<double>(TotalBytes) * 100.0));
    if (totalPercent != LastTotalPercent)
        view_->SetTotalProgress(totalPercent);
    LastTotalPercent = totalPercent;

    const std::uint64_t now = platform::TickCount64();
    if (now <= NextRateTick)
        return;
    NextRateTick = now + kRateInterval;

    std::int64_t elapsed = ElapsedSeconds();
    if (elapsed == 0)
        elapsed = 1;
    double rate = static_cast<double>(DoneBytes) / 1024.0 / static_cast<double>(elapsed);
    if (rate == 0.0)
        rate = 1.0;
    view_->SetRateText(RateText(rate / 1024.0));

    auto left = static_cast<std::int64_t>(
        std::nearbyint(static_cast<double>(TotalBytes - DoneBytes) / rate / 1024.0));
    // Files that grew since their sizes were taken would give a negative time.
    if (left < 0)
        left = 0;
    view_->SetTimeText(ViewTextFromAscii("Estimated Time Left: ") + FormatDuration(left + 1));
    view_->SetRunFigures({totalPercent, rate / 1024.0, left + 1});
}

void RunProgress::SetBars(std::int32_t percent) {
    if (view_) {
        view_->SetFileProgress(percent);
        view_->SetTotalProgress(percent);
    }
    LastFilePercent = percent;
    LastTotalPercent = percent;
}

void RunProgress::ShowFinalRate() {
    if (!view_ || DoneBytes == 0)
        return;
    const std::uint64_t ms = std::max<std::uint64_t>(1, platform::TickCount64() - StartTick);
    view_->SetRateText(
        RateText(static_cast<double>(DoneBytes) / 1048576.0 / (static_cast<double>(ms) / 1000.0)));
}

std::int64_t RunProgress::ElapsedSeconds() const {
    const std::uint64_t ms = platform::TickCount64() - StartTick;
    return static_cast<std::int64_t>(std::nearbyint(static_cast<double>(ms) / 1000.0));
}

ViewText FormatDuration(std::int64_t seconds) {
    const std::int64_t h = seconds / 3600;
    const std::int64_t rest = seconds - h * 3600;
    const std::int64_t m = rest / 60;
    const std::int64_t s = rest - m * 60;
    ViewText text;
    if (h >= 1) {
        AppendNumber(text, h);
        text += ViewTextFromAscii(h >= 2 ? " hours " : " hour ");
    }
    if (h >= 1 || m >= 1) {
        AppendNumber(text, m);
        text += ViewTextFromAscii(" minutes ");
    }
    AppendNumber(text, s);
    text += ViewTextFromAscii(" seconds");
    return text;
}

} // namespace quillon
