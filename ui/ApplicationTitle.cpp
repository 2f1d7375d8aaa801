#include "ui/ApplicationTitle.h"

#include <cwctype>

namespace quillon::ui {

std::wstring ApplicationTitle(std::wstring_view exePath) {
    const std::size_t slash = exePath.find_last_of(L'\\');
    std::wstring_view name = slash == exePath.npos ? exePath : exePath.substr(slash + 1);
    name = name.substr(0, name.find(L'.'));
    std::wstring title(name);
    for (std::size_t i = 1; i < title.size(); ++i)
        title[i] = static_cast<wchar_t>(std::towlower(title[i]));
    return title;
}

} // namespace quillon::ui
