#pragma once
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

namespace quillon::ui {

// The save dialog of the Create command: SFV and MD5 filters, an overwrite prompt for the name
// as typed, no default extension (the create run completes a bare name by the filter).
// filterIndex (1 SFV, 2 MD5) is where it starts and takes the user's choice back. The chosen
// name, or nothing on Cancel.
std::optional<std::filesystem::path> ShowSaveDialog(HWND owner, const std::wstring& initialDir,
                                                    int& filterIndex);

// The save dialog of Save Report: CSV files, ".csv" added to a name typed without an extension,
// an overwrite prompt; starts in initialDir. The chosen name, or nothing on Cancel.
std::optional<std::filesystem::path> ShowReportSaveDialog(HWND owner,
                                                          const std::wstring& initialDir);

} // namespace quillon::ui
