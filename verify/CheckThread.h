#pragma once
#include "platform/Event.h"

#include <cstddef>
#include <thread>

namespace quillon {

class Md5ReadAhead;
class SmallFilePrefetch;
class VerifyModel;

// The worker of one check. Owned by the model, which waits for it before anything it uses goes.
class TcrcThread {
public:
    explicit TcrcThread(VerifyModel& model) : model_(model) {}
    // Never joins a running worker blindly: waits for its end through the model's dispatcher,
    // serving the GUI-thread calls it may be waiting on, then joins.
    ~TcrcThread();
    TcrcThread(const TcrcThread&) = delete;
    TcrcThread& operator=(const TcrcThread&) = delete;

    void Start();
    // Joins a worker that has ended.
    void Join();
    // Set once the thread has nothing left to do but return: the GUI thread waits on it.
    const platform::Event& Ended() const { return ended_; }
    bool Finished() const { return ended_.IsSet(); }

    // true: every entry that has a row; false: the entries of the selected rows. Set by
    // BeginCheck on the GUI thread while the worker waits.
    bool CheckAll = true;

private:
    void ThreadMain() noexcept;
    void Execute();
    void CheckEntries();
    void ReadAhead(Md5ReadAhead& readAhead, std::size_t first, SmallFilePrefetch* prefetch);

    VerifyModel& model_;
    std::thread thread_;
    platform::Event ended_;
};

} // namespace quillon
