#include "ui/RegistrySettings.h"

namespace quillon::ui {

std::unique_ptr<RegistrySettings> RegistrySettings::Open(std::wstring_view keyPath) {
    std::unique_ptr<RegistrySettings> settings(new RegistrySettings());
    if (!settings->registry_.OpenKey(keyPath, true))
        return nullptr;
    return settings;
}

bool RegistrySettings::ValueExists(std::wstring_view name) const {
    return registry_.ValueExists(name);
}

std::int32_t RegistrySettings::ReadInteger(std::wstring_view name) const {
    return registry_.ReadInteger(name);
}

void RegistrySettings::WriteInteger(std::wstring_view name, std::int32_t value) {
    registry_.WriteInteger(name, value);
}

} // namespace quillon::ui
