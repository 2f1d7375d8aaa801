#pragma once
#include <memory>

namespace quillon::platform {

// A manual-reset event: once set, every wait returns until it is reset. The window's thread waits
// on it together with its messages (Win32: the handle goes to MsgWaitForMultipleObjectsEx).
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // Returns once the event is set.
    void Wait() const;
    // Returns true once the event is set, false when milliseconds have passed first.
    bool WaitFor(unsigned milliseconds) const;
    // Win32: the event's HANDLE; POSIX: nullptr.
    void* NativeHandle() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace quillon::platform
