#pragma once
#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon::ui {

// The open dialog of the Open button: the list filters, several files at once, files that exist.
// fileName and initialDir are where it starts; onShow gets the dialog's top-level window as soon
// as it is shown. The chosen files in the dialog's order, or nothing on Cancel.
std::optional<std::vector<std::filesystem::path>>
ShowOpenDialog(HWND owner, const std::wstring& fileName, const std::wstring& initialDir,
               const std::function<void(HWND dialog)>& onShow);

} // namespace quillon::ui
