#pragma once
#include <atomic>
#include <chrono>

namespace quillon {

// One digest's process-wide choice of routine, made as MD5 makes it: at the first use, by best
// (which may measure), unless tests or benchmarks selected one for the whole process.
template <class Path> class PathChoice {
public:
    using Best = Path (*)();
    // constexpr: constant-initialised, so no static initialiser of another unit runs before it.
    explicit constexpr PathChoice(Best best) : best_(best) {}

    Path Current() {
        int p = active_.load(std::memory_order_relaxed);
        if (p < 0) {
            // A path selected meanwhile by another thread wins over the measured one.
            const int best = static_cast<int>(best_());
            if (active_.compare_exchange_strong(p, best, std::memory_order_relaxed))
                p = best;
        }
        return static_cast<Path>(p);
    }

    // Returns the path used before.
    Path Select(Path path) {
        const Path before = Current();
        active_.store(static_cast<int>(path), std::memory_order_relaxed);
        return before;
    }

private:
    Best best_;
    std::atomic<int> active_{-1};
};

// The index of the fastest of count routines, run(i) running routine i on the same few KiB. The
// best of several tries drops those an interrupt or a busy neighbour stretched; the order turns
// every round so that a clock speeding up meanwhile favours none. A later routine must beat the
// one listed before it by 1/32: near a tie the simpler one stays. A fraction of a millisecond.
template <class Run> int FastestRoutine(int count, Run run) {
    using Clock = std::chrono::steady_clock;
    constexpr int MaxCount = 8, MinRounds = 3, MaxRounds = 6;
    if (count > MaxCount)
        count = MaxCount;
    Clock::duration best[MaxCount];
    for (auto& b : best)
        b = Clock::duration::max();
    constexpr auto Budget = std::chrono::microseconds(600);
    const auto begin = Clock::now();
    for (int round = 0; round < MaxRounds; ++round) {
        for (int k = 0; k < count; ++k) {
            const int which = (round + k) % count;
            // The barriers keep the work between the two readings of the clock.
            __asm__ volatile("" : : : "memory");
            const auto start = Clock::now();
            run(which);
            __asm__ volatile("" : : : "memory");
            const auto took = Clock::now() - start;
            if (took < best[which])
                best[which] = took;
        }
        if (round + 1 >= MinRounds && Clock::now() - begin > Budget)
            break;
    }
    int winner = 0;
    for (int i = 1; i < count; ++i)
        if (best[i] < best[winner] - best[winner] / 32)
            winner = i;
    return winner;
}

} // namespace quillon
