#pragma once
#include <exception>

namespace quillon::win {

// Runs call and returns its result; an exception out of it goes to onException (nullptr for one
// not derived from std::exception) and fallback is returned. Nothing unwinds: for window
// procedures and thread entry points, where an exception would cross into the system.
template <typename Result, typename Call, typename OnException>
Result Guarded(Call&& call, OnException&& onException, Result fallback) noexcept {
    try {
        return call();
    } catch (const std::exception& e) {
        try {
            onException(&e);
        } catch (...) {
        }
    } catch (...) {
        try {
            onException(nullptr);
        } catch (...) {
        }
    }
    return fallback;
}

} // namespace quillon::win
