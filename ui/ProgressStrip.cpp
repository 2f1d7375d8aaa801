#include "ui/ProgressStrip.h"

#include <commctrl.h>

namespace quillon::ui {

namespace {

HWND MakeLabel(HWND parent, HINSTANCE instance, const wchar_t* text) {
    return CreateWindowExW(0, WC_STATICW, text, WS_CHILD | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
                           0, 0, 0, 0, parent, nullptr, instance, nullptr);
}

HWND MakeBar(HWND parent, HINSTANCE instance) {
    HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0, parent,
                               nullptr, instance, nullptr);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    return bar;
}

void Move(HWND window, const RECT& r) {
    MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

} // namespace

void TProgressStrip::Create(HWND parent, HINSTANCE instance) {
    fileCaption_ = MakeLabel(parent, instance, L"File Progress");
    fileBar_ = MakeBar(parent, instance);
    rate_ = MakeLabel(parent, instance, L"");
    totalCaption_ = MakeLabel(parent, instance, L"Total Progress");
    totalBar_ = MakeBar(parent, instance);
    time_ = MakeLabel(parent, instance, L"");
}

void TProgressStrip::SetFont(HFONT font) {
    for (HWND w : {fileCaption_, rate_, totalCaption_, time_})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TProgressStrip::SetVisible(bool visible) {
    visible_ = visible;
    for (HWND w : {fileCaption_, fileBar_, rate_, totalCaption_, totalBar_, time_})
        ShowWindow(w, visible ? SW_SHOWNA : SW_HIDE);
}

void TProgressStrip::Place(const RECT& fileCaption, const RECT& fileBar, const RECT& fileRate,
                           const RECT& totalCaption, const RECT& totalBar, const RECT& timeText) {
    Move(fileCaption_, fileCaption);
    Move(fileBar_, fileBar);
    Move(rate_, fileRate);
    Move(totalCaption_, totalCaption);
    Move(totalBar_, totalBar);
    Move(time_, timeText);
}

void TProgressStrip::ShowChanges(const ViewRecorder::Changes& changes) {
    if (changes.filePercent >= 0)
        SendMessageW(fileBar_, PBM_SETPOS, static_cast<WPARAM>(changes.filePercent), 0);
    if (changes.totalPercent >= 0)
        SendMessageW(totalBar_, PBM_SETPOS, static_cast<WPARAM>(changes.totalPercent), 0);
    if (changes.rateText)
        SetWindowTextW(rate_, changes.rateText->c_str());
    if (changes.timeText)
        SetWindowTextW(time_, changes.timeText->c_str());
    // "File Progress" names the file the run reads.
    if (changes.currentFile)
        SetWindowTextW(fileCaption_, changes.currentFile->empty()
                                         ? L"File Progress"
                                         : (L"File Progress: " + *changes.currentFile).c_str());
}

} // namespace quillon::ui
