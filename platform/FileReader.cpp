#include "platform/FileReader.h"

#include <atomic>
#include <mutex>

namespace quillon::platform {

namespace {
std::mutex& FaultMutex() {
    static std::mutex m;
    return m;
}
FileReader::ReadFault& Fault() {
    static FileReader::ReadFault fault;
    return fault;
}
// Spares every read the lock while no test has set a fault.
std::atomic<bool> g_faultSet{false};
} // namespace

void FileReader::SetReadFaultForTests(ReadFault fault) {
    std::lock_guard lock(FaultMutex());
    g_faultSet = static_cast<bool>(fault);
    Fault() = std::move(fault);
}

// Shared by both implementations.
bool ReadFaultSet() { return g_faultSet.load(std::memory_order_relaxed); }

// The injected error for this read, or 0.
int InjectedReadFault(const std::filesystem::path& path, std::int64_t offset) {
    if (!ReadFaultSet()) return 0;
    std::lock_guard lock(FaultMutex());
    return Fault() ? Fault()(path, offset) : 0;
}

} // namespace quillon::platform
