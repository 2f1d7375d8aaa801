#pragma once
#include "core/Crc32.h"
#include "core/FileDigest.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon {

struct RunState;

// The small files of a check, read on a second thread just ahead of their turn: opening and
// reading is most of what a check of many small files costs, and two threads do it at almost
// twice the rate of one. Each entry is read by whichever thread comes to it first, in list
// order. The reader stays at most Ahead entries ahead of the check, and at an entry it may not
// read whole (a big or absent file) it waits until the check has passed it, so a file is read
// moments before its turn, never while the check is busy with a big one before it.
class SmallFilePrefetch {
public:
    static constexpr std::size_t Ahead = 128;

    enum class Plan : std::uint8_t {
        Skip, // the check does not read it (out of scope): never read
        Read, // a small file, or one whose size its open tells
        Stop, // the check reads it itself, maybe at length: nothing after it is read first
    };
    // A plan for each entry; name(i) runs on the reader thread, and may look only at what stays
    // as it is during the check. The reader starts at once (none where no thread can be had).
    SmallFilePrefetch(std::vector<Plan> plans,
                      std::function<const std::filesystem::path::string_type&(std::size_t)> name,
                      const RunState& run);
    // Stops the reader and waits for it.
    ~SmallFilePrefetch();
    SmallFilePrefetch(const SmallFilePrefetch&) = delete;
    SmallFilePrefetch& operator=(const SmallFilePrefetch&) = delete;

    // Entry i, which comes after every entry asked for before: its file's bytes when the reader
    // read it whole (file says how many), until Release passes i. Otherwise nullptr, with mine
    // true when no thread came to it before (the check reads it now), false when the reader
    // could not read it whole (the check reads it at its turn, in the usual way).
    const unsigned char* Take(std::size_t i, SmallFile& file, bool& mine);
    // The check needs nothing more of the entries before end.
    void Release(std::size_t end);

private:
    // Doomed: being read, but the result is not to be used. Ready and Refused are final.
    enum State : std::uint32_t { Claimed = 0, Doomed = 1, Ready = 2, Refused = 3 };
    struct Slot {
        // The entry it holds and its state in one word, so that the check never sees the one
        // without the other. Entry 0, being read, at first.
        std::atomic<std::uint64_t> word{0};
        SmallFile file;
    };
    // Takes the next entry when the rules let it, and reads it when planned: 0 when it did (or
    // another thread did first); otherwise the value of released_ to wait for (-1: no entry
    // is left).
    std::size_t Step();
    void Read() noexcept;
    void RaiseBarrier(std::size_t entry);
    // Entries after entry that a thread took before it was refused: not to be used.
    void Doom(std::size_t entry);
    // The reader waits until released_ reaches target, or it is to stop.
    void WaitForRelease(std::size_t target);
    void Wake();

    const std::vector<Plan> plans_;
    const std::function<const std::filesystem::path::string_type&(std::size_t)> name_;
    const RunState& run_;
    std::unique_ptr<Slot[]> slots_;
    std::unique_ptr<unsigned char[]> bytes_; // Ahead blocks of DigestBufferSize
    std::atomic<std::size_t> next_{0};     // the first entry neither thread has taken
    std::atomic<std::size_t> released_{0}; // the check needs no slot of an entry before it
    // The last entry planned to be read that was not read whole (-1: none): nothing after it
    // is read ahead until the check is past it.
    std::atomic<std::size_t> barrier_{static_cast<std::size_t>(-1)};
    // The value of released_ the reader waits for, so that the check wakes it only then (-1:
    // it waits for none).
    std::atomic<std::size_t> wantReleased_{static_cast<std::size_t>(-1)};
    // The entry whose slot the check waits for (-1: none).
    std::atomic<std::size_t> awaited_{static_cast<std::size_t>(-1)};
    std::atomic<bool> stop_{false};
    std::mutex sleep_;
    std::condition_variable wake_;
    std::thread reader_;
};

} // namespace quillon
