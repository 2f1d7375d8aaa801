#pragma once
#include <atomic>
#include <cstddef>
#include <thread>

namespace quillon {

class Md5ReadAhead;
class VerifyModel;

// The worker of one check. Owned by the model, which joins it before anything it uses goes.
class TcrcThread {
public:
    explicit TcrcThread(VerifyModel& model) : model_(model) {}
    // Joins; the owner makes sure first that the worker can end (VerifyModel::WaitForCheck).
    ~TcrcThread();
    TcrcThread(const TcrcThread&) = delete;
    TcrcThread& operator=(const TcrcThread&) = delete;

    void Start();
    void Join();
    // True once the thread has nothing left to do but return.
    bool Finished() const { return finished_; }

    // true: every entry that has a row; false: the entries of the selected rows. Set by
    // BeginCheck on the GUI thread while the worker waits.
    bool CheckAll = true;

private:
    void ThreadMain() noexcept;
    void Execute();
    void CheckEntries();
    void ReadAhead(Md5ReadAhead& readAhead, std::size_t first);

    VerifyModel& model_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
};

} // namespace quillon
