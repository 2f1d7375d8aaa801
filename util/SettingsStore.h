#pragma once
#include <cstdint>
#include <string_view>

// The program's settings: one key per user and its values, behind an interface so that the rules
// that read and write them are tested without a registry.
namespace quillon {

// The key below HKEY_CURRENT_USER and the names of its values, each written only here.
namespace settings {
inline constexpr std::wstring_view Key = L"\\Software\\Quillon";
inline constexpr std::wstring_view ToolbarPosition = L"ToolbarPosition";
inline constexpr std::wstring_view SizeType = L"SizeType";
inline constexpr std::wstring_view ShowProgress = L"ShowProgress";
inline constexpr std::wstring_view SavePos = L"SavePos";
inline constexpr std::wstring_view Width = L"Width";
inline constexpr std::wstring_view Height = L"Height";
inline constexpr std::wstring_view Left = L"Left";
inline constexpr std::wstring_view Top = L"Top";
inline constexpr std::wstring_view Maximized = L"Maximized";
// The DPI the window's placement was recorded at; absent in placements of older versions.
inline constexpr std::wstring_view PlacementDpi = L"PlacementDpi";
} // namespace settings

// The open settings key. The registry implementation throws std::exception with the message to
// show, what() in UTF-8: "Invalid data type for '%s'" or "Failed to get data for '%s'" from
// ReadInteger, "Failed to set data for '%s'" from WriteInteger and DeleteValue.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool ValueExists(std::wstring_view name) const = 0;
    virtual std::int32_t ReadInteger(std::wstring_view name) const = 0;
    virtual void WriteInteger(std::wstring_view name, std::int32_t value) = 0;
    // An absent value is no failure.
    virtual void DeleteValue(std::wstring_view name) = 0;
};

} // namespace quillon
