#include "core/Blake3Parallel.h"

#include "platform/Processors.h"

#include <algorithm>
#include <exception>

namespace quillon {

namespace {
constexpr std::size_t TakeAtOnce = 8;
} // namespace

Blake3Workers::Blake3Workers(unsigned threads) {
    // A thread the system refuses only means less help: Finish does what no worker takes.
    try {
        threads_.reserve(threads);
        for (unsigned i = 0; i < threads; ++i)
            threads_.emplace_back([this] { Loop(); });
    } catch (const std::exception&) {
    }
}

Blake3Workers::~Blake3Workers() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_)
        t.join();
}

void Blake3Workers::Start(const unsigned char* data, std::size_t count, std::uint64_t first,
                          Blake3Subtree* out) {
    {
        std::lock_guard lock(mutex_);
        data_ = data;
        count_ = count;
        first_ = first;
        out_ = out;
        next_ = 0;
        finished_ = 0;
        ++generation_;
    }
    wake_.notify_all();
}

// Takes a few subtrees at a time under the lock, next to each other: each is some microseconds of
// hashing, the lock a few dozen nanoseconds, and a thread that goes on where it was finds the
// bytes it asked for ahead already there. Fewer towards the end, so that all end together.
void Blake3Workers::Work() {
    std::unique_lock lock(mutex_);
    while (next_ < count_) {
        const std::size_t first = next_;
        const std::size_t share = (count_ - first) / (2 * (threads_.size() + 1));
        const std::size_t take = std::clamp<std::size_t>(share, 1, TakeAtOnce);
        next_ += take;
        lock.unlock();
        for (std::size_t i = first; i < first + take; ++i)
            Blake3HashSubtree(data_ + i * Blake3SubtreeSize, first_ + i, out_[i]);
        lock.lock();
        finished_ += take;
        if (finished_ == count_)
            done_.notify_all();
    }
}

void Blake3Workers::Loop() {
    std::unique_lock lock(mutex_);
    std::uint64_t seen = 0;
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_)
            return;
        seen = generation_;
        ++inside_;
        lock.unlock();
        Work();
        lock.lock();
        if (--inside_ == 0)
            done_.notify_all();
    }
}

void Blake3Workers::Finish() {
    Work();
    std::unique_lock lock(mutex_);
    // What is left is one subtree per worker at most, tens of microseconds: yielding meanwhile
    // costs less than sleeping and being woken, and leaves the processor to whoever needs it.
    for (int i = 0; i < 200 && !(finished_ == count_ && inside_ == 0); ++i) {
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
    done_.wait(lock, [&] { return finished_ == count_ && inside_ == 0; });
}

unsigned Blake3Threads() {
    const unsigned n = platform::UsableProcessors();
    return n > 16 ? 16 : n;
}

} // namespace quillon
