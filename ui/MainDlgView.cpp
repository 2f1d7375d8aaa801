// The main window as the engine's view: rows, bars and texts go to the recorder from whichever
// thread runs the engine, the commands follow the command table, the status bar draws the counts.
#include "ui/MainDlg.h"

#include "ui/MainDlgIds.h"

namespace quillon::ui {

using namespace ids;

namespace {

const wchar_t* const kCountCaptions[4] = {L"Unchecked", L"Missing", L"Bad", L"Good"};

} // namespace

void TFrmMain::Recorded() {
    // Not GetWindowThreadProcessId: a call into the system, once per row of a load.
    if (GetCurrentThreadId() == guiThread_)
        feedback_.RequestFlush();
}

void TFrmMain::SetFileProgress(std::int32_t percent) {
    recorder_.SetFileProgress(percent);
    Recorded();
}

void TFrmMain::SetTotalProgress(std::int32_t percent) {
    recorder_.SetTotalProgress(percent);
    Recorded();
}

void TFrmMain::SetRateText(const ViewText& text) {
    recorder_.SetRateText(text);
    Recorded();
}

void TFrmMain::SetFindings(const ViewText& text) {
    feedback_.SetFindings(text);
    EnableMenuCommands(displayMenu_.Get());
}

void TFrmMain::SetTimeText(const ViewText& text) {
    recorder_.SetTimeText(text);
    Recorded();
}

void TFrmMain::SetCurrentFile(ViewTextView name) {
    recorder_.SetCurrentFile(name);
    Recorded();
}

void TFrmMain::SetRunFigures(const RunFigures& figures) {
    recorder_.SetRunFigures(figures);
    Recorded();
}

void TFrmMain::ScrollRowIntoView(RowIndex row) {
    recorder_.ScrollTo(row);
    Recorded();
}

void TFrmMain::SetRowImage(RowIndex row, std::int32_t image) {
    recorder_.SetImage(row, image);
    Recorded();
}

void TFrmMain::SetRowSizeText(RowIndex row, const ViewText& text) {
    recorder_.SetSizeText(row, text);
    Recorded();
}

void TFrmMain::SetRowNote(RowIndex row, const std::string& note) {
    recorder_.SetNote(row, ViewTextFromUtf8(note));
    Recorded();
}

void TFrmMain::RequestStatusRepaint() {
    recorder_.RequestStatusRepaint();
    Recorded();
}

void TFrmMain::EnableCheckCommand(bool enabled) {
    feedback_.ClearRunDisplay();
    listCheckable_ = enabled;
    ApplyCommandStates();
}

void TFrmMain::EnableRunCommands(bool enabled) {
    checking_ = !enabled;
    ApplyCommandStates();
    if (!enabled) {
        feedback_.RunStarted();
    } else {
        const StatusCounters& c = model_->Counters;
        feedback_.RunEnded(c.MissingCount + c.BadCount > 0);
    }
}

void TFrmMain::SetCaption(const ViewText& text) {
    SetWindowTextW(window_, text.c_str());
}

void TFrmMain::SetDisplayFilterMark(std::int32_t tag) {
    CheckMenuRadioItem(displayMenu_.Get(), IDM_FILTER_ALL, IDM_FILTER_ALL - FilterAll + StatusGood,
                       static_cast<UINT>(IDM_FILTER_ALL - FilterAll + tag), MF_BYCOMMAND);
    // A filter that hides entries shows at all times: the Display button stays pressed in and
    // the column names what it shows.
    const std::string_view status = StatusName(tag);
    toolbar_.SetChecked(IDC_DISPLAY, tag != FilterAll && !status.empty());
    list_.SetNameHeader(tag == FilterAll || status.empty()
                            ? std::wstring(L"Filename")
                            : L"Filename (" + ViewTextFromAscii(status) + L" only)");
}

void TFrmMain::sBarDrawPanel(HDC dc, int panel, const RECT& rect) {
    if (panel < 0 || panel > 3 || !statusImages_)
        return;
    const StatusCounters& c = model_->Counters;
    const std::int32_t counts[4] = {c.UncheckedCount, c.MissingCount, c.BadCount, c.GoodCount};
    DrawCountPanel(dc, rect, statusImages_.Get(), panel, counts[panel], kCountCaptions[panel],
                   static_cast<unsigned>(dpi_));
}

} // namespace quillon::ui
