#include "platform/FileSystem.h"

#include <sys/stat.h>

namespace quillon::platform {

bool DirectoryExists(const std::filesystem::path& path) {
    if (path.empty()) return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::filesystem::path WindowsDirectory() { return {}; }

} // namespace quillon::platform
