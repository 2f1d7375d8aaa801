#pragma once

namespace quillon::ui {

// How often the window shows what a run changed. Each pass paints (a full repaint of the list
// takes tens of milliseconds under Wine), and ten a second held back a check of small files by a
// third on two cores; so while the window's thread spends more than a twentieth of the time the
// period grows to what would bring it to about a thirtieth (at least doubling), and it halves
// again once the thread spends less than a fiftieth. (A tenth was too much once a check read on
// two threads: the display server paints on the same cores, and is not counted in this thread's
// time.) A run starts a little slower than the fastest and is looked at every half second: a
// check of a few seconds would otherwise spend its first second at the fastest pace.
struct FlushPace {
    static constexpr unsigned FastestMs = 100;
    static constexpr unsigned SlowestMs = 800;
    static constexpr unsigned StartMs = 200;
    static constexpr unsigned LookEveryMs = 500;
    // The next period from the current one and the thread's CPU and wall milliseconds since the
    // last look.
    static unsigned Next(unsigned periodMs, unsigned long long cpuMs, unsigned long long wallMs);
};

} // namespace quillon::ui
