#pragma once
#include <cstdint>
#include <functional>

// Monotonic millisecond clock, 64-bit so it never wraps within a run. Injectable for tests.
namespace quillon::platform {

std::uint64_t TickCount64();

// Replaces the clock (nullptr restores the system clock). Not thread-safe against running readers:
// set it before a run starts.
void SetTickSource(std::function<std::uint64_t()> source);

} // namespace quillon::platform
