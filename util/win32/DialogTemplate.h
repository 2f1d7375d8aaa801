#pragma once
#include <windows.h>

#include <string_view>
#include <vector>

namespace quillon::win {

// An in-memory dialog template (DLGTEMPLATE with its items). Positions stay 0: our dialogs lay
// their controls out in pixels from their font and DPI once they run, which dialog units cannot
// express.
class DialogTemplate {
public:
    // The classes a dialog item may name by atom.
    enum : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082, ComboBox = 0x0085 };

    DialogTemplate(DWORD style, DWORD exStyle, std::wstring_view caption);
    void AddItem(DWORD style, DWORD exStyle, WORD id, WORD classAtom, std::wstring_view text);
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void AddDword(DWORD d);
    void AddString(std::wstring_view s);

    std::vector<WORD> words_;
};

} // namespace quillon::win
