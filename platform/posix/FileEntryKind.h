#pragma once
// POSIX only.
#include <dirent.h>
#include <sys/stat.h>

namespace quillon::platform {

// Whether a folder entry of the given dirent type is a file as ListFolderFileNames counts one: a
// link counts as what it points to, and some file systems do not say what a name is.
inline bool IsFileEntry(int folderFd, const char* name, unsigned char type) {
    if (type == DT_REG)
        return true;
    if (type == DT_DIR)
        return false;
    struct stat st {};
    return ::fstatat(folderFd, name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

} // namespace quillon::platform
