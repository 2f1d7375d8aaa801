#include "create/win32/FADlg.h"

#include "platform/win32/ScopedWin.h"
#include "platform/win32/WideText.h"
#include "util/win32/EnhFuncWin32.h"
#include "util/win32/WindowFont.h"

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

constexpr WORD kButton = 0x0080;
constexpr WORD kStatic = 0x0082;
constexpr WORD kComboBox = 0x0085;

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
constexpr int kClientHeight = 289;
// The combo boxes' height with their list dropped down.
constexpr int kDroppedHeight = 120;

// In tab order. A label's mnemonic moves the focus to the control after it.
constexpr ControlSpec kControls[] = {
    {IDC_FA_LABEL1, kStatic, kLabel, L"&Associate Quillon with the following file types.", 12, 12,
     262, 15},
    {IDC_FA_CHECKBOX1, kButton, kCheck | WS_GROUP, L"&SFV", 28, 31, 80, 19},
    {IDC_FA_CHECKBOX2, kButton, kCheck, L"&MD5", 120, 31, 80, 19},
    {IDC_FA_LABEL2, kStatic, kLabel, L"A&dd Create to Explorer folder right-click menu", 12, 66,
     262, 15},
    {IDC_FA_CHECKBOX4, kButton, kCheck | WS_GROUP, L"SF&V", 28, 85, 80, 19},
    {IDC_FA_CHECKBOX5, kButton, kCheck, L"MD&5", 120, 85, 80, 19},
    {IDC_FA_LABEL3, kStatic, kLabel | SS_CENTERIMAGE, L"Display File Si&ze As", 12, 126, 130, 15},
    {IDC_FA_COMBOBOX1, kComboBox, kCombo | WS_GROUP, L"", 150, 122, 120, kDroppedHeight},
    {IDC_FA_LABEL4, kStatic, kLabel | SS_CENTERIMAGE, L"Toolbar &Layout", 12, 156, 130, 15},
    {IDC_FA_COMBOBOX2, kComboBox, kCombo | WS_GROUP, L"", 150, 152, 120, kDroppedHeight},
    {IDC_FA_CHECKBOX3, kButton, kCheck | WS_GROUP, L"Remeber &window size && position on exit", 12,
     190, 262, 19},
    {IDC_FA_CHECKBOX6, kButton, kCheck, L"Show File &Progress", 12, 214, 262, 19},
    {IDOK, kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, L"OK", 114,
     252, 75, 25},
    {IDCANCEL, kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, L"Cancel", 195, 252, 75,
     25},
};

constexpr const wchar_t* kSizeItems[] = {L"Auto", L"KB", L"Bytes"};
constexpr const wchar_t* kLayoutItems[] = {L"Left", L"Top"};

// An in-memory dialog template; the dialog places its controls in pixels once it runs.
std::vector<WORD> MakeTemplate() {
    std::vector<WORD> words;
    words.reserve(1024);
    auto addDword = [&](DWORD d) {
        words.push_back(LOWORD(d));
        words.push_back(HIWORD(d));
    };
    auto addString = [&](std::wstring_view s) {
        words.insert(words.end(), s.begin(), s.end());
        words.push_back(0);
    };
    // WS_VISIBLE: shown as soon as WM_INITDIALOG returns, not when the queue first runs dry.
    addDword(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME);
    addDword(0);
    words.push_back(static_cast<WORD>(std::size(kControls)));
    for (int i = 0; i < 4; ++i)
        words.push_back(0); // x, y, cx, cy
    words.push_back(0);     // no menu
    words.push_back(0);     // the standard dialog class
    addString(L"Options");
    for (const ControlSpec& c : kControls) {
        if (words.size() % 2)
            words.push_back(0); // items start on a DWORD boundary
        addDword(c.style);
        addDword(0);
        for (int i = 0; i < 4; ++i)
            words.push_back(0); // placed in pixels later
        words.push_back(static_cast<WORD>(c.id));
        words.push_back(0xFFFF);
        words.push_back(c.classAtom);
        addString(c.text);
        words.push_back(0); // no creation data
    }
    return words;
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
    OpenForWriting(classes, isSfv ? kSfvKey : kMd5Key, L"");
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
    OpenForWriting(classes, isSfv ? kSfvKey : kMd5Key, L"");
    classes.WriteString(L"", classes.ReadString(kBackupValue));
    classes.DeleteValue(kBackupValue);
    classes.CloseKey();
    // Both extensions share the type: it stays while the other one still names it.
    if (!NamesDocumentType(classes, kSfvKey) && !NamesDocumentType(classes, kMd5Key))
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
    const std::vector<WORD> dialogTemplate = MakeTemplate();
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()),
        params_.owner, DialogProc, reinterpret_cast<LPARAM>(this));
    dialog_ = nullptr;
    return result == IDOK ? IDOK : IDCANCEL;
}

INT_PTR CALLBACK TFrmFA::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<TFrmFA*>(lParam)->dialog_ = dialog;
    }
    auto* self = reinterpret_cast<TFrmFA*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self)
        return FALSE;
    // Nothing may unwind into user32.
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        self->ShowError(dialog, platform::win32::Widen(CP_UTF8, e.what()));
    } catch (...) {
        self->ShowError(dialog, L"Unexpected error");
    }
    return TRUE;
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
    auto scale = [dpi](int v) { return MulDiv(v, dpi, 96); };
    SendMessageW(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    for (const ControlSpec& c : kControls) {
        HWND control = GetDlgItem(dialog_, c.id);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SetWindowPos(control, nullptr, scale(c.x), scale(c.y), scale(c.width), scale(c.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const wchar_t* item : kSizeItems)
        SendDlgItemMessageW(dialog_, IDC_FA_COMBOBOX1, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(item));
    for (const wchar_t* item : kLayoutItems)
        SendDlgItemMessageW(dialog_, IDC_FA_COMBOBOX2, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(item));

    // The combo boxes' height follows the font: each label takes its box's line, text centred.
    for (const auto& [labelId, comboId] :
         {std::pair{IDC_FA_LABEL3, IDC_FA_COMBOBOX1}, std::pair{IDC_FA_LABEL4, IDC_FA_COMBOBOX2}}) {
        HWND label = GetDlgItem(dialog_, labelId);
        RECT combo{}, text{};
        GetWindowRect(GetDlgItem(dialog_, comboId), &combo);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&combo), 2);
        GetWindowRect(label, &text);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&text), 2);
        SetWindowPos(label, nullptr, text.left, combo.top, text.right - text.left,
                     combo.bottom - combo.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    RECT frame{0, 0, scale(kClientWidth), scale(kClientHeight)};
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
    SetChecked(IDC_FA_CHECKBOX1, NamesDocumentType(classes, kSfvKey));
    SetChecked(IDC_FA_CHECKBOX2, NamesDocumentType(classes, kMd5Key));
    SetChecked(IDC_FA_CHECKBOX4, classes.OpenKey(kFolderSfv.commandKey, false));
    classes.CloseKey();
    SetChecked(IDC_FA_CHECKBOX5, classes.OpenKey(kFolderMd5.commandKey, false));
    classes.CloseKey();
    WasSfvAssociated = Checked(IDC_FA_CHECKBOX1);
    WasMd5Associated = Checked(IDC_FA_CHECKBOX2);

    // A bad stored value leaves its box without a selection; the dialog still opens.
    SetItemIndex(IDC_FA_COMBOBOX1, -1, 0);
    SetItemIndex(IDC_FA_COMBOBOX2, -1, 0);
    platform::Registry settings;
    if (!settings.OpenKey(params_.settingsKey, true))
        return;
    SetChecked(IDC_FA_CHECKBOX3, settings.ValueExists(L"SavePos"));
    SetChecked(IDC_FA_CHECKBOX6, settings.ValueExists(L"ShowProgress"));
    auto load = [&](int comboId, const wchar_t* name, int count) {
        try {
            SetItemIndex(comboId, settings.ValueExists(name) ? settings.ReadInteger(name) : 0,
                         count);
        } catch (const platform::RegistryError& e) {
            ShowError(params_.owner, e.Message());
        }
    };
    load(IDC_FA_COMBOBOX1, L"SizeType", static_cast<int>(std::size(kSizeItems)));
    load(IDC_FA_COMBOBOX2, L"ToolbarPosition", static_cast<int>(std::size(kLayoutItems)));
}

void TFrmFA::Button2Click() {
    try {
        platform::Registry classes = ClassesRegistry();
        bool associationsChanged = false;
        try {
            const bool sfv = Checked(IDC_FA_CHECKBOX1);
            const bool md5 = Checked(IDC_FA_CHECKBOX2);
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
        } catch (...) {
            if (associationsChanged)
                params_.notifyShell();
            throw;
        }
        if (associationsChanged)
            params_.notifyShell();

        for (const auto& [id, entry] :
             {std::pair{IDC_FA_CHECKBOX4, kFolderSfv}, std::pair{IDC_FA_CHECKBOX5, kFolderMd5}}) {
            classes.CloseKey();
            if (!Checked(id)) {
                classes.DeleteKey(entry.key);
            } else if (classes.OpenKey(entry.commandKey, true)) {
                classes.WriteString(L"", FolderCommand(params_.exePath, entry.option));
            }
        }
        classes.CloseKey();

        const int sizeType = ItemIndex(IDC_FA_COMBOBOX1);
        const int layout = ItemIndex(IDC_FA_COMBOBOX2);
        const bool savePos = Checked(IDC_FA_CHECKBOX3);
        const bool showProgress = Checked(IDC_FA_CHECKBOX6);
        platform::Registry settings;
        OpenForWriting(settings, params_.settingsKey, L"SizeType");
        settings.WriteInteger(L"SizeType", sizeType);
        settings.WriteInteger(L"ToolbarPosition", layout);
        if (savePos)
            settings.WriteInteger(L"SavePos", 1);
        else
            settings.DeleteValue(L"SavePos");
        if (showProgress)
            settings.WriteInteger(L"ShowProgress", 1);
        else
            settings.DeleteValue(L"ShowProgress");
        settings.CloseKey();

        if (sizeType >= 0 && sizeType < static_cast<int>(std::size(kSizeItems)) &&
            target_.setSizeType)
            target_.setSizeType(sizeType);
        if (target_.setToolbarLayout)
            target_.setToolbarLayout(layout);
        if (target_.showProgress)
            target_.showProgress(showProgress);
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
