#pragma once
#include <cstddef>

namespace quillon::platform {

// Guards a view of a file mapped into memory: a file shortened by another program under the view,
// or a disk that fails under it, raises SIGBUS where a read would have returned an error. Within
// a guarded range the signal does not end the process: the range from the failing page on reads
// as zeros from then on, and Faulted says what happened. Any thread may touch the range.
class BusErrorGuard {
public:
    // Guards [begin, begin + size); when no guard is free (many views at once), Active is false
    // and the range must not be mapped.
    BusErrorGuard(const void* begin, std::size_t size);
    ~BusErrorGuard();
    BusErrorGuard(const BusErrorGuard&) = delete;
    BusErrorGuard& operator=(const BusErrorGuard&) = delete;

    bool Active() const { return slot_ >= 0; }
    bool Faulted() const;

private:
    int slot_ = -1;
};

} // namespace quillon::platform
