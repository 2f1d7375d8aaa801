#include "platform/NumberFormat.h"

#include "platform/SystemNumberFormat.h"

#include <atomic>

namespace quillon::platform {

namespace {
NumberFormat pinnedFormat;
std::atomic<bool> pinned{false};
} // namespace

const NumberFormat& UserNumberFormat() {
    if (pinned.load(std::memory_order_acquire)) return pinnedFormat;
    static const NumberFormat user = SystemNumberFormat();
    return user;
}

void OverrideNumberFormat(const NumberFormat* format) {
    if (!format) {
        pinned.store(false, std::memory_order_release);
        return;
    }
    pinnedFormat = *format;
    pinned.store(true, std::memory_order_release);
}

} // namespace quillon::platform
