#include "core/Blake3Parallel.h"

#include "platform/Processors.h"

#include <exception>

namespace quillon {

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

// Takes subtrees one at a time under the lock: each is some microseconds of hashing, the lock a
// few dozen nanoseconds.
void Blake3Workers::Work() {
    std::unique_lock lock(mutex_);
    while (next_ < count_) {
        const std::size_t i = next_++;
        const unsigned char* data = data_ + i * Blake3SubtreeSize;
        const std::uint64_t index = first_ + i;
        Blake3Subtree& out = out_[i];
        lock.unlock();
        Blake3HashSubtree(data, index, out);
        lock.lock();
        if (++finished_ == count_)
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
