#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The window's settings under "\Software\Quillon": which values are read at creation, in which
// order, what each one means, and what is written at destruction. Nothing here knows the
// registry or a window, so every rule can be checked without one.
namespace quillon::ui {

// The open settings key. The registry implementation throws std::exception from ReadInteger
// with the message to show ("Invalid data type for '%s'", "Failed to get data for '%s'") and from
// WriteInteger ("Failed to set data for '%s'"), what() in UTF-8.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool ValueExists(std::wstring_view name) const = 0;
    virtual std::int32_t ReadInteger(std::wstring_view name) const = 0;
    virtual void WriteInteger(std::wstring_view name, std::int32_t value) = 0;
};

struct ClientSize {
    int width = 0, height = 0;
    bool operator==(const ClientSize&) const = default;
};
struct ScreenPosition {
    int left = 0, top = 0;
    bool operator==(const ScreenPosition&) const = default;
};

// What window creation applies, step by step. A step whose read failed, and every step after
// it, stays empty (maximized and centre false); the window then leaves that part as it is.
struct StartupSettings {
    std::optional<bool> topLayout;      // "ToolbarPosition" reads 1
    std::optional<std::uint8_t> sizeType; // 0..2; absent or out of range: 0 (Auto)
    std::optional<bool> showProgress;   // "ShowProgress" exists
    // Placement, decided once every value above was read:
    std::optional<bool> savePos;               // "SavePos" exists
    std::optional<ClientSize> clientSize;      // "Width" and "Height" both exist
    bool maximized = false;                    // "Maximized" non-zero (read with the size)
    std::optional<ScreenPosition> position;    // "Left" and "Top" both exist
    bool centre = false;                       // centre on the window's monitor
    // The message of the read that failed (UTF-8), when one did.
    std::optional<std::string> error;
};

// Reads the values in the window's creation order. No store (the key could not be opened or
// created): as if every value were absent.
StartupSettings ReadStartupSettings(const SettingsStore* store);

// The placement the window follows while it runs.
struct SavedPlacement {
    int clientWidth = 0, clientHeight = 0; // last seen in the normal (restored) state
    int left = 0, top = 0;                 // outer position last seen while not maximized
    bool maximized = false;                // the state at destruction
};
// At destruction: when "SavePos" exists, writes "Width", "Height", "Left", "Top", "Maximized"
// in that order. Throws what the store throws.
void WritePlacement(SettingsStore& store, const SavedPlacement& placement);

} // namespace quillon::ui
