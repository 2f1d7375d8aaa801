#pragma once
// The settings in the registry: Windows only.
#include "platform/Registry.h"
#include "util/SettingsStore.h"

#include <memory>
#include <string_view>

namespace quillon {

// One key below HKEY_CURRENT_USER. Reads and writes throw platform::RegistryError, whose what()
// is the text the window shows.
class RegistrySettings final : public SettingsStore {
public:
    // Creates the key when it is absent; nullptr when it can be neither opened nor created, which
    // the rules read as every value absent. Tests pass a scratch key.
    static std::unique_ptr<RegistrySettings> Open(std::wstring_view keyPath = settings::Key);

    bool ValueExists(std::wstring_view name) const override;
    std::int32_t ReadInteger(std::wstring_view name) const override;
    void WriteInteger(std::wstring_view name, std::int32_t value) override;
    void DeleteValue(std::wstring_view name) override;

private:
    RegistrySettings() = default;

    platform::Registry registry_;
};

} // namespace quillon
