// The real window with names beyond the ANSI code page (1252 in the test prefix): Greek,
// Japanese, an emoji, in the lists' own names too. Opened from the command line, the open dialog
// and a drop, checked, shown, deleted; listed by create mode and the folder command.
#include "platform/TextCodec.h"
#include "tests/ui/win32/MainWindowFixture.h"

#include <shlobj.h>

#include <cstring>

namespace quillon::test {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t B = StatusBad, G = StatusGood;

const std::wstring kNames[] = {L"\u03A9\u03BC\u03AD\u03B3\u03B1.txt", L"\u65E5\u672C\u8A9E.txt",
                               L"\U0001F600 smile.dat", L"caf\u00E9.txt"};

std::string Utf8(const std::wstring& w) {
    return platform::ListTextFromWide(w, platform::ListEncoding::Utf8);
}

void PostDrop(HWND window, const std::wstring& name) {
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

class UnicodeNamesWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        for (const auto& name : kNames)
            dir.Write(name, "abc");
        dir.Write(L"\u0391\u03BB\u03C6\u03B1.bin", "abd"); // listed as abc: Bad
        if (!std::filesystem::exists(dir / kNames[2]))
            GTEST_SKIP() << "this Wine prefix cannot store non-ASCII file names; run it with "
                            "QUILLON_WINE_LANG=C.UTF-8";
    }
    // A list in UTF-8 with its mark, as Notepad saves it, under a name of its own beyond 1252.
    std::filesystem::path NotepadList() {
        std::string text = "\xEF\xBB\xBF";
        for (const auto& name : kNames)
            text += Utf8(name) + " 352441C2\r\n";
        text += Utf8(L"\u0391\u03BB\u03C6\u03B1.bin") + " 352441C2\r\n";
        return dir.Write(L"\u03BB\u03AF\u03C3\u03C4\u03B1 \u65E5.sfv", text);
    }
    std::vector<std::int32_t> Images() {
        std::vector<std::int32_t> images;
        for (RowIndex r = 1; r < frame->RowCount(); ++r)
            images.push_back(frame->List().RowImage(r));
        return images;
    }
    const std::vector<std::int32_t> expected = {G, G, G, G, B};
};

TEST_F(UnicodeNamesWindowTest, OpenedEveryWayCheckedShownAndDeleted) {
    const auto list = NotepadList();
    Open({list.native()});
    ASSERT_TRUE(PumpUntil(
        [this] { return frame->Model().Counters.GoodCount == 4 && !frame->Run().Busy; }, 30s));
    EXPECT_EQ(Images(), expected);
    EXPECT_EQ(Text(frame->Handle()), L"Quillon 2.6 - " + list.filename().native());
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        EXPECT_EQ(frame->List().RowCaption(static_cast<RowIndex>(i + 1)), kNames[i]);
    EXPECT_EQ(frame->List().RowCaption(0), list.native());

    chosen = std::vector<std::filesystem::path>{list};
    OpenAndWait();
    CheckAndWait();
    EXPECT_EQ(Images(), expected);

    // Mended, the file is Good after the drop's check.
    dir.Write(L"\u0391\u03BB\u03C6\u03B1.bin", "abc");
    answer = IDYES;
    PostDrop(frame->Handle(), list.native());
    ASSERT_TRUE(PumpUntil([this] { return !boxes.empty(); }, 10s));
    EXPECT_EQ(boxes[0].text, L"Process File?\r\n" + list.native());
    ASSERT_TRUE(PumpUntil(
        [this] { return frame->Model().Counters.GoodCount == 5 && !frame->Run().Busy; }, 30s));

    // Delete on the emoji's row deletes that file.
    const HWND lv = frame->List().Handle();
    ListView_SetItemState(lv, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(lv, 3, LVIS_SELECTED, LVIS_SELECTED);
    answer = IDOK;
    SendMessageW(lv, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / kNames[2]));
    EXPECT_TRUE(std::filesystem::exists(dir / kNames[1]));
}

// Create mode and the folder command list every file (as it is now: Alpha's too), in UTF-8 with
// its mark; the lists check Good in the window.
TEST_F(UnicodeNamesWindowTest, CreateModeAndTheFolderCommandListEveryName) {
    Open();
    frame->bCreateClick();
    ASSERT_TRUE(frame->Tree().Navigate(dir.path()));
    frame->SelectAll2Click();
    frame->CreateList(dir / L"all.md5");
    EXPECT_TRUE(boxes.empty()) << "nothing left out";
    const std::string md5 = test::ReadAll(dir / L"all.md5");
    EXPECT_EQ(md5.substr(0, 3), "\xEF\xBB\xBF");
    for (const auto& name : kNames)
        EXPECT_NE(md5.find(" " + Utf8(name) + "\r\n"), std::string::npos) << md5;
    frame.reset();

    Open({L"-makemd5", dir.path().native()});
    ASSERT_TRUE(PumpUntil([this] { return quitCode == 0; }, 20s));
    const auto made = dir / (dir.path().filename().native() + L".md5");
    const std::string folderList = test::ReadAll(made);
    EXPECT_EQ(folderList.substr(0, 3), "\xEF\xBB\xBF");
    for (const auto& name : kNames)
        EXPECT_NE(folderList.find(" " + Utf8(name) + "\r\n"), std::string::npos) << folderList;
    frame.reset();

    for (const auto& list : {dir / L"all.md5", made}) {
        Open({list.native()});
        ASSERT_TRUE(PumpUntil(
            [this] { return frame->Model().Counters.GoodCount == 5 && !frame->Run().Busy; }, 30s))
            << list;
        EXPECT_EQ(frame->Model().Counters.BadCount + frame->Model().Counters.MissingCount, 0);
        frame.reset();
    }
}

} // namespace
} // namespace quillon::test
