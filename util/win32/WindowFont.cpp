#include "util/win32/WindowFont.h"

namespace quillon {

namespace {

int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontInstalled(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    win::ScopedGetDc dc(nullptr);
    EnumFontFamiliesExW(dc.Get(), &wanted, FontFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

} // namespace

win::UniqueFont MakeWindowFont(int dpi) {
    static const bool hasSansSerif = FontInstalled(L"Microsoft Sans Serif");
    LOGFONTW font{};
    if (hasSansSerif) {
        font.lfHeight = -MulDiv(8, dpi, 72);
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = CLEARTYPE_QUALITY;
        lstrcpynW(font.lfFaceName, L"Microsoft Sans Serif", LF_FACESIZE);
    } else {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        font = metrics.lfMessageFont;
        // The system's metrics are at the primary monitor's DPI.
        win::ScopedGetDc dc(nullptr);
        font.lfHeight = MulDiv(font.lfHeight, dpi, GetDeviceCaps(dc.Get(), LOGPIXELSY));
    }
    return win::UniqueFont(CreateFontIndirectW(&font));
}

} // namespace quillon
