#pragma once
// The window's settings and the shell's file-type registrations: Windows only.
#ifdef _WIN32

#include "platform/win32/ScopedWin.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillon::platform {

// A value could not be read or written. what() is UTF-8; the window shows Message().
class RegistryError : public std::runtime_error {
public:
    RegistryError(std::wstring message, std::wstring valueName);
    const std::wstring& Message() const { return message_; }
    const std::wstring& ValueName() const { return valueName_; }

private:
    std::wstring message_;
    std::wstring valueName_;
};

// Owns one open registry key; never a predefined root such as HKEY_CURRENT_USER.
using RegistryKey = win::UniqueRegKey;

enum class RegistryRoot {
    CurrentUser,
    // The per-user classes (HKCU\Software\Classes), which need no administrator. Keys and values
    // missing there are read from HKEY_CLASSES_ROOT, as Windows' merged view does.
    Classes,
};

// A root and at most one open key. A name that begins with "\" starts at the root; any other
// name starts at the open key, or at the root when none is open. Values belong to the open
// key, or to the root when none is open; the empty value name is the key's default value.
class Registry {
public:
    explicit Registry(RegistryRoot root = RegistryRoot::CurrentUser);
    // For tests: the root is the key rootPath below HKEY_CURRENT_USER (made when missing), and
    // the classes root reads what it lacks from fallbackPath below HKEY_CURRENT_USER instead of
    // HKEY_CLASSES_ROOT (empty: HKEY_CLASSES_ROOT).
    Registry(RegistryRoot root, std::wstring_view rootPath, std::wstring_view fallbackPath = {});

    // The previous key stays open when the new one fails to open.
    bool OpenKey(std::wstring_view name, bool create);
    void CloseKey();
    // With every subkey; an absent key is no failure.
    bool DeleteKey(std::wstring_view name);
    bool KeyExists(std::wstring_view name) const;

    bool ValueExists(std::wstring_view name) const;
    // REG_DWORD only.
    std::int32_t ReadInteger(std::wstring_view name) const;
    // REG_SZ or REG_EXPAND_SZ (not expanded); empty when the value is absent.
    std::wstring ReadString(std::wstring_view name) const;
    void WriteInteger(std::wstring_view name, std::int32_t value);
    void WriteString(std::wstring_view name, std::wstring_view text);
    // An absent value is no failure.
    bool DeleteValue(std::wstring_view name);

    // Test seam: when set, called before every value write with the open key's path below the
    // root (empty for the root) and the value's name; true makes that write fail as a refused one
    // does, with the same RegistryError.
    using WriteFault = std::function<bool(std::wstring_view keyPath, std::wstring_view valueName)>;
    static void SetWriteFaultForTests(WriteFault fault);

private:
    std::wstring FullPath(std::wstring_view name) const;
    HKEY ValueKey() const;
    // The key a read of the value goes to: the open key, or the fallback when only it has one.
    HKEY ReadKey(const std::wstring& name) const;

    RegistryRoot root_;
    // Where keys are opened, created and deleted.
    HKEY base_;
    // HKCU\Software\Classes for the classes root.
    RegistryKey ownedBase_;
    // Where the classes root reads what the per-user classes lack; nullptr for other roots.
    HKEY fallbackBase_ = nullptr;
    RegistryKey ownedFallbackBase_;
    RegistryKey current_;
    // The fallback's key of the same path, read-only, while current_ is the per-user one.
    RegistryKey currentFallback_;
    // Below the root, without a leading "\"; meaningful only while current_ is open.
    std::wstring currentPath_;
};

// Tells the shell that file-type registrations changed, so that icons and verbs refresh.
void NotifyAssociationsChanged();

} // namespace quillon::platform

#endif // _WIN32
