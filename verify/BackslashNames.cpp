#include "verify/BackslashNames.h"

#include "platform/FolderListing.h"

#include <filesystem>

namespace quillon {

bool BackslashNames::MayHold(std::string_view name) {
    if (name.find('/') != name.npos)
        return true; // in a subfolder: not this listing's business
    if (!listed_) {
        listed_ = true;
        platform::OsError error;
        const auto names = platform::ListFolderFileNames(
            folder_.empty() ? std::filesystem::path(".") : std::filesystem::path(folder_), &error);
        any_ = !names;
        if (names)
            for (const auto& n : *names)
                any_ = any_ || n.find('\\') != ViewText::npos;
    }
    return any_;
}

} // namespace quillon
