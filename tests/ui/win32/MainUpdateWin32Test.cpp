#include "core/FileDigest.h"
#include "core/ListFile.h"
#include "tests/ui/win32/MainWindowFixture.h"
#include "ui/MainDlgIds.h"

#include <chrono>

namespace quillon::test {
namespace {

using namespace std::chrono_literals;

class UpdateWindowTest : public MainWindowTest {
protected:
    // An SFV list with comment lines over same, edited, flipped and gone (all two days old);
    // then edited is written anew, flipped gets other bytes at its old time, gone goes and new
    // comes.
    std::filesystem::path ListThenChanges() {
        const auto then = std::filesystem::file_time_type::clock::now() - 48h;
        std::string comments = "; made by a test\r\n", entries;
        RunState idle;
        for (const char* name : {"same", "edited", "flipped", "gone"}) {
            const auto path = dir.Write(name, std::string("content of ") + name);
            std::filesystem::last_write_time(path, then);
            comments += FileInfoComment(path) + "\r\n";
            entries += std::string(name) + " " + GetDigestText(DigestKind::Crc32, path, idle).text +
                       "\r\n";
        }
        const auto list = dir.Write("l.sfv", comments + entries);
        dir.Write("edited", "edited anew");
        dir.Write("flipped", "CONTENT of flipped");
        std::filesystem::last_write_time(dir / "flipped", then);
        std::filesystem::remove(dir / "gone");
        dir.Write("new", "new file");
        return list;
    }
    void Update() { SendMessageW(frame->Handle(), WM_COMMAND, ui::ids::IDM_UPDATELIST, 0); }
    std::vector<std::wstring> Notes() {
        std::vector<std::wstring> notes;
        for (RowIndex r = 1; r < frame->RowCount(); ++r)
            notes.push_back(frame->List().RowCaption(r) + L":" + frame->List().RowNote(r));
        return notes;
    }
};

// Damaged stays damaged, a changed file is read again, the gone one goes when the user says so,
// the new one comes; the window then shows the list as it now is.
TEST_F(UpdateWindowTest, UpdateAfterACheck) {
    Open();
    const auto list = ListThenChanges();
    chosen = std::vector<std::filesystem::path>{list};
    OpenAndWait();
    CheckAndWait();
    EXPECT_EQ(frame->StatusBar().Text(4),
              L"1 changed, 1 damaged, 1 unlisted; Complete in 0 seconds");
    const std::string before = ReadAll(list);

    // Cancel at the question updates nothing.
    answer = IDCANCEL;
    Update();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(L"The file of 1 entry of"), std::wstring::npos);
    EXPECT_EQ(boxes[0].type & 0xF, static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_EQ(ReadAll(list), before);

    // An abort in the middle leaves the list as it was, byte for byte.
    answer = IDYES;
    platform::FileReader::SetReadFaultForTests([&](const auto&, std::int64_t) {
        PostMessageW(frame->Handle(), WM_COMMAND, ui::ids::IDC_ABORT, 0);
        Sleep(30); // the pump looks at the queue every 15 ms at most
        return 0;
    });
    Update();
    platform::FileReader::SetReadFaultForTests(nullptr);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text, L"User Aborted");
    EXPECT_EQ(ReadAll(list), before);
    EXPECT_FALSE(frame->Run().Busy);
    EXPECT_TRUE(ButtonEnabled(kCheck));

    bool optionsOn = true;
    platform::FileReader::SetReadFaultForTests([&](const auto&, std::int64_t) {
        optionsOn = ButtonEnabled(kOptions) || ButtonEnabled(kCheck);
        return 0;
    });
    Update();
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_FALSE(optionsOn) << "no modal loop nor check while the update runs";
    ASSERT_TRUE(PumpUntil([this] { return !frame->Loading(); }));
    EXPECT_EQ(frame->Model().Counters.UncheckedCount, 4);
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[4].text, list.native() +
                                 L"\r\nupdated: 1 added, 1 removed, 1 re-hashed, 1 kept as "
                                 L"damaged, 0 kept although gone, 0 left out, 2 unchanged.");
    const std::string after = ReadAll(list);
    EXPECT_EQ(after.find("gone"), std::string::npos);
    EXPECT_NE(after.find("flipped " + before.substr(before.find("flipped ") + 8, 8)),
              std::string::npos)
        << "the damaged file keeps its checksum";
    ASSERT_EQ(frame->RowCount(), 5);
    CheckAndWait();
    EXPECT_EQ(Notes(), (std::vector<std::wstring>{L"same:", L"edited:", L"flipped:damaged",
                                                  L"new:"}));
    EXPECT_EQ(frame->Model().Counters.BadCount, 1);
    EXPECT_EQ(frame->Model().Counters.GoodCount, 3);
}

// What cannot be updated says why and writes nothing: junk, a list that went, and, with
// several loaded, no row to say which.
TEST_F(UpdateWindowTest, ListsThatCannotBeUpdated) {
    Open();
    std::string junk(4000, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<char>((i * 7919) % 251);
    for (std::size_t i = 60; i < junk.size(); i += 61)
        junk[i] = '\n';
    const auto junkList = dir.Write("junk.sfv", junk);
    const auto other = dir.Write("other.md5", "0cc175b9c0f1b6a831c399e269772661  a\n");
    chosen = std::vector<std::filesystem::path>{junkList, other};
    OpenAndWait();
    boxes.clear();
    Update();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.find(L"Several lists are loaded"), 0u);

    ListView_SetItemState(frame->List().Handle(), 0, LVIS_FOCUSED, LVIS_FOCUSED);
    Update();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find(L"does not look like a checksum list"), std::wstring::npos);
    EXPECT_EQ(ReadAll(junkList), junk);

    std::filesystem::remove(other);
    ListView_SetItemState(frame->List().Handle(), frame->RowCount() - 1, LVIS_FOCUSED,
                          LVIS_FOCUSED);
    Update();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_NE(boxes[2].text.find(L"other.md5"), std::wstring::npos);
    EXPECT_FALSE(std::filesystem::exists(other));
}

} // namespace
} // namespace quillon::test
