#pragma once

namespace quillon::platform {

// The processors this process may run on (its affinity, so that `taskset -c 0` means one), at
// least 1.
unsigned UsableProcessors();

} // namespace quillon::platform
