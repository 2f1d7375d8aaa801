#include "platform/Event.h"
#include "platform/win32/ScopedWin.h"

#include <stdexcept>

namespace quillon::platform {

struct Event::State {
    win::UniqueKernelHandle h{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

Event::Event() : state_(std::make_unique<State>()) {
    if (!state_->h)
        throw std::runtime_error("CreateEvent failed");
}

Event::~Event() = default;

void Event::Set() {
    SetEvent(state_->h.Get());
}
void Event::Reset() {
    ResetEvent(state_->h.Get());
}
bool Event::IsSet() const {
    return WaitForSingleObject(state_->h.Get(), 0) == WAIT_OBJECT_0;
}
void Event::Wait() const {
    WaitForSingleObject(state_->h.Get(), INFINITE);
}
bool Event::WaitFor(unsigned milliseconds) const {
    return WaitForSingleObject(state_->h.Get(), milliseconds) == WAIT_OBJECT_0;
}
void* Event::NativeHandle() const {
    return state_->h.Get();
}

} // namespace quillon::platform
