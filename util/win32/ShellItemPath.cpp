#include "util/win32/ShellItemPath.h"

#include "platform/win32/ScopedWin.h"

namespace quillon::win {

std::wstring ShellItemPath(IShellItem* item) {
    UniqueTaskString path;
    if (!item || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.Put())) || !path)
        return {};
    return path.Get();
}

} // namespace quillon::win
