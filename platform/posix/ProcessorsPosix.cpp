#include "platform/Processors.h"

#include <thread>
#ifdef __linux__
#include <sched.h>
#endif

namespace quillon::platform {

unsigned UsableProcessors() {
#ifdef __linux__
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
#endif
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

} // namespace quillon::platform
