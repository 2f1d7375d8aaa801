#include "util/win32/RegistrySettings.h"

namespace quillon {

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

void RegistrySettings::DeleteValue(std::wstring_view name) {
    if (!registry_.DeleteValue(name))
        throw platform::RegistryError(L"Failed to set data for '" + std::wstring(name) + L"'",
                                      std::wstring(name));
}

} // namespace quillon
