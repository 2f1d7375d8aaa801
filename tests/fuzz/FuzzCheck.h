#pragma once
// A failed property aborts, which libFuzzer reports as a crash and saves the input for.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace quillon::fuzz {

// True when part lies wholly within whole (as memory, not as text). An empty part holds no byte,
// so wherever it points it is within.
inline bool Within(std::string_view part, std::string_view whole) {
    const auto p = reinterpret_cast<std::uintptr_t>(part.data());
    const auto w = reinterpret_cast<std::uintptr_t>(whole.data());
    return part.empty() || (p >= w && p + part.size() <= w + whole.size());
}

} // namespace quillon::fuzz
