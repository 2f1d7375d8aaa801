#include "tests/ui/win32/MainWindowFixture.h"
#include "ui/MainDlgIds.h"


namespace quillon::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
        end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

std::wstring ClipboardText(HWND owner) {
    std::wstring text;
    if (!OpenClipboard(owner))
        return L"(clipboard not opened)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

using ReportWindowTest = MainWindowTest;

// Save Report writes the rows the filter shows, the unlisted files after them, beside the list
// first and then where the last one went; Copy and Ctrl+C put the selected rows on the
// clipboard; neither runs while a run holds the list.
TEST_F(ReportWindowTest, SaveReportAndCopy) {
    Open();
    dir.Write("abc.txt", "abc");
    dir.Write("bad.txt", "abd");
    dir.Write("extra.txt", "x");
    const auto list = dir.Write("l.sfv", "abc.txt 352441C2\r\nbad.txt 352441C2\r\ngone.bin 00000000\r\n");
    chosen = std::vector<std::filesystem::path>{list};
    OpenAndWait();
    CheckAndWait();
    const std::string d = (dir.path() / "").string();

    reportAs = dir.path() / "out" / "report.csv";
    std::filesystem::create_directory(dir.path() / "out");
    SendMessageW(frame->Handle(), WM_COMMAND, ui::ids::IDM_SAVEREPORT, 0);
    ASSERT_EQ(reportDialogDirs, std::vector<std::wstring>{(dir.path() / L"").native()});
    const std::string csv = ReadAll(*reportAs);
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_EQ(Lines(csv.substr(3)),
              (std::vector<std::string>{
                  "Status,Path,Size in bytes,Expected checksum,Actual checksum,Note",
                  "List," + list.string() + ",,,,",
                  "Good," + d + "abc.txt,3,352441C2,352441C2,",
                  "Bad," + d + "bad.txt,3,352441C2," + csv.substr(csv.find("bad.txt,3,352441C2,") + 19, 8) + ",damaged",
                  "Missing," + d + "gone.bin,,00000000,,",
                  "Unlisted," + d + "extra.txt,,,,",
              }));
    EXPECT_NE(csv.find("bad.txt,3,352441C2,"), std::string::npos);

    // The filter's rows only; the dialog opens where the last report went.
    frame->mnuDisplayClick(StatusBad);
    SendMessageW(frame->Handle(), WM_COMMAND, ui::ids::IDM_SAVEREPORT, 0);
    ASSERT_EQ(reportDialogDirs.size(), 2u);
    EXPECT_EQ(reportDialogDirs[1], (dir.path() / L"out" / L"").native());
    const auto rows = Lines(ReadAll(*reportAs).substr(3));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].rfind("Bad,", 0), 0u);
    EXPECT_EQ(rows[3].rfind("Unlisted,", 0), 0u);
    frame->mnuDisplayClick(FilterAll);

    // Copy from the menu and Ctrl+C in the list: the selected rows, tab-separated.
    const HWND lv = frame->List().Handle();
    ListView_SetItemState(lv, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(lv, 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(lv, 3, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageW(frame->Handle(), WM_COMMAND, ui::ids::IDM_COPYROWS, 0);
    const std::wstring wd = (dir.path() / L"").native();
    EXPECT_EQ(ClipboardText(frame->Handle()),
              L"Good\t" + wd + L"abc.txt\t3\t352441C2\t352441C2\t\r\nMissing\t" + wd +
                  L"gone.bin\t\t00000000\t\t\r\n");
    ListView_SetItemState(lv, 3, 0, LVIS_SELECTED);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(lv, WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(ClipboardText(frame->Handle()),
              L"Good\t" + wd + L"abc.txt\t3\t352441C2\t352441C2\t\r\n");

    // A run holds the list: nothing is asked, written or copied.
    std::filesystem::remove(*reportAs);
    frame->Run().Busy = true;
    SendMessageW(frame->Handle(), WM_COMMAND, ui::ids::IDM_SAVEREPORT, 0);
    frame->Run().Busy = false;
    EXPECT_EQ(reportDialogDirs.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(*reportAs));

    // A report that cannot be written says why.
    reportAs = dir.path() / "no such folder" / "r.csv";
    SendMessageW(frame->Handle(), WM_COMMAND, ui::ids::IDM_SAVEREPORT, 0);
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().text.find(L"r.csv"), std::wstring::npos);
    EXPECT_NE(boxes.back().text.find(L": "), std::wstring::npos);
}

} // namespace
} // namespace quillon::test
