#include "core/RunState.h"
#include "create/win32/FADlg.h"
#include "platform/FileReader.h"
#include "tests/ui/win32/MainWindowFixture.h"
#include "tests/win32/GuiResources.h"
#include "ui/MainDlgIds.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <regex>

namespace quillon::test {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t U = StatusUnchecked, M = StatusMissing, B = StatusBad, G = StatusGood;

std::vector<std::int32_t> Images(ui::TFrmMain& f) {
    std::vector<std::int32_t> images;
    for (RowIndex r = 0; r < f.RowCount(); ++r)
        images.push_back(f.List().RowImage(r));
    return images;
}

std::vector<std::int32_t> Counts(ui::TFrmMain& f) {
    const auto& c = f.Model().Counters;
    return {c.UncheckedCount, c.MissingCount, c.BadCount, c.GoodCount};
}

// A DROPFILES block as the shell makes it, posted to the window.
void PostDrop(HWND window, const std::vector<std::wstring>& names) {
    std::size_t chars = 1;
    for (const auto& n : names)
        chars += n.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* p = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& n : names) {
        std::memcpy(p, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
        p += n.size() + 1;
    }
    GlobalUnlock(memory);
    PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

// abc.txt Good, bad.txt Bad, gone.bin Missing, locked.bin held open without sharing: Bad.
class VerifyWindowTest : public MainWindowTest {
protected:
    std::filesystem::path FourKinds() {
        dir.Write("abc.txt", "abc");
        dir.Write("bad.txt", "abd");
        dir.Write("locked.bin", "abc");
        return dir.Write("l.sfv", "abc.txt 352441C2\r\nbad.txt 352441C2\r\ngone.bin 00000000\r\n"
                                  "locked.bin 352441C2\r\n");
    }
};

TEST_F(VerifyWindowTest, OpensChecksAndShowsEveryKindOfEntry) {
    Open();
    EXPECT_EQ(Text(frame->Handle()), L"Quillon 2.6");
    EXPECT_TRUE(ButtonEnabled(kCheck)) << "with nothing loaded, Check offers Open";
    EXPECT_TRUE(ButtonEnabled(kNew));
    const auto list = FourKinds();
    win::UniqueFileHandle lock(CreateFileW((dir / "locked.bin").c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    chosen = std::vector<std::filesystem::path>{list};
    OpenAndWait();
    EXPECT_EQ(Text(frame->Handle()), L"Quillon 2.6 - l.sfv");
    ASSERT_EQ(frame->RowCount(), 5);
    EXPECT_EQ(frame->List().RowCaption(0), list.native());
    EXPECT_EQ(frame->List().RowCaption(1), L"abc.txt");
    EXPECT_EQ(frame->List().RowSizeText(1), L"3 bytes");
    EXPECT_EQ(frame->List().RowSizeText(3), L"Not Found");
    EXPECT_EQ(frame->OpenFileName(), list.native());
    EXPECT_EQ(frame->OpenInitialDir(), (dir.path() / L"").native());

    // While the check runs, what would reload or rebuild the list is off, drops included.
    bool sawLocked = false;
    platform::FileReader::SetReadFaultForTests([&](const auto&, std::int64_t) {
        sawLocked = !ButtonEnabled(kOpen) && !ButtonEnabled(kCheck) && !ButtonEnabled(kDisplay) &&
                    !ButtonEnabled(kNew) &&
                    !(GetWindowLongPtrW(frame->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
        return 0;
    });
    CheckAndWait();
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_TRUE(sawLocked);
    EXPECT_EQ(Images(*frame), (std::vector<std::int32_t>{ImageHeader, G, B, M, B}));
    EXPECT_EQ(Counts(*frame), (std::vector<std::int32_t>{0, 1, 2, 1}));
    // The file held open is Bad for a reason the row shows in a column of its own; the corrupt
    // one, written before its list, is damaged.
    EXPECT_EQ(frame->List().RowNote(4).rfind(L"unreadable: ", 0), 0u);
    EXPECT_GT(frame->List().RowNote(4).size(), 12u);
    EXPECT_EQ(frame->List().RowNote(2), L"damaged");
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(frame->List().Handle())), 3);
    EXPECT_EQ(Text(frame->Strip().TimeLabel()), L"Complete in 0 seconds");
    // The strip is hidden (the first run's default): the status bar says how the run ended.
    EXPECT_FALSE(frame->Strip().Visible());
    EXPECT_EQ(frame->StatusBar().Text(4), L"0 changed, 1 damaged; Complete in 0 seconds");
    EXPECT_TRUE(ButtonEnabled(kOpen));
    EXPECT_TRUE(ButtonEnabled(kCheck));
    EXPECT_TRUE(GetWindowLongPtrW(frame->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_EQ(SendMessageW(frame->Strip().TotalBar(), PBM_GETPOS, 0, 0), 100);
    // The taskbar button: normal from 0 while running, then the error state at the end.
    const auto normal = std::find(taskbar.begin(), taskbar.end(), "state:1");
    ASSERT_NE(normal, taskbar.end());
    EXPECT_EQ(*(normal + 1), "progress:0");
    EXPECT_EQ(std::vector<std::string>(taskbar.end() - 2, taskbar.end()),
              (std::vector<std::string>{"state:2", "progress:100"}));

    // The filter shows the Bad rows only, and says so; a check then covers them alone, says it,
    // and the counts still count every entry.
    frame->mnuDisplayClick(StatusBad);
    EXPECT_EQ(Images(*frame), (std::vector<std::int32_t>{ImageHeader, B, B}));
    EXPECT_TRUE(SendMessageW(frame->Toolbar(), TB_ISBUTTONCHECKED, ui::ids::IDC_DISPLAY, 0));
    wchar_t header[64] = {};
    LVCOLUMNW column{LVCF_TEXT, 0, 0, header, 64};
    ListView_GetColumn(frame->List().Handle(), 0, &column);
    EXPECT_STREQ(header, L"Filename (Bad only)");
    EXPECT_EQ(Counts(*frame), (std::vector<std::int32_t>{0, 1, 2, 1}))
        << "the filter counts nothing";
    lock.Reset();
    CheckAndWait();
    EXPECT_EQ(Images(*frame), (std::vector<std::int32_t>{ImageHeader, B, G}));
    EXPECT_EQ(Counts(*frame), (std::vector<std::int32_t>{0, 1, 1, 2}));
    EXPECT_EQ(Text(frame->Strip().TimeLabel()), L"Complete in 0 seconds: 2 shown of 4 checked");
    frame->mnuDisplayClick(FilterAll);
    EXPECT_FALSE(SendMessageW(frame->Toolbar(), TB_ISBUTTONCHECKED, ui::ids::IDC_DISPLAY, 0));
    ASSERT_EQ(frame->RowCount(), 5);
    EXPECT_EQ(frame->List().RowNote(4), L"") << "Good now: its reason went";
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(frame->List().Handle())), 2);

    // A check of the selected rows: only row 3 (gone.bin) changes.
    ListView_SetItemState(frame->List().Handle(), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(frame->List().Handle(), 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(frame->List().Handle(), 3, LVIS_SELECTED, LVIS_SELECTED);
    dir.Write("gone.bin", "");
    CheckAndWait();
    EXPECT_EQ(Images(*frame), (std::vector<std::int32_t>{ImageHeader, G, B, G, G}));
    EXPECT_EQ(frame->List().RowSizeText(3), L"0 KB");
    EXPECT_EQ(Text(frame->Strip().TimeLabel()), L"Complete in 0 seconds: 2 selected of 4 checked");
    EXPECT_EQ(Counts(*frame), (std::vector<std::int32_t>{0, 0, 1, 3}));
    // bad.txt, not checked again, is still Bad in the list: the fault stays on show.
    EXPECT_EQ(taskbar.back(), "progress:100");
    EXPECT_EQ(taskbar.end()[-2], "state:2");

    // Nothing Missing is left: with that filter, Check says why it checks nothing.
    frame->mnuDisplayClick(StatusMissing);
    boxes.clear();
    frame->bCheckClick();
    EXPECT_FALSE(frame->Model().CheckRunning());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(L"Nothing to check: the display shows only Missing entries", 0),
              0u);

    // Another list: the texts of the last run go.
    frame->mnuDisplayClick(FilterAll);
    chosen = std::vector<std::filesystem::path>{FourKinds()};
    OpenAndWait();
    EXPECT_EQ(Text(frame->Strip().TimeLabel()), L"");
    EXPECT_EQ(Text(frame->Strip().RateLabel()), L"");
    EXPECT_EQ(SendMessageW(frame->Strip().TotalBar(), PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(frame->StatusBar().Text(4), L"");
}

// With the strip shown it names the file being read; an abort leaves the entry its status, the
// bars where they were, and says "Aborted" with the speed the run had.
TEST_F(VerifyWindowTest, AbortInTheMiddleOfALargeFileKeepsItsStatus) {
    WriteSetting(L"ShowProgress", 1);
    Open();
    dir.Write("abc.txt", "abc");
    dir.Write("after.txt", "abc");
    dir.Write("big.bin", std::string(8 << 20, 'x'));
    chosen = std::vector<std::filesystem::path>{
        dir.Write("l.sfv", "abc.txt 352441C2\r\nbig.bin 00000000\r\nafter.txt 352441C2\r\n")};
    OpenAndWait();
    std::atomic<bool> pressed{false}, named{false};
    platform::FileReader::SetReadFaultForTests([&](const auto& path, std::int64_t offset) {
        // What the Abort button does, from the worker's side of a block, once the strip names
        // the file (the window shows it on its timer meanwhile).
        if (path.filename() == "big.bin" && offset == 4 * 65536 && !pressed.exchange(true)) {
            for (int i = 0; i < 200 && !named; ++i) {
                named = Text(frame->Strip().FileCaption()) == L"File Progress: big.bin";
                Sleep(10);
            }
            frame->bCancelClick();
        }
        return 0;
    });
    CheckAndWait();
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(named);
    EXPECT_EQ(Images(*frame), (std::vector<std::int32_t>{ImageHeader, G, U, U}));
    EXPECT_EQ(Text(frame->Strip().TimeLabel()), L"Aborted");
    EXPECT_EQ(Text(frame->Strip().FileCaption()), L"File Progress");
    EXPECT_LT(SendMessageW(frame->Strip().TotalBar(), PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(Text(frame->Strip().RateLabel()).find(L" MB/s)"),
              Text(frame->Strip().RateLabel()).size() - 6);
    EXPECT_TRUE(ButtonEnabled(kCheck));
    EXPECT_EQ(taskbar.back(), "state:0") << "nothing Bad or Missing";
}

// With the strip hidden, the run's percentage, speed and time left stand beside the counts.
TEST_F(VerifyWindowTest, HiddenStripShowsTheRunInTheStatusBar) {
    Open();
    dir.Write("big.bin", std::string(8 << 20, 'x'));
    chosen = std::vector<std::filesystem::path>{dir.Write("l.sfv", "big.bin 00000000\r\n")};
    OpenAndWait();
    // The worker waits in its ninth block while this thread reads the bar: its texts belong to
    // the window's thread, and change while the check runs.
    std::wstring seen;
    std::atomic<bool> holding{false}, released{false};
    platform::FileReader::SetReadFaultForTests([&](const auto&, std::int64_t offset) {
        if (offset == 8 * 65536) {
            holding = true;
            for (int i = 0; i < 200 && !released; ++i)
                Sleep(10);
        }
        return 0;
    });
    frame->bCheckClick();
    PumpUntil([&] {
        if (holding) seen = frame->StatusBar().Text(4);
        return seen.find(L" left") != std::wstring::npos;
    }, 2s);
    released = true;
    ASSERT_TRUE(PumpUntil([this] { return !frame->Model().CheckRunning(); }));
    Pump(50ms);
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_TRUE(std::regex_match(seen, std::wregex(L"[0-9]+%, [0-9.]+ [MG]B/s, [0-9:]+ left")))
        << seen.size();
    EXPECT_EQ(frame->StatusBar().Text(4), L"0 changed, 1 damaged; Complete in 0 seconds");
}

// Closing never hangs and frees nothing under the worker: before its first step, in the middle
// of a file, and while its end step waits for this thread.
TEST_F(VerifyWindowTest, ClosingDuringACheck) {
    dir.Write("big.bin", std::string(4 << 20, 'x'));
    const auto list = dir.Write("l.sfv", "big.bin 00000000\r\nbig.bin 11111111\r\n");
    const long handlesBefore = CountGuiResources().kernel;

    // Before BeginCheck: the worker's first call is still waiting for this thread.
    Open();
    chosen = std::vector<std::filesystem::path>{list};
    OpenAndWait();
    frame->bCheckClick();
    SendMessageW(frame->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(frame->Handle(), nullptr);
    EXPECT_FALSE(frame->Model().CheckRunning());
    EXPECT_TRUE(frame->Model().ItemList.empty());
    frame.reset();

    // In the middle of a file.
    Open();
    OpenAndWait();
    std::atomic<bool> closed{false};
    platform::FileReader::SetReadFaultForTests([&](const auto&, std::int64_t offset) {
        if (offset == 2 * 65536 && !closed.exchange(true))
            PostMessageW(frame->Handle(), WM_CLOSE, 0, 0);
        return 0;
    });
    frame->bCheckClick();
    EXPECT_TRUE(PumpUntil([this] { return frame->Handle() == nullptr; }));
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_TRUE(closed);
    frame.reset();

    // During the end step's hand-over: the worker has finished and waits for this thread,
    // which closes the window instead of serving it first.
    Open();
    OpenAndWait();
    std::atomic<bool> reading{false};
    platform::FileReader::SetReadFaultForTests([&](const auto&, std::int64_t) {
        reading = true;
        return 0;
    });
    frame->bCheckClick();
    // Serve the first step until the worker reads; from there it needs this thread only for
    // its end step, which is left waiting.
    ASSERT_TRUE(PumpUntil([&] { return reading.load(); }));
    platform::FileReader::SetReadFaultForTests(nullptr);
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (frame->Run().Busy && std::chrono::steady_clock::now() < end)
        Sleep(1);
    ASSERT_FALSE(frame->Run().Busy);
    SendMessageW(frame->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(frame->Handle(), nullptr);
    EXPECT_FALSE(frame->Model().CheckRunning());
    frame.reset();
    Pump(100ms);

    // While the lists are still being read: the reader stops, nothing is left behind.
    Open();
    chosen = std::vector<std::filesystem::path>{list, list, list};
    frame->bOpenClick();
    SendMessageW(frame->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(frame->Handle(), nullptr);
    EXPECT_FALSE(frame->Loading());
    frame.reset();
    Pump(100ms);

    EXPECT_LE(CountGuiResources().kernel, handlesBefore + 2)
        << "handles left behind by four windows";
}

TEST_F(VerifyWindowTest, DroppedFilesAskFirstAndCheckTheFirstOnly) {
    Open();
    dir.Write("abc.txt", "abc");
    const auto first = dir.Write("first.sfv", "abc.txt 352441C2\r\n");
    const auto second = dir.Write("second.sfv", "abc.txt 00000000\r\n");
    // A name longer than MAX_PATH, taken whole (a 260-character buffer would cut it).
    const std::wstring longName = L"\\\\?\\" + (dir.path() / std::wstring(120, L'a')).native() +
                                  L"\\" + std::wstring(150, L'b') + L".sfv";
    answer = IDNO;
    PostDrop(frame->Handle(), {first.native(), second.native(), longName});
    ASSERT_TRUE(PumpUntil([this] { return !boxes.empty(); }, 10s));
    EXPECT_EQ(boxes[0].text, L"Process File?\r\n" + first.native());
    EXPECT_EQ(boxes[0].caption, L"Quillon");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(frame->RowCount(), 0) << "No leaves everything as it was";
    EXPECT_TRUE(frame->OpenFileName().empty());

    answer = IDYES;
    PostDrop(frame->Handle(), {longName, first.native()});
    ASSERT_TRUE(PumpUntil([this] { return boxes.size() >= 2; }, 10s));
    EXPECT_EQ(boxes[1].text, L"Process File?\r\n" + longName);
    // The long name does not exist: the load fails with the whole name in its message.
    ASSERT_TRUE(PumpUntil([this] { return boxes.size() >= 3; }, 10s));
    EXPECT_NE(boxes[2].text.find(longName), std::wstring::npos);

    PostDrop(frame->Handle(), {second.native(), first.native()});
    ASSERT_TRUE(PumpUntil([this] { return frame->Model().Counters.BadCount == 1; }, 30s));
    ASSERT_TRUE(PumpUntil([this] { return !frame->Run().Busy; }));
    EXPECT_EQ(frame->Model().ListFiles, std::vector<std::filesystem::path>{second});
    EXPECT_EQ(frame->OpenFileName(), second.native());
}

TEST_F(VerifyWindowTest, CommandLineOpensAndChecksTheFirstArgument) {
    const auto list = FourKinds();
    Open({list.native(), L"ignored.sfv"});
    ASSERT_TRUE(PumpUntil(
        [this] { return frame->Model().Counters.GoodCount == 2 && !frame->Run().Busy; }, 30s));
    EXPECT_EQ(frame->Model().ListFiles, std::vector<std::filesystem::path>{list});
    EXPECT_EQ(frame->OpenFileName(), list.native());
    EXPECT_EQ(frame->OpenInitialDir(), (dir.path() / L"").native());
    EXPECT_EQ(Text(frame->Handle()), L"Quillon 2.6 - l.sfv");
}

// A list it cannot use is named as such: one that cannot be opened with the reason, and the
// window left as with no list; one that holds no entry; one that is not a checksum list at all,
// whose rows stay.
TEST_F(VerifyWindowTest, ListsItCannotUseAreNamedAsSuch) {
    const auto gone = dir / L"gone" / L"absent.md5";
    Open({gone.native()});
    ASSERT_TRUE(PumpUntil([this] { return !boxes.empty(); }, 10s));
    EXPECT_EQ(boxes[0].text.rfind(L"Cannot open file " + gone.native() + L": ", 0), 0u);
    EXPECT_GT(boxes[0].text.size(), (L"Cannot open file " + gone.native() + L": ").size());
    EXPECT_EQ(boxes[0].caption, L"quillon");
    Pump(100ms);
    EXPECT_FALSE(frame->Model().CheckRunning());
    EXPECT_EQ(frame->RowCount(), 0);
    EXPECT_EQ(Text(frame->Handle()), L"Quillon 2.6") << "no list named";
    EXPECT_TRUE(ButtonEnabled(kCheck)) << "Check offers the open dialog, as with no list";

    const struct {
        std::string text;
        const wchar_t* said;
        int rows;
    } lists[] = {
        {"; a comment and nothing else\r\n", L"The list holds no entries:\r\n", 0},
        {"", L"The list holds no entries:\r\n", 0},
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR junk", 24) + "\r\nmore junk here\r\n",
         L"does not look like a checksum list: 4 of 4 lines were not understood.", 5},
    };
    for (const auto& l : lists) {
        boxes.clear();
        chosen = std::vector<std::filesystem::path>{dir.Write("odd.sfv", l.text)};
        OpenAndWait();
        ASSERT_EQ(boxes.size(), 1u) << l.text;
        EXPECT_NE(boxes[0].text.find(l.said), std::wstring::npos) << l.text;
        EXPECT_EQ(frame->RowCount(), l.rows);
    }
}

// Delete sends the selected rows' files to the Recycle Bin, Shift+Delete deletes them for good
// after saying so; a file that is gone keeps its "not found" text, one held open by another
// program says why; rows, images and counts stay.
TEST_F(VerifyWindowTest, DeleteKeyRecyclesTheSelectedFilesAndKeepsTheRows) {
    Open();
    dir.Write("a.txt", "abc");
    dir.Write("c.txt", "abc");
    dir.Write("keep.txt", "abc");
    dir.Write("held.txt", "abc");
    chosen = std::vector<std::filesystem::path>{
        dir.Write("d.sfv", "a.txt 352441C2\r\nb.txt 352441C2\r\nc.txt 352441C2\r\n"
                           "keep.txt 352441C2\r\nheld.txt 352441C2\r\n")};
    OpenAndWait();
    ASSERT_EQ(frame->RowCount(), 6);
    const HWND lv = frame->List().Handle();
    const auto select = [lv](std::initializer_list<int> rows) {
        ListView_SetItemState(lv, -1, 0, LVIS_SELECTED);
        for (int row : rows)
            ListView_SetItemState(lv, row, LVIS_SELECTED, LVIS_SELECTED);
    };
    const auto recycled = [] {
        SHQUERYRBINFO bin{sizeof bin};
        SHQueryRecycleBinW(nullptr, &bin);
        return bin.i64NumItems;
    };
    select({1, 2, 3});
    const auto images = Images(*frame);

    answer = IDCANCEL;
    // Other keys of the list ask nothing.
    for (WPARAM key : {WPARAM(VK_DOWN), WPARAM('U'), WPARAM(VK_RETURN), WPARAM(VK_SPACE)})
        SendMessageW(lv, WM_KEYDOWN, key, 0);
    EXPECT_TRUE(boxes.empty());
    select({1, 2, 3});
    SendMessageW(lv, WM_KEYDOWN, VK_DELETE, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Delete Selected File(s)?");
    EXPECT_EQ(boxes[0].caption, L"quillon");
    EXPECT_TRUE(std::filesystem::exists(dir / "a.txt"));

    frame->Run().Busy = true; // a run holds the list: no question, nothing deleted
    SendMessageW(lv, WM_KEYDOWN, VK_DELETE, 0);
    frame->Run().Busy = false;
    EXPECT_EQ(boxes.size(), 1u);

    answer = IDOK;
    const auto binBefore = recycled();
    SendMessageW(lv, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "c.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir / "keep.txt"));
    EXPECT_EQ(recycled(), binBefore + 2) << "in the Recycle Bin, to be restored";
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text, L"Error file not found: " + (dir / "b.txt").native());
    EXPECT_EQ(boxes[2].caption, L"Quillon");
    EXPECT_EQ(frame->RowCount(), 6);
    EXPECT_EQ(Images(*frame), images);
    EXPECT_EQ(frame->List().RowCaption(1), L"a.txt");

    // Held open by another program: the reason, not "not found", whichever way of deleting.
    win::UniqueFileHandle held(CreateFileW((dir / "held.txt").c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    select({4, 5});
    boxes.clear();
    frame->DeleteSelectedFiles(true);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Delete 2 files for good? They do not go to the Recycle Bin and "
                             L"cannot be restored.");
    EXPECT_EQ(boxes[0].type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2)) << "Cancel first";
    EXPECT_FALSE(std::filesystem::exists(dir / "keep.txt"));
    EXPECT_EQ(recycled(), binBefore + 2) << "not in the Recycle Bin";
    EXPECT_EQ(boxes[1].text.rfind(L"Cannot delete " + (dir / "held.txt").native() + L": ", 0), 0u)
        << std::string(boxes[1].text.begin(), boxes[1].text.end());
    EXPECT_GT(boxes[1].text.size(),
              (L"Cannot delete " + (dir / "held.txt").native() + L": ").size());
    boxes.clear();
    select({5});
    SendMessageW(lv, WM_KEYDOWN, VK_DELETE, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find(L"held.txt: "), std::wstring::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "held.txt"));
}

// The About button shows the box with the title; the donation image under the toolbar opens the
// donation page with the shell's default action.
TEST_F(VerifyWindowTest, AboutBoxAndDonationImage) {
    Open();
    ASSERT_TRUE(ButtonEnabled(kAbout));
    static std::wstring seen;
    seen.clear();
    SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (HWND box = FindWindowW(L"#32770", L"About")) {
            KillTimer(nullptr, id);
            wchar_t title[64] = {};
            GetWindowTextW(GetDlgItem(box, 201), title, 64);
            seen = title;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    frame->ToolButton3Click(); // returns once the box is closed
    EXPECT_EQ(seen, L"Quillon 2.6");

    const HWND image = GetDlgItem(frame->Handle(), ui::ids::IDC_IMAGE2);
    ASSERT_TRUE(image);
    SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(opened, std::vector<std::wstring>{L"|https://quillon.example.org/donate/"});
}

// OK in the options dialog applies its preferences to the window at once: every row's size text,
// the toolbar layout and the progress panel.
TEST_F(VerifyWindowTest, OptionsApplyToTheWindowAtOnce) {
    Open();
    chosen = std::vector<std::filesystem::path>{FourKinds()};
    OpenAndWait();
    ASSERT_EQ(frame->List().RowSizeText(1), L"3 bytes");
    ASSERT_FALSE(frame->TopLayout());
    ASSERT_TRUE(ButtonEnabled(kOptions));
    SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (HWND box = FindWindowW(nullptr, L"Options")) {
            KillTimer(nullptr, id);
            SendDlgItemMessageW(box, IDC_FA_SIZE_TYPE, CB_SETCURSEL, 1, 0);      // KB
            SendDlgItemMessageW(box, IDC_FA_TOOLBAR_LAYOUT, CB_SETCURSEL, 1, 0); // Top
            SendDlgItemMessageW(box, IDC_FA_SHOW_PROGRESS, BM_SETCHECK, BST_CHECKED, 0);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    frame->bOptionsClick(); // returns once the dialog is closed
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(frame->Model().SizeType, 1);
    EXPECT_EQ(frame->List().RowSizeText(1), L"1 KB");
    EXPECT_EQ(frame->List().RowSizeText(3), L"Not Found");
    EXPECT_TRUE(frame->TopLayout());
    EXPECT_TRUE(frame->Strip().Visible());
    // The file list of create mode shows its sizes the same way.
    dir.Write("sizes/f.bin", std::string(2000, 'x'));
    frame->bCreateClick();
    ASSERT_TRUE(frame->Files().ShowFolder(dir / "sizes"));
    wchar_t cell[64] = {};
    ListView_GetItemText(frame->Files().ListHandle(), 0, 1, cell, 64);
    EXPECT_STREQ(cell, L"2 KB");
}

// Every toolbar command without the mouse: Alt and the underlined letter, or Tab into the
// toolbar, the arrow keys to the button and Enter. A disabled button's letter does nothing.
TEST_F(VerifyWindowTest, KeyboardReachesTheToolbar) {
    Open();
    const auto press = [this](HWND window, UINT message, WPARAM key) {
        MSG msg{window, message, key, message == WM_SYSCHAR ? (1 << 29) : 0};
        if (!frame->PreTranslate(msg))
            SendMessageW(window, message, key, msg.lParam);
    };
    for (const auto& [letter, id] :
         {std::pair{L'n', ui::ids::IDC_NEW}, std::pair{L'O', ui::ids::IDC_OPEN},
          std::pair{L'c', ui::ids::IDC_CHECK}, std::pair{L'a', ui::ids::IDC_ABORT},
          std::pair{L'd', ui::ids::IDC_DISPLAY}, std::pair{L'p', ui::ids::IDC_OPTIONS},
          std::pair{L'b', ui::ids::IDC_ABOUT}}) {
        std::wstring caption = frame->ButtonCaption(id);
        for (auto& c : caption)
            c = static_cast<wchar_t>(towlower(c));
        EXPECT_NE(caption.find(static_cast<wchar_t>(towlower(letter))), std::wstring::npos)
            << "the letter is in " << caption;
    }
    press(frame->List().Handle(), WM_SYSCHAR, L'n');
    EXPECT_TRUE(frame->InCreateMode());
    press(frame->Files().ListHandle(), WM_SYSCHAR, L'o'); // Open is off in create mode
    EXPECT_TRUE(frame->InCreateMode());
    EXPECT_TRUE(boxes.empty());
    press(frame->Files().ListHandle(), WM_SYSCHAR, L'v');
    EXPECT_FALSE(frame->InCreateMode());

    // Tab from the list into the toolbar: the first button is hot; Down skips separators and
    // Check (off: back from create mode with no list), End goes to About, Home back to New,
    // Enter presses it.
    SetFocus(frame->List().Handle());
    press(frame->List().Handle(), WM_KEYDOWN, VK_TAB);
    const HWND toolbar = frame->Toolbar();
    ASSERT_EQ(GetFocus(), toolbar);
    const auto hot = [toolbar] {
        TBBUTTON b{};
        SendMessageW(toolbar, TB_GETBUTTON, SendMessageW(toolbar, TB_GETHOTITEM, 0, 0),
                     reinterpret_cast<LPARAM>(&b));
        return b.idCommand;
    };
    EXPECT_EQ(hot(), ui::ids::IDC_NEW);
    press(toolbar, WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(hot(), ui::ids::IDC_OPEN);
    press(toolbar, WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(hot(), ui::ids::IDC_ABORT);
    press(toolbar, WM_KEYDOWN, VK_END);
    EXPECT_EQ(hot(), ui::ids::IDC_ABOUT);
    press(toolbar, WM_KEYDOWN, VK_HOME);
    press(toolbar, WM_KEYDOWN, VK_RETURN);
    EXPECT_TRUE(frame->InCreateMode());
    press(toolbar, WM_KEYDOWN, VK_ESCAPE);
    EXPECT_NE(GetFocus(), toolbar);
}

} // namespace
} // namespace quillon::test
