#pragma once
// The Options dialog: file-type associations, the folder menu's Create entries and the window's
// preferences.
#include "platform/Registry.h"
#include "util/SettingsStore.h"
#include "util/win32/ModalDialog.h"

#include <windows.h>

#include <functional>
#include <string>

namespace quillon {

// Control IDs, with the control each one is; OK and Cancel are IDOK and IDCANCEL, so that Enter
// and Esc reach them.
enum : int {
    IDC_FA_ASSOCIATE_LABEL = 1101, // Label1
    IDC_FA_ASSOCIATE_SFV,          // CheckBox1: .sfv associated
    IDC_FA_ASSOCIATE_MD5,          // CheckBox2: .md5 associated
    IDC_FA_ASSOCIATE_SHA,          // .sha1, .sha256, .sha512 and .b3 associated
    IDC_FA_FOLDER_LABEL,           // Label2
    IDC_FA_FOLDER_SFV,             // CheckBox4: folder menu "Create SFV"
    IDC_FA_FOLDER_MD5,             // CheckBox5: folder menu "Create MD5"
    IDC_FA_SIZE_LABEL,             // Label3
    IDC_FA_SIZE_TYPE,              // ComboBox1: size display
    IDC_FA_LAYOUT_LABEL,           // Label4
    IDC_FA_TOOLBAR_LAYOUT,         // ComboBox2: toolbar layout
    IDC_FA_SAVE_POS,               // CheckBox3: remember the window placement
    IDC_FA_SHOW_PROGRESS,          // CheckBox6: show the progress panel
};

// The document type the extensions name, and the value keeping the type an extension had before.
inline constexpr wchar_t kDocumentType[] = L"Quillon.Document";
inline constexpr wchar_t kBackupValue[] = L"Quillon.Backup";

// What OK applies to the open main window. Hooks left empty are skipped.
struct OptionsTarget {
    std::function<void(int sizeType)> setSizeType; // 0..2 only
    std::function<void(int layout)>
        setToolbarLayout; // item index as is (the window ignores others)
    std::function<void(bool shown)> showProgress;
    std::function<void()> repaintFileList;
    // Every verify row's size text again, in the size display just set.
    std::function<void()> rewriteSizeTexts;
};

struct OptionsDialogParams {
    HWND owner = nullptr;
    int dpi = 96;
    // The owner's window font; nullptr: one made like it at dpi.
    HFONT font = nullptr;
    std::wstring exePath; // argument 0
    std::wstring settingsKey = std::wstring(settings::Key);
    // Empty: the real per-user classes. Tests give scratch keys below HKEY_CURRENT_USER for the
    // per-user classes and for what stands in for HKEY_CLASSES_ROOT (empty: the real one).
    std::wstring classesKey;
    std::wstring classesFallbackKey;
    std::wstring appTitle; // caption of error boxes
    // Default: MessageBoxW.
    std::function<int(HWND, const std::wstring& text, const std::wstring& caption, UINT type)>
        messageBox;
    // Called after associations changed. Default: platform::NotifyAssociationsChanged.
    std::function<void()> notifyShell;
    // Called once the dialog shows (from its message loop), for tests that drive it.
    std::function<void(HWND dialog)> onShown;
};

class TFrmFA final : private win::ModalDialog {
public:
    TFrmFA(OptionsDialogParams params, OptionsTarget target);

    // Shows the dialog modally, reading the registry afresh each time; IDOK or IDCANCEL.
    int ShowModal();

    // The state of the associations when the dialog opened; OK changes only what the user did.
    bool WasSfvAssociated = false;
    bool WasMd5Associated = false;
    bool WasShaAssociated = false; // every one of the newer kinds' extensions

private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnException(const std::exception* e) override;
    void LayoutControls();
    void FormCreate();
    void Button2Click();
    void Button1Click();
    void FormClose(int result);
    void ShowError(HWND owner, const std::wstring& text);
    platform::Registry ClassesRegistry() const;
    bool Checked(int id) const;
    void SetChecked(int id, bool checked);
    int ItemIndex(int id) const;
    void SetItemIndex(int id, int index, int count);

    OptionsDialogParams params_;
    OptionsTarget target_;
    HFONT font_ = nullptr;
    win::UniqueFont ownFont_;
};

// The extensions the third box associates, as keys ("\\.sha1", ...).
inline constexpr const wchar_t* kShaExtensionKeys[] = {L"\\.sha1", L"\\.sha256", L"\\.sha512",
                                                       L"\\.b3"};

// Points an extension's key ("\\.sfv") at the document type, keeping the type it named before in
// "Quillon.Backup", and registers the type's icon and open command for exePath.
void AssociateExtension(platform::Registry& classes, const wchar_t* extensionKey,
                        const std::wstring& exePath);
// .sfv (isSfv) or .md5.
void AssociateExtension(platform::Registry& classes, bool isSfv, const std::wstring& exePath);
// Gives the extension back the type kept in "Quillon.Backup"; the document type goes when no
// extension names it any more.
void RemoveAssociation(platform::Registry& classes, const wchar_t* extensionKey);
void RemoveAssociation(platform::Registry& classes, bool isSfv);

// How the registrations name the program: the folder of exePath in its short form in lower case
// (the long form when there is no short one), then the file name as given.
std::wstring ExecutableReference(const std::wstring& exePath);

} // namespace quillon
