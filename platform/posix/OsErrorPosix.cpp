#include "platform/OsError.h"

#include <cerrno>
#include <cstring>

namespace quillon::platform {

OsError OsErrorFromCode(int code) {
    OsError e;
    e.code = code;
    if (code != 0) e.text = std::strerror(code);
    return e;
}

OsError LastOsError() { return OsErrorFromCode(errno); }

} // namespace quillon::platform
