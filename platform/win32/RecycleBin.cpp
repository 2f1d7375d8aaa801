#include "platform/win32/RecycleBin.h"

#include "platform/win32/LongPath.h"
#include "platform/win32/ScopedWin.h"

#include <shellapi.h>

#include <string>

namespace quillon::platform {

bool RecycleFile(const std::filesystem::path& path, OsError* error) {
    const std::wstring extended = ExtendedPath(path.native());
    // The shell's operation gives codes of its own, and a file another program holds open is
    // simply not moved: asking for the right to delete it first gives the system's reason.
    {
        const win::UniqueFileHandle probe(CreateFileW(
            extended.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe) {
            if (error)
                *error = LastOsError();
            return false;
        }
    }
    // The shell takes no long paths, and a list of names ends with an empty one.
    if (path.native().size() >= MAX_PATH) {
        if (error)
            *error = {
                ERROR_FILENAME_EXCED_RANGE,
                "the path is too long for the Recycle Bin (Shift+Delete deletes it for good)"};
        return false;
    }
    std::wstring from = path.native();
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    const int result = SHFileOperationW(&operation);
    if (result == 0 && !operation.fAnyOperationsAborted)
        return true;
    if (error)
        *error = {result ? result : ERROR_CANCELLED,
                  "it could not be moved to the Recycle Bin (error " + std::to_string(result) +
                      ")"};
    return false;
}

} // namespace quillon::platform
