#include "create/OptionsSettings.h"

#include <exception>

namespace quillon {

namespace {

int ReadIndex(const SettingsStore* store, std::wstring_view name, int count,
              std::vector<std::string>& errors) {
    if (!store->ValueExists(name))
        return 0;
    try {
        const int value = store->ReadInteger(name);
        return value >= 0 && value < count ? value : -1;
    } catch (const std::exception& e) {
        errors.emplace_back(e.what());
        return -1;
    }
}

void WritePresence(SettingsStore& store, std::wstring_view name, bool present) {
    if (present)
        store.WriteInteger(name, 1);
    else
        store.DeleteValue(name);
}

} // namespace

OptionValues ReadOptionValues(const SettingsStore* store, std::vector<std::string>& errors) {
    OptionValues values;
    if (!store) {
        values.sizeType = values.toolbarLayout = -1;
        return values;
    }
    values.savePos = store->ValueExists(settings::SavePos);
    values.showProgress = store->ValueExists(settings::ShowProgress);
    values.sizeType = ReadIndex(store, settings::SizeType, SizeTypeItems, errors);
    values.toolbarLayout = ReadIndex(store, settings::ToolbarPosition, ToolbarLayoutItems, errors);
    return values;
}

void WriteOptionValues(SettingsStore& store, const OptionValues& values) {
    store.WriteInteger(settings::SizeType, values.sizeType);
    store.WriteInteger(settings::ToolbarPosition, values.toolbarLayout);
    WritePresence(store, settings::SavePos, values.savePos);
    WritePresence(store, settings::ShowProgress, values.showProgress);
}

} // namespace quillon
