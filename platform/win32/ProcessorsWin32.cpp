#include "platform/Processors.h"

#include <windows.h>

#include <bit>

namespace quillon::platform {

unsigned UsableProcessors() {
    // One processor group (up to 64): a process runs in one unless it asks for more.
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
        return static_cast<unsigned>(std::popcount(static_cast<unsigned long long>(process)));
    return 1;
}

} // namespace quillon::platform
