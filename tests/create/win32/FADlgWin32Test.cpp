#include "create/win32/FADlg.h"

#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace quillon {
namespace {

using platform::Registry;
using platform::RegistryRoot;

// Scratch keys below HKCU\Software\QuillonTest-<pid>-<n> stand in for the per-user classes
// (Classes), the machine's (Machine) and the settings; the program sits in a folder with a long
// name. Message boxes, the shell notice and the main window's hooks are recorded.
class OptionsDialog : public testing::Test {
protected:
    OptionsDialog() {
        static int counter = 0;
        base = L"Software\\QuillonTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(++counter);
        dir.Write(L"Long Folder Name/Quillon App.exe", "");
        exe = (dir.path() / L"Long Folder Name" / L"Quillon App.exe").wstring();
        params = {.exePath = exe,
                  .settingsKey = L"\\" + base + L"\\Settings",
                  .classesKey = base + L"\\Classes",
                  .classesFallbackKey = base + L"\\Machine",
                  .appTitle = L"Quillon",
                  .messageBox =
                      [this](HWND, const std::wstring& text, const std::wstring& caption, UINT) {
                          boxes.push_back(caption + L": " + text);
                          return IDOK;
                      },
                  .notifyShell = [this] { ++notified; },
                  .onShown = {}};
        auto record = [this](std::string what) { applied.push_back(std::move(what)); };
        target = {[=](int v) { record("size:" + std::to_string(v)); },
                  [=](int v) { record("layout:" + std::to_string(v)); },
                  [=](bool v) { record(v ? "progress:1" : "progress:0"); },
                  [=] { record("repaint"); }, [=] { record("sizes"); }};
    }
    ~OptionsDialog() override {
        Registry::SetWriteFaultForTests(nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
    }

    // A string or DWORD value below base as text; "-" when absent.
    std::wstring Get(const std::wstring& key, const wchar_t* name = L"") const {
        wchar_t data[512] = {};
        DWORD size = sizeof data, type = 0, number = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, (base + L"\\" + key).c_str(), name,
                         RRF_RT_REG_SZ | RRF_RT_DWORD, &type, data, &size) != ERROR_SUCCESS)
            return L"-";
        std::memcpy(&number, data, sizeof number);
        return type == REG_DWORD ? std::to_wstring(static_cast<std::int32_t>(number)) : data;
    }
    void Put(const std::wstring& key, const wchar_t* name, const std::wstring& text) {
        RegSetKeyValueW(HKEY_CURRENT_USER, (base + L"\\" + key).c_str(), name, REG_SZ, text.c_str(),
                        static_cast<DWORD>((text.size() + 1) * 2));
    }
    void Put(const wchar_t* setting, DWORD value) {
        RegSetKeyValueW(HKEY_CURRENT_USER, (base + L"\\Settings").c_str(), setting, REG_DWORD,
                        &value, sizeof value);
    }
    bool Exists(const std::wstring& key) const {
        HKEY k = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (base + L"\\" + key).c_str(), 0, KEY_READ, &k))
            return false;
        RegCloseKey(k);
        return true;
    }

    // Shows a new dialog; drive() runs once it is up. A dialog it leaves open is cancelled after
    // what it posted, so that a failed assertion cannot hang the test.
    int Show(const std::function<void(HWND)>& drive) {
        params.onShown = [&](HWND dialog) {
            drive(dialog);
            if (IsWindow(dialog))
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        };
        return TFrmFA(params, target).ShowModal();
    }
    static bool On(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    static void Set(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on); }
    static int Item(HWND dialog, int id) {
        return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
    }
    static void Press(HWND dialog, int id) {
        SendMessageW(dialog, WM_COMMAND, id, reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    test::TempDir dir;
    std::wstring base, exe;
    OptionsDialogParams params;
    OptionsTarget target;
    std::vector<std::wstring> boxes;
    std::vector<std::string> applied;
    int notified = 0;
};

TEST_F(OptionsDialog, AssociationsKeepTheOldTypeAndShareTheDocumentType) {
    // The reference: the folder short and in lower case (no blank), the name long.
    const std::wstring ref = ExecutableReference(exe);
    const std::wstring folder = ref.substr(0, ref.rfind(L'\\') + 1);
    EXPECT_EQ(ref.substr(folder.size()), L"Quillon App.exe");
    EXPECT_EQ(folder.find(L' '), std::wstring::npos) << folder;
    EXPECT_EQ(folder, CharLowerW(std::wstring(folder).data()));
    wchar_t longForm[MAX_PATH] = {};
    GetLongPathNameW(folder.c_str(), longForm, MAX_PATH);
    EXPECT_EQ(lstrcmpiW(longForm, (dir.path() / L"Long Folder Name\\").c_str()), 0) << longForm;

    Put(L"Machine\\.sfv", L"", L"Other.Sfv"); // .md5 had no type
    Registry classes(RegistryRoot::Classes, params.classesKey, params.classesFallbackKey);
    AssociateExtension(classes, true, exe);
    AssociateExtension(classes, false, exe);
    AssociateExtension(classes, true, exe); // again: the old type stays the backup
    EXPECT_EQ(Get(L"Classes\\.sfv"), L"Quillon.Document");
    EXPECT_EQ(Get(L"Classes\\.sfv", kBackupValue), L"Other.Sfv");
    EXPECT_EQ(Get(L"Classes\\.md5"), L"Quillon.Document");
    EXPECT_EQ(Get(L"Classes\\.md5", kBackupValue), L"-");
    EXPECT_EQ(Get(L"Classes\\Quillon.Document\\DefaultIcon"), ref + L",0");
    EXPECT_EQ(Get(L"Classes\\Quillon.Document\\Shell\\open\\Command"), L"\"" + ref + L"\" \"%1\"");

    // .md5 still names the type, in other letter case: the type stays until it goes too.
    Put(L"Classes\\.md5", L"", L"QUILLON.DOCUMENT");
    RemoveAssociation(classes, true);
    EXPECT_EQ(Get(L"Classes\\.sfv"), L"Other.Sfv");
    EXPECT_EQ(Get(L"Classes\\.sfv", kBackupValue), L"-");
    EXPECT_TRUE(Exists(L"Classes\\Quillon.Document\\Shell\\open\\Command"));
    RemoveAssociation(classes, false);
    EXPECT_EQ(Get(L"Classes\\.md5"), L"");
    EXPECT_FALSE(Exists(L"Classes\\Quillon.Document"));
}

TEST_F(OptionsDialog, OpensWithTheRegistryStateAndOkWritesOnlyWhatChanged) {
    Put(L"Classes\\.sfv", L"", L"quillon.DOCUMENT");
    Put(L"Machine\\.md5", L"", L"Quillon.Document");
    Put(L"Classes\\Folder\\shell\\Create SFV\\command", L"", L"old");
    Put(L"SavePos", 0);
    Put(L"SizeType", 7);
    Put(L"ToolbarPosition", 1);
    std::vector<std::wstring> writes;
    Registry::SetWriteFaultForTests([&](std::wstring_view key, std::wstring_view name) {
        writes.push_back(std::wstring(key.substr(key.rfind(L'\\') + 1)) + L"|" +
                         std::wstring(name));
        return false;
    });
    EXPECT_EQ(Show([&](HWND dialog) {
                  EXPECT_TRUE(On(dialog, IDC_FA_ASSOCIATE_SFV) &&
                              On(dialog, IDC_FA_ASSOCIATE_MD5) && On(dialog, IDC_FA_FOLDER_SFV) &&
                              On(dialog, IDC_FA_SAVE_POS));
                  EXPECT_FALSE(On(dialog, IDC_FA_FOLDER_MD5) || On(dialog, IDC_FA_SHOW_PROGRESS));
                  EXPECT_EQ(Item(dialog, IDC_FA_SIZE_TYPE), -1);
                  EXPECT_EQ(Item(dialog, IDC_FA_TOOLBAR_LAYOUT), 1);
                  SendDlgItemMessageW(dialog, IDOK, BM_CLICK, 0, 0);
              }),
              IDOK);
    // Nothing written to the classes but the checked folder entry.
    EXPECT_EQ(writes,
              (std::vector<std::wstring>{L"command|", L"Settings|SizeType",
                                         L"Settings|ToolbarPosition", L"Settings|SavePos"}));
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(Get(L"Classes\\Folder\\shell\\Create SFV\\command"),
              L"\"" + exe + L"\" -makesfv \"%1\"");
    EXPECT_EQ(Get(L"Settings", L"SizeType"), L"-1");
    EXPECT_EQ(Get(L"Settings", L"SavePos"), L"1");
    EXPECT_EQ(Get(L"Settings", L"ShowProgress"), L"-");
    EXPECT_EQ(applied, (std::vector<std::string>{"layout:1", "progress:0", "repaint", "sizes"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(OptionsDialog, OkAppliesChangedBoxesAndTheNextDialogReadsThemBack) {
    EXPECT_EQ(Show([&](HWND dialog) {
                  EXPECT_EQ(Item(dialog, IDC_FA_SIZE_TYPE), 0);
                  for (int id : {IDC_FA_ASSOCIATE_SFV, IDC_FA_ASSOCIATE_MD5, IDC_FA_FOLDER_MD5,
                                 IDC_FA_SHOW_PROGRESS}) {
                      EXPECT_FALSE(On(dialog, id));
                      Set(dialog, id, true);
                  }
                  SendDlgItemMessageW(dialog, IDC_FA_SIZE_TYPE, CB_SETCURSEL, 2, 0);
                  Press(dialog, IDOK);
              }),
              IDOK);
    EXPECT_EQ(Get(L"Classes\\.sfv") + Get(L"Classes\\.md5"), L"Quillon.DocumentQuillon.Document");
    EXPECT_EQ(Get(L"Classes\\Folder\\shell\\Create MD5\\command"),
              L"\"" + exe + L"\" -makemd5 \"%1\"");
    EXPECT_FALSE(Exists(L"Classes\\Folder\\shell\\Create SFV"));
    EXPECT_EQ(Get(L"Settings", L"SizeType") + Get(L"Settings", L"ShowProgress"), L"21");
    EXPECT_EQ(Get(L"Settings", L"SavePos"), L"-");
    EXPECT_EQ(applied,
              (std::vector<std::string>{"size:2", "layout:0", "progress:1", "repaint", "sizes"}));
    EXPECT_EQ(notified, 1);

    EXPECT_EQ(Show([&](HWND dialog) {
                  EXPECT_TRUE(On(dialog, IDC_FA_ASSOCIATE_SFV) && On(dialog, IDC_FA_FOLDER_MD5));
                  EXPECT_EQ(Item(dialog, IDC_FA_SIZE_TYPE), 2);
                  Set(dialog, IDC_FA_ASSOCIATE_SFV, false);
                  Set(dialog, IDC_FA_FOLDER_MD5, false);
                  // Enter is OK wherever the focus is.
                  PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
              }),
              IDOK);
    EXPECT_EQ(Get(L"Classes\\.sfv"), L"");
    EXPECT_TRUE(Exists(L"Classes\\Quillon.Document\\DefaultIcon"));
    EXPECT_FALSE(Exists(L"Classes\\Folder\\shell\\Create MD5"));
    EXPECT_EQ(notified, 2);
}

// .sha1, .sha256, .sha512 and .b3 go together, each keeping its old type as .sfv and .md5 do; the
// box shows checked only when all four name the document type.
TEST_F(OptionsDialog, TheThirdBoxAssociatesTheNewerKindsTogether) {
    Put(L"Machine\\.sha256", L"", L"Other.Sha");
    Put(L"Classes\\.b3", L"", L"Quillon.Document");
    const std::wstring keys[] = {L"Classes\\.sha1", L"Classes\\.sha256", L"Classes\\.sha512",
                                 L"Classes\\.b3"};
    for (bool associate : {true, false}) {
        EXPECT_EQ(Show([&](HWND dialog) {
                      EXPECT_NE(On(dialog, IDC_FA_ASSOCIATE_SHA), associate);
                      EXPECT_FALSE(On(dialog, IDC_FA_ASSOCIATE_SFV) ||
                                   On(dialog, IDC_FA_ASSOCIATE_MD5));
                      Set(dialog, IDC_FA_ASSOCIATE_SHA, associate);
                      Press(dialog, IDOK);
                  }),
                  IDOK);
        for (const auto& key : keys)
            EXPECT_EQ(Get(key) == L"Quillon.Document", associate) << key;
        EXPECT_EQ(Get(L"Classes\\.sha256", kBackupValue), associate ? L"Other.Sha" : L"-");
        EXPECT_EQ(Exists(L"Classes\\Quillon.Document\\DefaultIcon"), associate);
        EXPECT_EQ(notified, associate ? 1 : 2);
    }
    EXPECT_EQ(Get(L"Classes\\.sha256"), L"Other.Sha");
    EXPECT_EQ(Get(L"Classes\\.sha1"), L"");
}

TEST_F(OptionsDialog, ErrorsAreShownAndAFailedWriteKeepsTheDialogOpen) {
    Put(L"Classes\\.sfv", L"", L"Old.Type");
    Registry classes(RegistryRoot::Classes, params.classesKey, params.classesFallbackKey);
    AssociateExtension(classes, true, exe);
    Put(L"Settings", L"SizeType", L"2");
    bool fail = true;
    EXPECT_EQ(Show([&](HWND dialog) {
                  EXPECT_EQ(boxes, std::vector<std::wstring>{
                                       L"Quillon: Invalid data type for 'SizeType'"});
                  Set(dialog, IDC_FA_ASSOCIATE_SFV, false);
                  Set(dialog, IDC_FA_SAVE_POS, true);
                  Registry::SetWriteFaultForTests([&](std::wstring_view, std::wstring_view name) {
                      return fail && name == L"SavePos";
                  });
                  Press(dialog, IDOK);
                  EXPECT_EQ(boxes.back(), L"Quillon: Failed to set data for 'SavePos'");
                  EXPECT_TRUE(IsWindowVisible(dialog));
                  EXPECT_TRUE(applied.empty());
                  // OK again must not remove .sfv twice (the backup is gone by then).
                  fail = false;
                  Press(dialog, IDOK);
              }),
              IDOK);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(Get(L"Classes\\.sfv"), L"Old.Type");
    EXPECT_FALSE(Exists(L"Classes\\Quillon.Document"));
    EXPECT_EQ(Get(L"Settings", L"SavePos"), L"1");
    EXPECT_EQ(notified, 1);
}

// Every control inside the client area, none over another, every caption fitting its control;
// Esc closes it with nothing written.
TEST_F(OptionsDialog, LayoutFitsAtEachDpiAndEscapeCancels) {
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        params.dpi = dpi;
        EXPECT_EQ(
            Show([&](HWND dialog) {
                RECT client{};
                GetClientRect(dialog, &client);
                EXPECT_EQ(client.right * 1000 + client.bottom,
                          MulDiv(282, dpi, 96) * 1000 + MulDiv(311, dpi, 96));
                std::vector<RECT> placed;
                for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                    RECT r{}, overlap{}, need{};
                    GetWindowRect(c, &r);
                    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
                    const int id = GetDlgCtrlID(c);
                    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right &&
                                r.bottom <= client.bottom)
                        << id;
                    for (const RECT& o : placed)
                        EXPECT_FALSE(IntersectRect(&overlap, &r, &o)) << id;
                    placed.push_back(r);
                    wchar_t text[128] = {}, className[16] = {};
                    GetWindowTextW(c, text, 128);
                    GetClassNameW(c, className, 16);
                    if (lstrcmpiW(className, L"ComboBox") == 0)
                        continue;
                    HDC dc = GetDC(c);
                    SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
                    DrawTextW(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
                    ReleaseDC(c, dc);
                    // A check box's box and gap come before its text.
                    const bool check =
                        (GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
                    EXPECT_LE(need.right, r.right - r.left - (check ? MulDiv(18, dpi, 96) : 0))
                        << id;
                    EXPECT_LE(need.bottom, r.bottom - r.top) << id;
                }
                PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
            }),
            IDCANCEL);
    }
    EXPECT_EQ(Get(L"Settings", L"SizeType"), L"-");
    EXPECT_TRUE(applied.empty());
}

} // namespace
} // namespace quillon
