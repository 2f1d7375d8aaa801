#include "create/win32/FADlg.h"

#include "create/OptionsSettings.h"
#include "platform/win32/ScopedWin.h"
#include "platform/win32/WideText.h"
#include "util/Dpi.h"
#include "util/win32/EnhFuncWin32.h"
#include "util/win32/RegistrySettings.h"
#include "util/win32/WindowFont.h"

#include <memory>
#include <string_view>
#include <vector>

namespace quillon {

namespace {

constexpr wchar_t kDocumentDescription[] = L"SFV File";
constexpr wchar_t kSfvKey[] = L"\\.sfv";
constexpr wchar_t kMd5Key[] = L"\\.md5";
constexpr wchar_t kDocumentKey[] = L"\\Quillon.Document";
constexpr wchar_t kIconKey[] = L"\\Quillon.Document\\DefaultIcon";
constexpr wchar_t kOpenCommandKey[] = L"\\Quillon.Document\\Shell\\open\\Command\\";

struct FolderEntry {
    const wchar_t* key;
    const wchar_t* commandKey;
    const wchar_t* option;
};
constexpr FolderEntry kFolderSfv{L"\\Folder\\shell\\Create SFV",
                                 L"\\Folder\\shell\\Create SFV\\command", L"-makesfv"};
constexpr FolderEntry kFolderMd5{L"\\Folder\\shell\\Create MD5",
                                 L"\\Folder\\shell\\Create MD5\\command", L"-makemd5"};

// Posted at the end of WM_INITDIALOG; it arrives once the dialog is on screen.
// wParam, lParam: 0.
constexpr UINT WM_FA_SHOWN = WM_APP + 1;

constexpr WORD kButton = win::DialogTemplate::Button;
constexpr WORD kStatic = win::DialogTemplate::Static;
constexpr WORD kComboBox = win::DialogTemplate::ComboBox;

// One control at 96 DPI; the dialog places them in pixels at its DPI.
struct ControlSpec {
    int id;
    WORD classAtom;
    DWORD style;
    const wchar_t* text;
    int x, y, width, height;
};

constexpr DWORD kCheck = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD kCombo = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr int kClientWidth = 282;
constexpr int kClientHeight = 311;
// The combo boxes' height with their list dropped down.
constexpr int kDroppedHeight = 120;

// In tab order. A label's mnemonic moves the focus to the control after it.
constexpr ControlSpec kControls[] = {
    {IDC_FA_ASSOCIATE_LABEL, kStatic, kLabel, L"&Associate Quillon with the following file types.",
     12, 12, 262, 15},
    {IDC_FA_ASSOCIATE_SFV, kButton, kCheck | WS_GROUP, L"&SFV", 28, 31, 80, 19},
    {IDC_FA_ASSOCIATE_MD5, kButton, kCheck, L"&MD5", 120, 31, 80, 19},
    {IDC_FA_ASSOCIATE_SHA, kButton, kCheck, L"Associate .sha1, .sha256, .sha512 and .b&3 files",
     20, 53, 258, 19},
    {IDC_FA_FOLDER_LABEL, kStatic, kLabel, L"A&dd Create to Explorer folder right-click menu", 12,
     88, 262, 15},
    {IDC_FA_FOLDER_SFV, kButton, kCheck | WS_GROUP, L"SF&V", 28, 107, 80, 19},
    {IDC_FA_FOLDER_MD5, kButton, kCheck, L"MD&5", 120, 107, 80, 19},
    {IDC_FA_SIZE_LABEL, kStatic, kLabel | SS_CENTERIMAGE, L"Display File Si&ze As", 12, 148, 130,
     15},
    {IDC_FA_SIZE_TYPE, kComboBox, kCombo | WS_GROUP, L"", 150, 144, 120, kDroppedHeight},
    {IDC_FA_LAYOUT_LABEL, kStatic, kLabel | SS_CENTERIMAGE, L"Toolbar &Layout", 12, 178, 130, 15},
    {IDC_FA_TOOLBAR_LAYOUT, kComboBox, kCombo | WS_GROUP, L"", 150, 174, 120, kDroppedHeight},
    {IDC_FA_SAVE_POS, kButton, kCheck | WS_GROUP, L"Remeber &window size && position on exit", 12,
     212, 262, 19},
    {IDC_FA_SHOW_PROGRESS, kButton, kCheck, L"Show File &Progress", 12, 236, 262, 19},
    {IDOK, kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, L"OK", 114,
     274, 75, 25},
    {IDCANCEL, kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, L"Cancel", 195, 274, 75,
     25},
};

constexpr const wchar_t* kSizeItems[] = {L"Auto", L"KB", L"Bytes"};
constexpr const wchar_t* kLayoutItems[] = {L"Left", L"Top"};

// The dialog places its controls in pixels once it runs.
win::DialogTemplate MakeTemplate() {
    // WS_VISIBLE: shown as soon as WM_INITDIALOG returns, not when the queue first runs dry.
    win::DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME, 0,
                               L"Options");
    for (const ControlSpec& c : kControls)
        dialog.AddItem(c.style, 0, static_cast<WORD>(c.id), c.classAtom, c.text);
    return dialog;
}

bool SameTextIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Writing needs the key; without it the values would land in the root.
void OpenForWriting(platform::Registry& registry, std::wstring_view key,
                    const std::wstring& firstValue) {
    if (!registry.OpenKey(key, true))
        throw platform::RegistryError(L"Failed to set data for '" + firstValue + L"'", firstValue);
}

// Whether the extension's key names the document type; what cannot be read does not.
bool NamesDocumentType(platform::Registry& classes, const wchar_t* extensionKey) {
    bool names = false;
    try {
        if (classes.OpenKey(extensionKey, false))
            names = SameTextIgnoringCase(classes.ReadString(L""), kDocumentType);
    } catch (const platform::RegistryError&) {
    }
    classes.CloseKey();
    return names;
}

std::wstring FolderCommand(const std::wstring& exePath, const wchar_t* option) {
    return L"\"" + exePath + L"\" " + option + L" \"%1\"";
}

} // namespace

std::wstring ExecutableReference(const std::wstring& exePath) {
    const std::size_t slash = exePath.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? L"" : exePath.substr(0, slash + 1);
    std::wstring name = exePath.substr(slash == std::wstring::npos ? 0 : slash + 1);
    // Argument 0 may itself be a short name.
    if (const DWORD n = GetLongPathNameW(exePath.c_str(), nullptr, 0)) {
        std::wstring longPath(n, L'\0');
        const DWORD got = GetLongPathNameW(exePath.c_str(), longPath.data(), n);
        if (got > 0 && got < n) {
            longPath.resize(got);
            const std::size_t s = longPath.find_last_of(L"\\/");
            name = longPath.substr(s == std::wstring::npos ? 0 : s + 1);
        }
    }
    if (folder.empty())
        return name;
    if (const DWORD n = GetShortPathNameW(folder.c_str(), nullptr, 0)) {
        std::wstring shortPath(n, L'\0');
        const DWORD got = GetShortPathNameW(folder.c_str(), shortPath.data(), n);
        if (got > 0 && got < n) {
            shortPath.resize(got);
            folder = std::move(shortPath);
        }
    }
    if (folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    CharLowerBuffW(folder.data(), static_cast<DWORD>(folder.size()));
    return folder + name;
}

void AssociateExtension(platform::Registry& classes, bool isSfv, const std::wstring& exePath) {
    AssociateExtension(classes, isSfv ? kSfvKey : kMd5Key, exePath);
}

void AssociateExtension(platform::Registry& classes, const wchar_t* extensionKey,
                        const std::wstring& exePath) {
    OpenForWriting(classes, extensionKey, L"");
    const std::wstring previous = classes.ReadString(L"");
    classes.WriteString(L"", kDocumentType);
    if (!previous.empty() && previous != kDocumentType)
        classes.WriteString(kBackupValue, previous);
    classes.CloseKey();

    const std::wstring reference = ExecutableReference(exePath);
    OpenForWriting(classes, kDocumentKey, L"");
    classes.WriteString(L"", kDocumentDescription);
    OpenForWriting(classes, kIconKey, L"");
    classes.WriteString(L"", reference + L",0");
    // Quoted: a blank in the program's name would otherwise split the command.
    OpenForWriting(classes, kOpenCommandKey, L"");
    classes.WriteString(L"", L"\"" + reference + L"\" \"%1\"");
    classes.CloseKey();
}

void RemoveAssociation(platform::Registry& classes, bool isSfv) {
    RemoveAssociation(classes, isSfv ? kSfvKey : kMd5Key);
}

void RemoveAssociation(platform::Registry& classes, const wchar_t* extensionKey) {
    OpenForWriting(classes, extensionKey, L"");
    classes.WriteString(L"", classes.ReadString(kBackupValue));
    classes.DeleteValue(kBackupValue);
    classes.CloseKey();
    // The extensions share the type: it stays while another one still names it.
    bool named = NamesDocumentType(classes, kSfvKey) || NamesDocumentType(classes, kMd5Key);
    for (const wchar_t* key : kShaExtensionKeys)
        named = named || NamesDocumentType(classes, key);
    if (!named)
        classes.DeleteKey(kDocumentKey);
}

TFrmFA::TFrmFA(OptionsDialogParams params, OptionsTarget target)
    : params_(std::move(params)), target_(std::move(target)) {
    if (!params_.messageBox)
        params_.messageBox = [](HWND owner, const std::wstring& text, const std::wstring& caption,
                                UINT type) {
            return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
        };
    if (!params_.notifyShell)
        params_.notifyShell = platform::NotifyAssociationsChanged;
}

int TFrmFA::ShowModal() {
    font_ = params_.font;
    if (!font_) {
        ownFont_ = MakeWindowFont(params_.dpi);
        font_ = ownFont_.Get();
    }
    return RunModal(params_.owner, MakeTemplate()) == IDOK ? IDOK : IDCANCEL;
}

void TFrmFA::OnException(const std::exception* e) {
    // The dialog stays: the user may try again or cancel.
    ShowError(dialog_, e ? platform::win32::Widen(CP_UTF8, e->what()) : L"Unexpected error");
}

INT_PTR TFrmFA::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        LayoutControls();
        FormCreate();
        CenterForm(params_.owner, dialog_);
        PostMessageW(dialog_, WM_FA_SHOWN, 0, 0);
        return TRUE; // the first control takes the focus
    case WM_FA_SHOWN:
        if (params_.onShown)
            params_.onShown(dialog_);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            Button2Click();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            Button1Click();
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void TFrmFA::LayoutControls() {
    const int dpi = params_.dpi > 0 ? params_.dpi : 96;
    auto scale = [dpi](int v) { return Scale(v, dpi); };
    SendMessageW(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    for (const ControlSpec& c : kControls) {
        HWND control = GetDlgItem(dialog_, c.id);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SetWindowPos(control, nullptr, scale(c.x), scale(c.y), scale(c.width), scale(c.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const wchar_t* item : kSizeItems)
        SendDlgItemMessageW(dialog_, IDC_FA_SIZE_TYPE, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(item));
    for (const wchar_t* item : kLayoutItems)
        SendDlgItemMessageW(dialog_, IDC_FA_TOOLBAR_LAYOUT, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(item));

    // The combo boxes' height follows the font: each label takes its box's line, text centred.
    for (const auto& [labelId, comboId] : {std::pair{IDC_FA_SIZE_LABEL, IDC_FA_SIZE_TYPE},
                                           std::pair{IDC_FA_LAYOUT_LABEL, IDC_FA_TOOLBAR_LAYOUT}}) {
        HWND label = GetDlgItem(dialog_, labelId);
        RECT combo{}, text{};
        GetWindowRect(GetDlgItem(dialog_, comboId), &combo);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&combo), 2);
        GetWindowRect(label, &text);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&text), 2);
        SetWindowPos(label, nullptr, text.left, combo.top, text.right - text.left,
                     combo.bottom - combo.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // A font wider than the one the layout was made for (another system font, linked fonts) gets
    // a wider box rather than cut captions: the long check box grows, OK and Cancel move along.
    int extra = 0;
    {
        HWND check = GetDlgItem(dialog_, IDC_FA_ASSOCIATE_SHA);
        wchar_t text[128] = {};
        GetWindowTextW(check, text, 128);
        win::ScopedGetDc dc(check);
        win::ScopedSelect select(dc.Get(), font_);
        RECT need{};
        DrawTextW(dc.Get(), text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
        RECT r{};
        GetWindowRect(check, &r);
        const int fits = r.right - r.left - scale(18);
        if (need.right > fits) {
            extra = need.right - fits;
            SetWindowPos(check, nullptr, 0, 0, r.right - r.left + extra, r.bottom - r.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            for (int id : {IDOK, IDCANCEL}) {
                HWND button = GetDlgItem(dialog_, id);
                GetWindowRect(button, &r);
                MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
                SetWindowPos(button, nullptr, r.left + extra, r.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
    }

    RECT frame{0, 0, scale(kClientWidth) + extra, scale(kClientHeight)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog_, GWL_EXSTYLE)));
    SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

platform::Registry TFrmFA::ClassesRegistry() const {
    if (params_.classesKey.empty())
        return platform::Registry(platform::RegistryRoot::Classes);
    return platform::Registry(platform::RegistryRoot::Classes, params_.classesKey,
                              params_.classesFallbackKey);
}

bool TFrmFA::Checked(int id) const {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void TFrmFA::SetChecked(int id, bool checked) {
    CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

int TFrmFA::ItemIndex(int id) const {
    return static_cast<int>(SendDlgItemMessageW(dialog_, id, CB_GETCURSEL, 0, 0));
}

void TFrmFA::SetItemIndex(int id, int index, int count) {
    SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
}

void TFrmFA::FormCreate() {
    platform::Registry classes = ClassesRegistry();
    SetChecked(IDC_FA_ASSOCIATE_SFV, NamesDocumentType(classes, kSfvKey));
    SetChecked(IDC_FA_ASSOCIATE_MD5, NamesDocumentType(classes, kMd5Key));
    bool allSha = true;
    for (const wchar_t* key : kShaExtensionKeys)
        allSha = allSha && NamesDocumentType(classes, key);
    SetChecked(IDC_FA_ASSOCIATE_SHA, allSha);
    SetChecked(IDC_FA_FOLDER_SFV, classes.OpenKey(kFolderSfv.commandKey, false));
    classes.CloseKey();
    SetChecked(IDC_FA_FOLDER_MD5, classes.OpenKey(kFolderMd5.commandKey, false));
    classes.CloseKey();
    WasSfvAssociated = Checked(IDC_FA_ASSOCIATE_SFV);
    WasMd5Associated = Checked(IDC_FA_ASSOCIATE_MD5);
    WasShaAssociated = allSha;

    // A bad stored value leaves its box without a selection; the dialog still opens.
    std::vector<std::string> errors;
    const OptionValues values =
        ReadOptionValues(RegistrySettings::Open(params_.settingsKey).get(), errors);
    SetChecked(IDC_FA_SAVE_POS, values.savePos);
    SetChecked(IDC_FA_SHOW_PROGRESS, values.showProgress);
    SetItemIndex(IDC_FA_SIZE_TYPE, values.sizeType, SizeTypeItems);
    SetItemIndex(IDC_FA_TOOLBAR_LAYOUT, values.toolbarLayout, ToolbarLayoutItems);
    for (const std::string& error : errors)
        ShowError(params_.owner, platform::win32::Widen(CP_UTF8, error));
}

void TFrmFA::Button2Click() {
    try {
        platform::Registry classes = ClassesRegistry();
        bool associationsChanged = false;
        try {
            const bool sfv = Checked(IDC_FA_ASSOCIATE_SFV);
            const bool md5 = Checked(IDC_FA_ASSOCIATE_MD5);
            const bool sha = Checked(IDC_FA_ASSOCIATE_SHA);
            // Each step is remembered as done at once: OK again after a failure must not remove
            // an association twice (the second time finds no backup and loses the old type).
            if (!WasSfvAssociated && sfv) {
                AssociateExtension(classes, true, params_.exePath);
                WasSfvAssociated = associationsChanged = true;
            }
            if (!WasMd5Associated && md5) {
                AssociateExtension(classes, false, params_.exePath);
                WasMd5Associated = associationsChanged = true;
            }
            if (!WasShaAssociated && sha) {
                // One extension at a time, each remembered as done: OK again after a failure
                // associates only the rest (an extension named already keeps its backup).
                for (const wchar_t* key : kShaExtensionKeys) {
                    if (!NamesDocumentType(classes, key)) {
                        AssociateExtension(classes, key, params_.exePath);
                        associationsChanged = true;
                    }
                }
                WasShaAssociated = true;
            }
            if (WasSfvAssociated && !sfv) {
                RemoveAssociation(classes, true);
                WasSfvAssociated = false;
                associationsChanged = true;
            }
            if (WasMd5Associated && !md5) {
                RemoveAssociation(classes, false);
                WasMd5Associated = false;
                associationsChanged = true;
            }
            if (WasShaAssociated && !sha) {
                for (const wchar_t* key : kShaExtensionKeys) {
                    if (NamesDocumentType(classes, key)) {
                        RemoveAssociation(classes, key);
                        associationsChanged = true;
                    }
                }
                WasShaAssociated = false;
            }
        } catch (...) {
            if (associationsChanged)
                params_.notifyShell();
            throw;
        }
        if (associationsChanged)
            params_.notifyShell();

        for (const auto& [id, entry] :
             {std::pair{IDC_FA_FOLDER_SFV, kFolderSfv}, std::pair{IDC_FA_FOLDER_MD5, kFolderMd5}}) {
            classes.CloseKey();
            if (!Checked(id)) {
                classes.DeleteKey(entry.key);
            } else if (classes.OpenKey(entry.commandKey, true)) {
                classes.WriteString(L"", FolderCommand(params_.exePath, entry.option));
            }
        }
        classes.CloseKey();

        OptionValues values;
        values.sizeType = ItemIndex(IDC_FA_SIZE_TYPE);
        values.toolbarLayout = ItemIndex(IDC_FA_TOOLBAR_LAYOUT);
        values.savePos = Checked(IDC_FA_SAVE_POS);
        values.showProgress = Checked(IDC_FA_SHOW_PROGRESS);
        const std::unique_ptr<RegistrySettings> store = RegistrySettings::Open(params_.settingsKey);
        if (!store) {
            const std::wstring name(settings::SizeType);
            throw platform::RegistryError(L"Failed to set data for '" + name + L"'", name);
        }
        WriteOptionValues(*store, values);

        if (values.sizeType >= 0 && values.sizeType < SizeTypeItems && target_.setSizeType)
            target_.setSizeType(values.sizeType);
        if (target_.setToolbarLayout)
            target_.setToolbarLayout(values.toolbarLayout);
        if (target_.showProgress)
            target_.showProgress(values.showProgress);
        if (target_.repaintFileList)
            target_.repaintFileList();
        if (target_.rewriteSizeTexts)
            target_.rewriteSizeTexts();
    } catch (const platform::RegistryError& e) {
        // The dialog stays, so that the user can try again or cancel.
        ShowError(dialog_, e.Message());
        return;
    }
    FormClose(IDOK);
}

void TFrmFA::Button1Click() {
    FormClose(IDCANCEL);
}

void TFrmFA::FormClose(int result) {
    EndDialog(dialog_, result);
}

void TFrmFA::ShowError(HWND owner, const std::wstring& text) {
    params_.messageBox(owner, text, params_.appTitle, MB_OK | MB_ICONERROR);
}

} // namespace quillon
