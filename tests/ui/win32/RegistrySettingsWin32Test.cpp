#include "ui/WindowSettings.h"
#include "util/win32/RegistrySettings.h"

#include <gtest/gtest.h>

namespace quillon::ui {
namespace {

// A scratch key of this process instead of the user's settings, removed after every test.
class RegistrySettingsWin32 : public testing::Test {
protected:
    RegistrySettingsWin32() {
        static int counter = 0;
        key_ = L"\\Software\\QuillonTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(++counter);
    }
    ~RegistrySettingsWin32() override { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str() + 1); }
    std::wstring key_;
};

TEST_F(RegistrySettingsWin32, StringValueStopsTheReadWithItsName) {
    const auto settings = RegistrySettings::Open(key_);
    ASSERT_TRUE(settings);
    platform::Registry raw;
    ASSERT_TRUE(raw.OpenKey(key_, false));
    raw.WriteInteger(L"ToolbarPosition", 1);
    raw.WriteString(L"SizeType", L"1");
    const StartupSettings read = ReadStartupSettings(settings.get());
    EXPECT_EQ(read.error, "Invalid data type for 'SizeType'");
    EXPECT_EQ(read.topLayout, true);
    EXPECT_FALSE(read.sizeType);
}

TEST_F(RegistrySettingsWin32, PlacementWrittenIsReadAtTheNextStart) {
    const auto settings = RegistrySettings::Open(key_);
    ASSERT_TRUE(settings);
    settings->WriteInteger(L"SavePos", 0);
    WritePlacement(*settings, {1024, 700, -1500, 40, true}, 96);
    const StartupSettings read = ReadStartupSettings(RegistrySettings::Open(key_).get());
    EXPECT_FALSE(read.error);
    EXPECT_EQ(read.clientSize, (ClientSize{1024, 700}));
    EXPECT_EQ(read.position, (ScreenPosition{-1500, 40}));
    EXPECT_TRUE(read.maximized);
    EXPECT_EQ(read.placementDpi, 96);
    EXPECT_FALSE(read.centre);
}

// A stored key cannot be created below a volatile one.
TEST_F(RegistrySettingsWin32, KeyThatCannotBeCreatedGivesNoStore) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str() + 1, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_READ, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const platform::RegistryKey owner(key);
    EXPECT_FALSE(RegistrySettings::Open(key_ + L"\\Quillon"));
}

} // namespace
} // namespace quillon::ui
