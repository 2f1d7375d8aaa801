#include "platform/Registry.h"

#include "platform/win32/WideText.h"

#include <shlobj.h>

#include <mutex>

namespace quillon::platform {

namespace {

constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

// A key only readable to us (a policy key, the machine's classes) still opens, read-only.
RegistryKey OpenExisting(HKEY parent, const std::wstring& path, REGSAM access = kReadWrite) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(parent, path.c_str(), 0, access, &key);
    if (status == ERROR_ACCESS_DENIED && access != KEY_READ)
        status = RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key);
    return RegistryKey(status == ERROR_SUCCESS ? key : nullptr);
}

RegistryKey Create(HKEY parent, const std::wstring& path) {
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWrite,
                        nullptr, &key, nullptr);
    return RegistryKey(status == ERROR_SUCCESS ? key : nullptr);
}

std::wstring Quoted(const wchar_t* what, const std::wstring& name) {
    return std::wstring(what) + L" for '" + name + L"'";
}

[[noreturn]] void ThrowGetFailed(const std::wstring& name) {
    throw RegistryError(Quoted(L"Failed to get data", name), name);
}
[[noreturn]] void ThrowInvalidType(const std::wstring& name) {
    throw RegistryError(Quoted(L"Invalid data type", name), name);
}
[[noreturn]] void ThrowSetFailed(const std::wstring& name) {
    throw RegistryError(Quoted(L"Failed to set data", name), name);
}

std::mutex& FaultMutex() {
    static std::mutex mutex;
    return mutex;
}
Registry::WriteFault& Fault() {
    static Registry::WriteFault fault;
    return fault;
}
bool InjectedWriteFault(std::wstring_view keyPath, std::wstring_view valueName) {
    std::lock_guard lock(FaultMutex());
    return Fault() && Fault()(keyPath, valueName);
}

} // namespace

RegistryError::RegistryError(std::wstring message, std::wstring valueName)
    : std::runtime_error(win32::Narrow(CP_UTF8, message)), message_(std::move(message)),
      valueName_(std::move(valueName)) {}

Registry::Registry(RegistryRoot root) : root_(root), base_(HKEY_CURRENT_USER) {
    if (root_ == RegistryRoot::Classes) {
        // Writing under HKEY_CLASSES_ROOT needs an administrator (and lands in HKLM under Wine).
        ownedBase_ = Create(HKEY_CURRENT_USER, L"Software\\Classes");
        base_ = ownedBase_.Get();
        fallbackBase_ = HKEY_CLASSES_ROOT;
    }
}

Registry::Registry(RegistryRoot root, std::wstring_view rootPath, std::wstring_view fallbackPath)
    : root_(root) {
    ownedBase_ = Create(HKEY_CURRENT_USER, std::wstring(rootPath));
    base_ = ownedBase_.Get();
    if (root_ == RegistryRoot::Classes) {
        fallbackBase_ = HKEY_CLASSES_ROOT;
        if (!fallbackPath.empty()) {
            ownedFallbackBase_ = Create(HKEY_CURRENT_USER, std::wstring(fallbackPath));
            fallbackBase_ = ownedFallbackBase_.Get();
        }
    }
}

void Registry::SetWriteFaultForTests(WriteFault fault) {
    std::lock_guard lock(FaultMutex());
    Fault() = std::move(fault);
}

std::wstring Registry::FullPath(std::wstring_view name) const {
    std::wstring path;
    if (!name.empty() && name.front() == L'\\') {
        path = name.substr(1);
    } else if (current_ && !currentPath_.empty()) {
        path = currentPath_;
        if (!name.empty())
            path.append(L"\\").append(name);
    } else {
        path = name;
    }
    // "A\" and "A" are one key; a kept separator would double when a relative name is added.
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

HKEY Registry::ValueKey() const {
    return current_ ? current_.Get() : base_;
}

HKEY Registry::ReadKey(const std::wstring& name) const {
    const HKEY key = ValueKey();
    const HKEY fallback = current_ ? currentFallback_.Get() : fallbackBase_;
    if (fallback && RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                        ERROR_FILE_NOT_FOUND)
        return fallback;
    return key;
}

bool Registry::OpenKey(std::wstring_view name, bool create) {
    std::wstring path = FullPath(name);
    RegistryKey key = create ? Create(base_, path) : OpenExisting(base_, path);
    RegistryKey fallback;
    // Wine does not merge the per-user classes into HKEY_CLASSES_ROOT (Wine bug 14771), and a
    // per-user key may hold only some of the values: both are read, per user first.
    if (fallbackBase_) {
        fallback = OpenExisting(fallbackBase_, path, KEY_READ);
        if (!key)
            key = std::move(fallback);
    }
    if (!key)
        return false;
    current_ = std::move(key);
    currentFallback_ = std::move(fallback);
    currentPath_ = std::move(path);
    return true;
}

void Registry::CloseKey() {
    current_.Reset();
    currentFallback_.Reset();
    currentPath_.clear();
}

bool Registry::DeleteKey(std::wstring_view name) {
    const std::wstring path = FullPath(name);
    // An empty path is the root itself: all of HKEY_CURRENT_USER.
    if (path.empty())
        return false;
    const LSTATUS status = RegDeleteTreeW(base_, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool Registry::KeyExists(std::wstring_view name) const {
    const std::wstring path = FullPath(name);
    auto exists = [&](HKEY parent) {
        HKEY key = nullptr;
        const LSTATUS status = RegOpenKeyExW(parent, path.c_str(), 0, KEY_QUERY_VALUE, &key);
        RegistryKey owner(status == ERROR_SUCCESS ? key : nullptr);
        // A key we may not read is still there.
        return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
    };
    return exists(base_) || (fallbackBase_ && exists(fallbackBase_));
}

bool Registry::ValueExists(std::wstring_view name) const {
    const std::wstring n(name);
    return RegQueryValueExW(ReadKey(n), n.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::int32_t Registry::ReadInteger(std::wstring_view name) const {
    const std::wstring n(name);
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    // Longer data fails the query (ERROR_MORE_DATA) before its type is looked at.
    const LSTATUS status = RegQueryValueExW(ReadKey(n), n.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(&data), &size);
    if (status != ERROR_SUCCESS)
        ThrowGetFailed(n);
    if (type != REG_DWORD)
        ThrowInvalidType(n);
    return static_cast<std::int32_t>(data);
}

std::wstring Registry::ReadString(std::wstring_view name) const {
    const std::wstring n(name);
    const HKEY key = ReadKey(n);
    std::wstring buffer;
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        const LSTATUS status = RegQueryValueExW(
            key, n.c_str(), nullptr, &type,
            buffer.empty() ? nullptr : reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_FILE_NOT_FOUND)
            return {};
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
            ThrowGetFailed(n);
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            ThrowInvalidType(n);
        if (status == ERROR_SUCCESS && !buffer.empty()) {
            buffer.resize(size / sizeof(wchar_t));
            // Stored strings need not end in NUL, and may hold one early.
            if (const auto end = buffer.find(L'\0'); end != std::wstring::npos)
                buffer.resize(end);
            return buffer;
        }
        // The size alone so far, or the value grew since: room for it and a missing NUL.
        buffer.assign(size / sizeof(wchar_t) + 2, L'\0');
    }
}

void Registry::WriteInteger(std::wstring_view name, std::int32_t value) {
    const std::wstring n(name);
    if (InjectedWriteFault(currentPath_, n))
        ThrowSetFailed(n);
    const DWORD data = static_cast<DWORD>(value);
    const LSTATUS status = RegSetValueExW(ValueKey(), n.c_str(), 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&data), sizeof data);
    if (status != ERROR_SUCCESS)
        ThrowSetFailed(n);
}

void Registry::WriteString(std::wstring_view name, std::wstring_view text) {
    const std::wstring n(name);
    const std::wstring t(text);
    if (InjectedWriteFault(currentPath_, n))
        ThrowSetFailed(n);
    const std::size_t bytes = (t.size() + 1) * sizeof(wchar_t);
    if (bytes > MAXDWORD)
        ThrowSetFailed(n);
    const LSTATUS status =
        RegSetValueExW(ValueKey(), n.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                       static_cast<DWORD>(bytes));
    if (status != ERROR_SUCCESS)
        ThrowSetFailed(n);
}

bool Registry::DeleteValue(std::wstring_view name) {
    const std::wstring n(name);
    const LSTATUS status = RegDeleteValueW(ValueKey(), n.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

void NotifyAssociationsChanged() {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

} // namespace quillon::platform
