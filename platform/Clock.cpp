#include "platform/Clock.h"

#include <chrono>
#include <mutex>

namespace quillon::platform {

namespace {
std::function<std::uint64_t()>& Source() {
    static std::function<std::uint64_t()> source;
    return source;
}
} // namespace

std::uint64_t TickCount64() {
    if (auto& s = Source()) return s();
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SetTickSource(std::function<std::uint64_t()> source) { Source() = std::move(source); }

} // namespace quillon::platform
