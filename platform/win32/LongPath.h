#pragma once
#include <string>
#include <string_view>

namespace quillon::platform {

// The form of a path that the file functions take beyond MAX_PATH characters: a long path made
// absolute and normal ("." and ".." resolved, "/" turned into "\") behind "\\?\" ("\\?\UNC\" for
// a share). Paths short enough for every call, and paths already in the "\\?\" or "\\.\" forms,
// come back unchanged, so ordinary names pay nothing.
std::wstring ExtendedPath(std::wstring_view path);

} // namespace quillon::platform
