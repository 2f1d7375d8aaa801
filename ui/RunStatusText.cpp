#include "ui/RunStatusText.h"

#include "platform/NumberFormat.h"

#include <cstdio>
#include <string>

namespace quillon::ui {

namespace {

bool StartsWith(ViewTextView text, std::string_view ascii) {
    if (text.size() < ascii.size())
        return false;
    for (std::size_t i = 0; i < ascii.size(); ++i)
        if (text[i] != static_cast<ViewChar>(ascii[i]))
            return false;
    return true;
}

// As many decimals as say something: 0.25, 12.5, 354 MB/s, 1.05 GB/s.
ViewText Rate(double megabytes) {
    const bool giga = megabytes >= 1000;
    const double value = giga ? megabytes / 1024 : megabytes;
    char digits[32];
    const int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
    std::snprintf(digits, sizeof digits, "%.*f", decimals, value);
    ViewText text;
    for (const char* p = digits; *p; ++p) {
        if (*p == '.')
            AppendFormatChar(text, platform::UserNumberFormat().decimalSeparator);
        else
            text.push_back(static_cast<ViewChar>(*p));
    }
    return text + ViewTextFromAscii(giga ? " GB/s" : " MB/s");
}

// 0:32, 1:05, 2:03:04.
ViewText Clock(std::int64_t seconds) {
    char text[48];
    if (seconds >= 3600)
        std::snprintf(
            text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    return ViewTextFromAscii(text);
}

} // namespace

ViewText RunStatusText(const std::optional<RunFigures>& figures, ViewTextView timeText) {
    const bool running = timeText.empty() || StartsWith(timeText, "Estimated Time Left: ");
    if (!running)
        return ViewText(timeText);
    if (!figures)
        return {};
    return ViewTextFromAscii(std::to_string(figures->totalPercent) + "%, ") +
           Rate(figures->megabytesPerSecond) + ViewTextFromAscii(", ") +
           Clock(figures->secondsLeft) + ViewTextFromAscii(" left");
}

} // namespace quillon::ui
