#pragma once
// The GUI dispatcher in memory: the thread that made it is the GUI thread. Calls the worker makes
// through RunOnGuiThread run there while that thread waits in WaitServing, as on the window.
#include "verify/GuiDispatcher.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quillon::test {

class FakeDispatcher : public GuiDispatcher {
public:
    // Calls that ran on the GUI thread.
    int served = 0;

    void RunOnGuiThread(const std::function<void()>& work) override {
        if (std::this_thread::get_id() == gui_) {
            work();
            return;
        }
        bool done = false;
        std::unique_lock lock(m_);
        tasks_.push_back([&] {
            work();
            std::lock_guard inner(m_);
            done = true;
            cv_.notify_all();
        });
        cv_.notify_all();
        cv_.wait(lock, [&] { return done; });
    }

    void PostToGuiThread(std::function<void()> work) override {
        std::lock_guard lock(m_);
        posted_.push_back(std::move(work));
        cv_.notify_all();
    }

    // Runs the posted calls as the GUI thread's loop would; their count.
    int RunPosted() {
        std::deque<std::function<void()>> work;
        {
            std::lock_guard lock(m_);
            work.swap(posted_);
        }
        for (auto& call : work)
            call();
        return static_cast<int>(work.size());
    }

    // Serves the worker's calls and the posted ones until done() holds, calling idle() between
    // rounds as a window's timer would.
    void ServeUntil(const std::function<bool()>& done, const std::function<void()>& idle = {}) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!done()) {
            std::function<void()> task;
            {
                std::unique_lock lock(m_);
                cv_.wait_for(lock, std::chrono::milliseconds(1),
                             [&] { return !tasks_.empty() || !posted_.empty(); });
                if (!tasks_.empty()) {
                    task = std::move(tasks_.front());
                    tasks_.pop_front();
                }
            }
            if (task) {
                task();
                ++served;
            }
            RunPosted();
            if (idle)
                idle();
            if (std::chrono::steady_clock::now() > deadline) {
                std::fputs("FakeDispatcher: never done\n", stderr);
                std::abort();
            }
        }
    }

    void WaitServing(const platform::Event& ended) override {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(m_);
                cv_.wait_for(lock, std::chrono::milliseconds(1), [&] { return !tasks_.empty(); });
                if (!tasks_.empty()) {
                    task = std::move(tasks_.front());
                    tasks_.pop_front();
                }
            }
            if (task) {
                task();
                ++served;
                continue;
            }
            if (ended.IsSet())
                return;
            if (std::chrono::steady_clock::now() > deadline) {
                std::fputs("FakeDispatcher: the worker never ended\n", stderr);
                std::abort();
            }
        }
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> tasks_;
    std::deque<std::function<void()>> posted_;
    std::thread::id gui_ = std::this_thread::get_id();
};

} // namespace quillon::test
