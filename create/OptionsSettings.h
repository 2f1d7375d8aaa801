#pragma once
#include "util/SettingsStore.h"

#include <string>
#include <vector>

// What the options dialog shows of the settings and what its OK writes back. Window-free, so the
// rules are tested without a registry or a dialog.
namespace quillon {

struct OptionValues {
    int sizeType = 0;      // the size combo box's index; -1: no selection
    int toolbarLayout = 0; // the layout combo box's index; -1: no selection
    bool savePos = false;
    bool showProgress = false;
};

inline constexpr int SizeTypeItems = 3;      // "Auto", "KB", "Bytes"
inline constexpr int ToolbarLayoutItems = 2; // "Left", "Top"

// The values when the dialog opens. An absent number is 0; a number outside its box's items, or
// one that cannot be read, leaves the box without a selection, the latter with its message
// (UTF-8) in errors. No store (the key could not be opened): nothing ticked, nothing selected.
OptionValues ReadOptionValues(const SettingsStore* store, std::vector<std::string>& errors);

// OK: "SizeType" and "ToolbarPosition" as the boxes' indexes, "SavePos" and "ShowProgress" by
// presence, in that order. Throws what the store throws.
void WriteOptionValues(SettingsStore& store, const OptionValues& values);

} // namespace quillon
