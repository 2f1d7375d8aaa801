#include "ui/ProgressStrip.h"

#include <commctrl.h>

#include <utility>

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
    guiThread_ = GetCurrentThreadId();
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

void TProgressStrip::SetFileProgress(std::int32_t percent) {
    if (OnGuiThread()) {
        SendMessageW(fileBar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
        // What the GUI thread sets supersedes what the worker left for the next flush.
        std::lock_guard lock(m_);
        file_ = -1;
        return;
    }
    std::lock_guard lock(m_);
    file_ = percent;
}

void TProgressStrip::SetTotalProgress(std::int32_t percent) {
    if (OnGuiThread()) {
        SendMessageW(totalBar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
        std::lock_guard lock(m_);
        total_ = -1;
        return;
    }
    std::lock_guard lock(m_);
    total_ = percent;
}

void TProgressStrip::SetRateText(const ViewText& text) {
    if (OnGuiThread()) {
        SetWindowTextW(rate_, text.c_str());
        std::lock_guard lock(m_);
        rateChanged_ = false;
        return;
    }
    std::lock_guard lock(m_);
    rateText_ = text;
    rateChanged_ = true;
}

void TProgressStrip::SetTimeText(const ViewText& text) {
    if (OnGuiThread()) {
        SetWindowTextW(time_, text.c_str());
        std::lock_guard lock(m_);
        timeChanged_ = false;
        return;
    }
    std::lock_guard lock(m_);
    timeText_ = text;
    timeChanged_ = true;
}

void TProgressStrip::Flush() {
    std::int32_t file, total;
    ViewText rate, time;
    bool rateChanged, timeChanged;
    {
        std::lock_guard lock(m_);
        file = std::exchange(file_, -1);
        total = std::exchange(total_, -1);
        rateChanged = std::exchange(rateChanged_, false);
        timeChanged = std::exchange(timeChanged_, false);
        if (rateChanged)
            rate.swap(rateText_);
        if (timeChanged)
            time.swap(timeText_);
    }
    if (file >= 0)
        SendMessageW(fileBar_, PBM_SETPOS, static_cast<WPARAM>(file), 0);
    if (total >= 0)
        SendMessageW(totalBar_, PBM_SETPOS, static_cast<WPARAM>(total), 0);
    if (rateChanged)
        SetWindowTextW(rate_, rate.c_str());
    if (timeChanged)
        SetWindowTextW(time_, time.c_str());
}

} // namespace quillon::ui
