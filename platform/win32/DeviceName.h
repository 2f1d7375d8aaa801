#pragma once
#include <string_view>

namespace quillon::platform {

// Reserved device names open a device whatever folder they stand in (C:\x\NUL.txt is NUL), as
// does every path in the "\\.\" form.
bool IsDeviceName(std::wstring_view path);

} // namespace quillon::platform
