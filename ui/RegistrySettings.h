#pragma once
// The window's settings in the registry: Windows only.
#ifdef _WIN32

#include "platform/Registry.h"
#include "ui/WindowSettings.h"

#include <memory>
#include <string_view>

namespace quillon::ui {

inline constexpr std::wstring_view kSettingsKey = L"\\Software\\Quillon";

// One key below HKEY_CURRENT_USER. Reads and writes throw platform::RegistryError, whose what()
// is the text the window shows.
class RegistrySettings final : public SettingsStore {
public:
    // Creates the key when it is absent; nullptr when it can be neither opened nor created, which
    // the rules read as every value absent. Tests pass a scratch key.
    static std::unique_ptr<RegistrySettings> Open(std::wstring_view keyPath = kSettingsKey);

    bool ValueExists(std::wstring_view name) const override;
    std::int32_t ReadInteger(std::wstring_view name) const override;
    void WriteInteger(std::wstring_view name, std::int32_t value) override;

private:
    RegistrySettings() = default;

    platform::Registry registry_;
};

} // namespace quillon::ui

#endif // _WIN32
