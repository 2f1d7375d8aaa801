#pragma once
#include <shobjidl.h>

#include <string>

namespace quillon::win {

// The file-system path of a shell item (a dialog's result); empty when it has none.
std::wstring ShellItemPath(IShellItem* item);

} // namespace quillon::win
