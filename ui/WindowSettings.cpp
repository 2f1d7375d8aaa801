#include "ui/WindowSettings.h"

#include <exception>

namespace quillon::ui {

namespace {

bool Exists(const SettingsStore* store, std::wstring_view name) {
    return store && store->ValueExists(name);
}

// Each step fills `out` only once all of its reads succeeded, so that a failed read leaves its
// whole step unapplied, as it does every later one.
void ReadSteps(const SettingsStore* store, StartupSettings& out) {
    out.topLayout =
        Exists(store, L"ToolbarPosition") && store->ReadInteger(L"ToolbarPosition") == 1;

    std::uint8_t sizeType = 0;
    if (Exists(store, L"SizeType")) {
        const std::int32_t value = store->ReadInteger(L"SizeType");
        if (value >= 0 && value <= 2)
            sizeType = static_cast<std::uint8_t>(value);
    }
    out.sizeType = sizeType;

    out.showProgress = Exists(store, L"ShowProgress");

    out.savePos = Exists(store, L"SavePos");
    if (!*out.savePos) {
        out.centre = true;
        return;
    }

    if (Exists(store, L"Width") && Exists(store, L"Height")) {
        const ClientSize size{store->ReadInteger(L"Width"), store->ReadInteger(L"Height")};
        const bool maximized = Exists(store, L"Maximized") && store->ReadInteger(L"Maximized") != 0;
        out.clientSize = size;
        out.maximized = maximized;
    }

    if (Exists(store, L"Left") && Exists(store, L"Top")) {
        const ScreenPosition position{store->ReadInteger(L"Left"), store->ReadInteger(L"Top")};
        out.position = position;
    } else {
        out.centre = true;
    }
}

} // namespace

StartupSettings ReadStartupSettings(const SettingsStore* store) {
    StartupSettings settings;
    try {
        ReadSteps(store, settings);
    } catch (const std::exception& e) {
        settings.error = e.what();
    }
    return settings;
}

void WritePlacement(SettingsStore& store, const SavedPlacement& placement) {
    if (!store.ValueExists(L"SavePos"))
        return;
    store.WriteInteger(L"Width", placement.clientWidth);
    store.WriteInteger(L"Height", placement.clientHeight);
    store.WriteInteger(L"Left", placement.left);
    store.WriteInteger(L"Top", placement.top);
    store.WriteInteger(L"Maximized", placement.maximized ? 1 : 0);
}

} // namespace quillon::ui
