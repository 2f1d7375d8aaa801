#include "platform/Event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace quillon::platform {

struct Event::State {
    mutable std::mutex m;
    mutable std::condition_variable cv;
    bool set = false;
};

Event::Event() : state_(std::make_unique<State>()) {}
Event::~Event() = default;

void Event::Set() {
    std::lock_guard lock(state_->m);
    state_->set = true;
    state_->cv.notify_all();
}

void Event::Reset() {
    std::lock_guard lock(state_->m);
    state_->set = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(state_->m);
    return state_->set;
}

void Event::Wait() const {
    std::unique_lock lock(state_->m);
    state_->cv.wait(lock, [this] { return state_->set; });
}

bool Event::WaitFor(unsigned milliseconds) const {
    std::unique_lock lock(state_->m);
    return state_->cv.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [this] { return state_->set; });
}

void* Event::NativeHandle() const {
    return nullptr;
}

} // namespace quillon::platform
