#include "verify/SmallFilePrefetch.h"

#include "core/RunState.h"

#include <limits>
#include <mutex>
#include <system_error>

namespace quillon {

namespace {

constexpr std::size_t None = std::numeric_limits<std::size_t>::max();

// A slot's word: the entry it holds, and how far the reader got with it.
constexpr std::uint64_t Word(std::size_t entry, std::uint32_t state) {
    return (static_cast<std::uint64_t>(entry) << 2) | state;
}

} // namespace

SmallFilePrefetch::SmallFilePrefetch(
    std::vector<Plan> plans,
    std::function<const std::filesystem::path::string_type&(std::size_t)> name, const RunState& run)
    : plans_(std::move(plans)), name_(std::move(name)), run_(run),
      slots_(std::make_unique<Slot[]>(Ahead)),
      // Only the bytes of files read are ever touched.
      bytes_(std::make_unique_for_overwrite<unsigned char[]>(Ahead * DigestBufferSize)) {
    try {
        reader_ = std::thread(&SmallFilePrefetch::Read, this);
    } catch (const std::system_error&) {
        // No second thread: the check reads every file itself.
    }
}

SmallFilePrefetch::~SmallFilePrefetch() {
    stop_ = true;
    Wake();
    if (reader_.joinable())
        reader_.join();
}

// A thread about to sleep says what for under the lock, then looks again: whoever changes that
// afterwards sees it waiting and wakes it, under the same lock, so no wake-up is lost. One that
// sees nobody waiting takes no lock at all. (Not std::atomic::wait: built by MinGW, a test of
// this class hung in it under Wine.)
void SmallFilePrefetch::Wake() {
    std::lock_guard lock(sleep_);
    wake_.notify_all();
}

void SmallFilePrefetch::WaitForRelease(std::size_t target) {
    std::unique_lock lock(sleep_);
    wantReleased_.store(target);
    wake_.wait(lock, [&] { return released_.load() >= target || stop_; });
    wantReleased_.store(None);
}

void SmallFilePrefetch::RaiseBarrier(std::size_t entry) {
    std::size_t now = barrier_.load();
    while ((now == None || now < entry) && !barrier_.compare_exchange_weak(now, entry)) {
    }
}

void SmallFilePrefetch::Doom(std::size_t entry) {
    const std::size_t end = next_.load();
    for (std::size_t k = entry + 1; k < end; ++k) {
        std::atomic<std::uint64_t>& word = slots_[k % Ahead].word;
        std::uint64_t expected = Word(k, Claimed);
        if (!word.compare_exchange_strong(expected, Word(k, Doomed))) {
            expected = Word(k, Ready);
            word.compare_exchange_strong(expected, Word(k, Refused));
        }
    }
}

std::size_t SmallFilePrefetch::Step() {
    std::size_t j = next_.load();
    if (j >= plans_.size())
        return None;
    const std::size_t released = released_.load();
    // A slot is free once the check is done with the entry Ahead before; waiting for half the
    // ring at a time wakes the reader once per Ahead / 2 entries, not once per entry.
    if (j >= released + Ahead)
        return j + 1 - Ahead / 2;
    // A file the check reads itself may take it long: what comes after waits until then.
    const std::size_t barrier = barrier_.load();
    if (barrier != None && barrier >= released)
        return barrier + 1;
    const Plan plan = plans_[j];
    if (plan == Plan::Stop)
        RaiseBarrier(j); // before anyone can take the next entry
    if (!next_.compare_exchange_weak(j, j + 1))
        return 0; // another thread took it: try again
    Slot& slot = slots_[j % Ahead];
    slot.word.store(Word(j, Claimed));
    // An earlier entry refused since the look above holds this one back too.
    const std::size_t since = barrier_.load();
    const bool held = since != None && since < j && since >= released_.load();
    std::uint32_t state = Refused;
    if (plan == Plan::Read && !held) {
        try {
            if (ReadSmallFile(name_(j), bytes_.get() + (j % Ahead) * DigestBufferSize,
                              slot.file))
                state = Ready;
        } catch (...) {
            // Out of memory: the check reads it itself.
        }
        if (state == Refused) {
            // Not small after all, or not readable: the check reads it at its turn, and what
            // the other thread took after it meanwhile is read again after that.
            RaiseBarrier(j);
            Doom(j);
        }
    }
    std::uint64_t claimed = Word(j, Claimed);
    if (!slot.word.compare_exchange_strong(claimed, Word(j, state)))
        slot.word.store(Word(j, Refused)); // doomed meanwhile
    if (awaited_.load() == j)
        Wake();
    return 0;
}

void SmallFilePrefetch::Read() noexcept {
    while (!stop_ && !run_.AbortRequested && !run_.WindowClosing) {
        const std::size_t wait = Step();
        if (wait == None)
            return;
        if (wait != 0)
            WaitForRelease(wait);
    }
}

const unsigned char* SmallFilePrefetch::Take(std::size_t i, SmallFile& file, bool& mine) {
    Slot& slot = slots_[i % Ahead];
    mine = false;
    for (int idle = 0;;) {
        std::size_t n = next_.load();
        if (n <= i) {
            // No thread has come to it: this one reads it as the reader would.
            if (Step() == 0)
                continue;
            // The rules let no thread read it now: the check reads it itself, and nothing after
            // it is read before.
            RaiseBarrier(i);
            if (next_.compare_exchange_strong(n, i + 1)) {
                mine = true;
                return nullptr;
            }
            continue;
        }
        const std::uint64_t word = slot.word.load(std::memory_order_acquire);
        if (word >> 2 == i && (word & 3) >= Ready) {
            if ((word & 3) != Ready)
                return nullptr;
            file = slot.file;
            return bytes_.get() + (i % Ahead) * DigestBufferSize;
        }
        // The reader has it in hand: rather than wait, read one of the next ones meanwhile.
        if (Step() == 0)
            continue;
        if (++idle < 100) {
            std::this_thread::yield();
            continue;
        }
        std::unique_lock lock(sleep_);
        awaited_.store(i);
        wake_.wait(lock, [&] {
            const std::uint64_t now = slot.word.load();
            return now >> 2 == i && (now & 3) >= Ready;
        });
        awaited_.store(None);
    }
}

void SmallFilePrefetch::Release(std::size_t end) {
    if (end <= released_.load(std::memory_order_relaxed))
        return;
    released_.store(end);
    if (end >= wantReleased_.load())
        Wake();
}

} // namespace quillon
