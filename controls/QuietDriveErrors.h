#pragma once
#include <windows.h>

namespace quillon::controls {

// A drive without its medium makes the system ask "There is no disk in the drive" unless the
// thread says it takes the error itself; for this thread and this scope only.
class QuietDriveErrors {
public:
    QuietDriveErrors() { SetThreadErrorMode(GetThreadErrorMode() | SEM_FAILCRITICALERRORS, &old_); }
    ~QuietDriveErrors() { SetThreadErrorMode(old_, nullptr); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    DWORD old_ = 0;
};

} // namespace quillon::controls
