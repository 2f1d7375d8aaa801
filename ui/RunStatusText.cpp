#include "ui/RunStatusText.h"

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

} // namespace

ViewText RunStatusText(std::int32_t totalPercent, ViewTextView rateText, ViewTextView timeText) {
    constexpr std::string_view leftPrefix = "Estimated Time Left: ";
    const bool running = timeText.empty() || StartsWith(timeText, leftPrefix);
    if (!running)
        return ViewText(timeText);
    ViewText text;
    const auto add = [&text](ViewTextView piece) {
        if (piece.empty())
            return;
        if (!text.empty())
            text += ViewTextFromAscii(", ");
        text += piece;
    };
    if (totalPercent >= 0)
        add(ViewTextFromAscii(std::to_string(totalPercent) + "%"));
    // "(12.50 MB/s)" without its brackets.
    if (rateText.size() > 2 && rateText.front() == ViewChar('(') &&
        rateText.back() == ViewChar(')'))
        rateText = rateText.substr(1, rateText.size() - 2);
    add(rateText);
    if (!timeText.empty())
        add(ViewText(timeText.substr(leftPrefix.size())) + ViewTextFromAscii(" left"));
    return text;
}

} // namespace quillon::ui
