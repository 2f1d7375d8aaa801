#pragma once

namespace quillon::ui {

// How often the window shows what a run changed. Each pass paints (a full repaint of the list
// takes tens of milliseconds under Wine), and ten a second held back a check of small files by a
// third on two cores; so the period doubles while the window's thread spends more than a
// twentieth of the time, and halves again once it spends less than a fiftieth. (A tenth was too
// much once a check read on two threads: the display server paints on the same cores, and is
// not counted in this thread's time.)
struct FlushPace {
    static constexpr unsigned FastestMs = 100;
    static constexpr unsigned SlowestMs = 800;
    // The next period from the current one and the thread's CPU and wall milliseconds since the
    // last look.
    static unsigned Next(unsigned periodMs, unsigned long long cpuMs, unsigned long long wallMs);
};

} // namespace quillon::ui
