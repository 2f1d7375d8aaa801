#include "platform/FileReader.h"

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
} // namespace

void FileReader::SetReadFaultForTests(ReadFault fault) {
    std::lock_guard lock(FaultMutex());
    Fault() = std::move(fault);
}

// Shared by both implementations: the injected error for this read, or 0.
int InjectedReadFault(const std::filesystem::path& path, std::int64_t offset) {
    std::lock_guard lock(FaultMutex());
    return Fault() ? Fault()(path, offset) : 0;
}

FileReader::~FileReader() { Close(); }

} // namespace quillon::platform
