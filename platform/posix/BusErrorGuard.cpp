#include "platform/posix/BusErrorGuard.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace quillon::platform {

namespace {

// Lock-free, for the handler: a range is published begin first, end last, and taken back the
// other way round with a begin past every address, so that no half of one ever matches.
constexpr std::uintptr_t Nowhere = UINTPTR_MAX;
struct Guarded {
    std::atomic<std::uintptr_t> begin{Nowhere};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> faulted{false};
    std::atomic<bool> taken{false};
};
constexpr int Guards = 64;
Guarded g_guards[Guards];
struct sigaction g_previous {};
std::uintptr_t g_pageSize = 4096;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Guarded& g : g_guards) {
        const std::uintptr_t begin = g.begin.load(std::memory_order_acquire);
        const std::uintptr_t end = g.end.load(std::memory_order_acquire);
        if (at < begin || at >= end)
            continue;
        // Zeros in place of the rest of the view: the access is made again, and succeeds.
        const std::uintptr_t page = at & ~(g_pageSize - 1);
        if (::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break; // nothing to put there: the process ends as it would have
        g.faulted.store(true, std::memory_order_release);
        return;
    }
    // Not ours: as if this handler had never been there.
    if (g_previous.sa_flags & SA_SIGINFO) {
        g_previous.sa_sigaction(signal, info, context);
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(signal);
    } else {
        ::signal(SIGBUS, SIG_DFL); // the access is made again and ends the process as it would
    }
}

void InstallHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previous);
    });
}

} // namespace

BusErrorGuard::BusErrorGuard(const void* begin, std::size_t size) {
    InstallHandler();
    for (int i = 0; i < Guards; ++i) {
        bool expected = false;
        if (!g_guards[i].taken.compare_exchange_strong(expected, true))
            continue;
        Guarded& g = g_guards[i];
        g.faulted = false;
        g.begin.store(reinterpret_cast<std::uintptr_t>(begin));
        g.end.store(reinterpret_cast<std::uintptr_t>(begin) + size);
        slot_ = i;
        return;
    }
}

BusErrorGuard::~BusErrorGuard() {
    if (slot_ < 0)
        return;
    Guarded& g = g_guards[slot_];
    g.begin.store(Nowhere);
    g.end.store(0);
    g.taken.store(false, std::memory_order_release);
}

bool BusErrorGuard::Faulted() const {
    return slot_ >= 0 && g_guards[slot_].faulted.load(std::memory_order_acquire);
}

} // namespace quillon::platform
