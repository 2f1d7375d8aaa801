#include "ui/WindowSettings.h"

#include "util/Dpi.h"

#include <exception>

namespace quillon::ui {

namespace {

bool Exists(const SettingsStore* store, std::wstring_view name) {
    return store && store->ValueExists(name);
}

// Each step fills `out` only once all of its reads succeeded, so that a failed read leaves its
// whole step unapplied, as it does every later one.
void ReadSteps(const SettingsStore* store, StartupSettings& out) {
    out.topLayout = Exists(store, settings::ToolbarPosition) &&
                    store->ReadInteger(settings::ToolbarPosition) == 1;

    std::uint8_t sizeType = 0;
    if (Exists(store, settings::SizeType)) {
        const std::int32_t value = store->ReadInteger(settings::SizeType);
        if (value >= 0 && value <= 2)
            sizeType = static_cast<std::uint8_t>(value);
    }
    out.sizeType = sizeType;

    out.showProgress = Exists(store, settings::ShowProgress);

    out.savePos = Exists(store, settings::SavePos);
    if (!*out.savePos) {
        out.centre = true;
        return;
    }

    if (Exists(store, settings::Width) && Exists(store, settings::Height)) {
        const ClientSize size{store->ReadInteger(settings::Width),
                              store->ReadInteger(settings::Height)};
        const bool maximized =
            Exists(store, settings::Maximized) && store->ReadInteger(settings::Maximized) != 0;
        std::optional<int> dpi;
        if (Exists(store, settings::PlacementDpi))
            dpi = store->ReadInteger(settings::PlacementDpi);
        out.clientSize = size;
        out.maximized = maximized;
        out.placementDpi = dpi;
    }

    if (Exists(store, settings::Left) && Exists(store, settings::Top)) {
        const ScreenPosition position{store->ReadInteger(settings::Left),
                                      store->ReadInteger(settings::Top)};
        out.position = position;
    } else {
        out.centre = true;
    }
}

} // namespace

StartupSettings ReadStartupSettings(const SettingsStore* store) {
    StartupSettings out;
    try {
        ReadSteps(store, out);
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

void WritePlacement(SettingsStore& store, const SavedPlacement& placement, int dpi) {
    if (!store.ValueExists(settings::SavePos))
        return;
    store.WriteInteger(settings::Width, placement.clientWidth);
    store.WriteInteger(settings::Height, placement.clientHeight);
    store.WriteInteger(settings::Left, placement.left);
    store.WriteInteger(settings::Top, placement.top);
    store.WriteInteger(settings::Maximized, placement.maximized ? 1 : 0);
    store.WriteInteger(settings::PlacementDpi, dpi);
}

ClientSize ClientSizeAt(const ClientSize& saved, std::optional<int> savedDpi, int dpi) {
    // A DPI no monitor has is junk in the key, not a reason to blow the window up.
    if (!savedDpi || *savedDpi < 48 || *savedDpi > 960)
        return saved;
    return {Rescale(saved.width, *savedDpi, dpi), Rescale(saved.height, *savedDpi, dpi)};
}

} // namespace quillon::ui
