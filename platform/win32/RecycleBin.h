#pragma once
#include "platform/OsError.h"

#include <filesystem>

namespace quillon::platform {

// Moves one file to the Recycle Bin, from where the user can restore it. False with the reason
// when it cannot: the system's own text for a file that is not there, is held open by another
// program or may not be deleted; a path the shell cannot take (too long) gets a text that says
// so.
bool RecycleFile(const std::filesystem::path& path, OsError* error);

} // namespace quillon::platform
