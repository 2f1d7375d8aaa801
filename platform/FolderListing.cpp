#include "platform/FolderListing.h"

#include <atomic>
#include <mutex>

namespace quillon::platform {

namespace {
std::mutex& FaultMutex() {
    static std::mutex m;
    return m;
}
ListFault& Fault() {
    static ListFault fault;
    return fault;
}
// Spares every listing the lock while no test has set a fault.
std::atomic<bool> g_faultSet{false};
} // namespace

void SetListFaultForTests(ListFault fault) {
    std::lock_guard lock(FaultMutex());
    g_faultSet = static_cast<bool>(fault);
    Fault() = std::move(fault);
}

// Shared by both implementations: the injected error for listing folder, or 0.
int InjectedListFault(const std::filesystem::path& folder) {
    if (!g_faultSet.load(std::memory_order_relaxed))
        return 0;
    std::lock_guard lock(FaultMutex());
    return Fault() ? Fault()(folder) : 0;
}

} // namespace quillon::platform
