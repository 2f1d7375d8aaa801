#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace quillon::platform {
namespace {

RegistryKey RawOpen(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    return RegistryKey(status == ERROR_SUCCESS ? key : nullptr);
}

bool RawExists(HKEY root, const std::wstring& path) {
    return static_cast<bool>(RawOpen(root, path));
}

void RawSet(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

// Scratch keys of this process, removed after every test whether it passed or not.
class RegistryWin32 : public testing::Test {
protected:
    RegistryWin32() {
        static int counter = 0;
        const auto id = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        scratch_ = L"Software\\QuillonTest-" + id;
        rootValue_ = L"QuillonTest-" + id;
        ext_ = L".qltest" + id;
    }
    ~RegistryWin32() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str());
        RegDeleteValueW(HKEY_CURRENT_USER, rootValue_.c_str());
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            for (const auto& name : {ext_, ext_ + L"m"})
                RegDeleteTreeW(root, (L"Software\\Classes\\" + name).c_str());
    }
    std::wstring scratch_;
    std::wstring rootValue_;
    std::wstring ext_;
};

TEST_F(RegistryWin32, KeyNamesAndOneOpenKey) {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey(L"\\" + scratch_ + L"\\A", true));
    EXPECT_FALSE(reg.OpenKey(L"Missing", false));
    EXPECT_FALSE(RawExists(HKEY_CURRENT_USER, scratch_ + L"\\A\\Missing"));
    // The failed open left A open.
    ASSERT_TRUE(reg.OpenKey(L"B\\", true));
    EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, scratch_ + L"\\A\\B"));
    ASSERT_TRUE(reg.OpenKey(L"x\\y", true));
    ASSERT_TRUE(reg.OpenKey(L"\\" + scratch_, false));
    EXPECT_TRUE(reg.KeyExists(L"A\\B"));
    EXPECT_FALSE(reg.KeyExists(L"B"));
    reg.CloseKey();
    EXPECT_TRUE(reg.KeyExists(scratch_ + L"\\A\\B\\x"));
    EXPECT_TRUE(reg.DeleteKey(scratch_ + L"\\A"));
    EXPECT_FALSE(RawExists(HKEY_CURRENT_USER, scratch_ + L"\\A"));
    EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, scratch_));
    EXPECT_TRUE(reg.DeleteKey(scratch_ + L"\\A"));
}

TEST_F(RegistryWin32, ValuesRoundTrip) {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey(L"\\" + scratch_, true));
    for (std::int32_t v : {INT32_MIN, -1, 0, INT32_MAX}) {
        reg.WriteInteger(L"i", v);
        EXPECT_EQ(reg.ReadInteger(L"i"), v);
    }
    const RegistryKey raw = RawOpen(HKEY_CURRENT_USER, scratch_);
    for (const std::wstring& s :
         {std::wstring(), std::wstring(L"caf\u00e9 \u20ac"), std::wstring(5000, L'x')}) {
        reg.WriteString(L"", s);
        EXPECT_EQ(reg.ReadString(L""), s);
        // Other readers (the shell) expect the terminating NUL stored.
        DWORD bytes = 0;
        RegQueryValueExW(raw.Get(), L"", nullptr, nullptr, nullptr, &bytes);
        EXPECT_EQ(bytes, (s.size() + 1) * sizeof(wchar_t));
    }
    RawSet(raw.Get(), L"e", REG_EXPAND_SZ, L"%TEMP%", 14);
    EXPECT_EQ(reg.ReadString(L"e"), L"%TEMP%");
    EXPECT_TRUE(reg.ValueExists(L"i"));
    EXPECT_TRUE(reg.DeleteValue(L"i"));
    EXPECT_FALSE(reg.ValueExists(L"i"));
    EXPECT_TRUE(reg.DeleteValue(L"i"));
    EXPECT_EQ(reg.ReadString(L"i"), L"");
    reg.CloseKey();
    reg.WriteInteger(rootValue_, 5);
    DWORD data = 0, size = sizeof data;
    RegGetValueW(HKEY_CURRENT_USER, nullptr, rootValue_.c_str(), RRF_RT_DWORD, nullptr, &data,
                 &size);
    EXPECT_EQ(data, 5u);
}

template <typename Call> RegistryError ErrorOf(Call call) {
    try {
        call();
    } catch (const RegistryError& e) {
        return e;
    }
    return RegistryError(L"no error", L"");
}

TEST_F(RegistryWin32, ErrorsNameTheValue) {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey(L"\\" + scratch_, true));
    const RegistryKey raw = RawOpen(HKEY_CURRENT_USER, scratch_);
    const HKEY key = raw.Get();
    // 2 and 4 bytes fit the integer's buffer; 8 do not, whatever the type.
    const std::uint64_t eight = 1;
    RawSet(key, L"sz2", REG_SZ, L"", 2);
    RawSet(key, L"sz4", REG_SZ, L"a", 4);
    RawSet(key, L"bin8", REG_BINARY, &eight, 8);
    RawSet(key, L"q8", REG_QWORD, &eight, 8);
    RawSet(key, L"d\u00e9", REG_DWORD, &eight, 4);
    EXPECT_STREQ(ErrorOf([&] { reg.ReadInteger(L"sz2"); }).what(), "Invalid data type for 'sz2'");
    EXPECT_STREQ(ErrorOf([&] { reg.ReadInteger(L"sz4"); }).what(), "Invalid data type for 'sz4'");
    EXPECT_STREQ(ErrorOf([&] { reg.ReadInteger(L"bin8"); }).what(),
                 "Failed to get data for 'bin8'");
    EXPECT_STREQ(ErrorOf([&] { reg.ReadInteger(L"q8"); }).what(), "Failed to get data for 'q8'");
    EXPECT_STREQ(ErrorOf([&] { reg.ReadInteger(L"none"); }).what(),
                 "Failed to get data for 'none'");
    const RegistryError e = ErrorOf([&] { reg.ReadString(L"d\u00e9"); });
    EXPECT_STREQ(e.what(), "Invalid data type for 'd\xc3\xa9'");
    EXPECT_EQ(e.Message(), L"Invalid data type for 'd\u00e9'");
    EXPECT_EQ(e.ValueName(), L"d\u00e9");
    // A key deleted under an open handle fails every value call.
    ASSERT_TRUE(reg.DeleteKey(L"\\" + scratch_));
    EXPECT_STREQ(ErrorOf([&] { reg.ReadString(L"sz4"); }).what(), "Failed to get data for 'sz4'");
    EXPECT_STREQ(ErrorOf([&] { reg.WriteInteger(L"n", 1); }).what(), "Failed to set data for 'n'");
    EXPECT_STREQ(ErrorOf([&] { reg.WriteString(L"s", L""); }).what(), "Failed to set data for 's'");
}

TEST_F(RegistryWin32, ClassesAreWrittenPerUserAndReadThroughTheMachineClasses) {
    const std::wstring machineOnly = ext_ + L"m";
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, machineOnly.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &raw, nullptr) != ERROR_SUCCESS)
        GTEST_SKIP() << "HKEY_CLASSES_ROOT is not writable here";
    RegistryKey machine(raw);
    RawSet(machine.Get(), L"", REG_SZ, L"m", 4);

    Registry reg(RegistryRoot::Classes);
    ASSERT_TRUE(reg.OpenKey(ext_ + L"\\shell", true));
    EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, L"Software\\Classes\\" + ext_ + L"\\shell"));
    EXPECT_FALSE(RawExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + ext_));

    EXPECT_TRUE(reg.KeyExists(L"\\" + machineOnly));
    ASSERT_TRUE(reg.OpenKey(L"\\" + machineOnly, false));
    EXPECT_EQ(reg.ReadString(L""), L"m");
    // The machine's key is read-only; a key below it is made per user.
    EXPECT_STREQ(ErrorOf([&] { reg.WriteString(L"", L"u"); }).what(), "Failed to set data for ''");
    ASSERT_TRUE(reg.OpenKey(L"sub", true));
    EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, L"Software\\Classes\\" + machineOnly + L"\\sub"));
    // Now present per user too, without the value: the machine's is read; once written, ours.
    ASSERT_TRUE(reg.OpenKey(L"\\" + machineOnly, false));
    EXPECT_EQ(reg.ReadString(L""), L"m");
    reg.WriteString(L"", L"u");
    EXPECT_EQ(reg.ReadString(L""), L"u");

    reg.CloseKey();
    EXPECT_TRUE(reg.DeleteKey(ext_));
    EXPECT_FALSE(RawExists(HKEY_CURRENT_USER, L"Software\\Classes\\" + ext_));
    EXPECT_FALSE(reg.KeyExists(ext_));
}

// Scratch roots stand in for both classes keys; the write seam fails a chosen write.
TEST_F(RegistryWin32, ScratchClassesAndTheWriteFault) {
    RegSetKeyValueW(HKEY_CURRENT_USER, (scratch_ + L"\\M\\.x").c_str(), L"only", REG_SZ, L"o", 4);
    Registry reg(RegistryRoot::Classes, scratch_ + L"\\U", scratch_ + L"\\M");
    ASSERT_TRUE(reg.OpenKey(L".x", true));
    EXPECT_EQ(reg.ReadString(L"only"), L"o");
    EXPECT_FALSE(reg.ValueExists(L"none"));

    std::vector<std::wstring> writes;
    Registry::SetWriteFaultForTests([&](std::wstring_view key, std::wstring_view name) {
        writes.push_back(std::wstring(key) + L"|" + std::wstring(name));
        return name == L"bad";
    });
    reg.WriteInteger(L"good", 1);
    const RegistryError e = ErrorOf([&] { reg.WriteString(L"bad", L"b"); });
    Registry::SetWriteFaultForTests(nullptr);
    EXPECT_STREQ(e.what(), "Failed to set data for 'bad'");
    EXPECT_FALSE(reg.ValueExists(L"bad"));
    EXPECT_EQ(writes, (std::vector<std::wstring>{L".x|good", L".x|bad"}));
    EXPECT_TRUE(RawExists(HKEY_CURRENT_USER, scratch_ + L"\\U\\.x"));
}

} // namespace
} // namespace quillon::platform
