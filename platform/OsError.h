#pragma once
#include <string>

namespace quillon::platform {

// An operating-system failure, captured at once: the error code (GetLastError or errno) and
// the system's text for it (UTF-8).
struct OsError {
    int code = 0;
    std::string text;
    // A file was asked for and the name holds none: nothing, a folder or a device.
    bool noFile = false;
    explicit operator bool() const { return code != 0; }
};

// The error of the last failed call on this thread (GetLastError / errno).
OsError LastOsError();
OsError OsErrorFromCode(int code);

} // namespace quillon::platform
