#pragma once
#include "util/SettingsStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The window's settings: which values are read at creation, in which
// order, what each one means, and what is written at destruction. Nothing here knows the
// registry or a window, so every rule can be checked without one.
namespace quillon::ui {

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
    std::optional<int> placementDpi;           // "PlacementDpi", read with the size
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
// in that order, then the DPI they were recorded at. Throws what the store throws.
void WritePlacement(SettingsStore& store, const SavedPlacement& placement, int dpi);

// The client size to restore at dpi: a size recorded at another DPI is scaled to this one (at 144
// DPI a window saved at 96 would otherwise be too small for its own controls). A placement of an
// older version, which recorded no DPI, is taken as it is.
ClientSize ClientSizeAt(const ClientSize& saved, std::optional<int> savedDpi, int dpi);

} // namespace quillon::ui
