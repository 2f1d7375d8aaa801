// What a check finds beside the statuses: why a Bad file differs (changed or damaged) and the
// files of the lists' folders that no list names.
#include "core/FileDigest.h"
#include "core/ListFile.h"
#include "platform/FileReader.h"
#include "platform/FolderListing.h"
#include "tests/verify/VerifyFixture.h"

#include "verify/UnlistedFiles.h"

#include <chrono>
#include <future>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillon {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t U = StatusUnchecked, B = StatusBad;

// std::filesystem cannot set a folder's time on Windows: it opens the folder as a file.
void SetFolderTimeHourAgo(const std::filesystem::path& folder) {
#ifdef _WIN32
    HANDLE h = CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 36000000000ULL; // an hour in 100 ns ticks
    const FILETIME then{t.LowPart, t.HighPart};
    const BOOL set = SetFileTime(h, nullptr, nullptr, &then);
    CloseHandle(h);
    ASSERT_TRUE(set);
#else
    std::filesystem::last_write_time(folder, std::filesystem::file_time_type::clock::now() - 1h);
#endif
}

class FindingsTest : public test::VerifyFixture {
protected:
    std::string Digest(DigestKind kind, const std::string& name) {
        return GetDigestText(kind, dir / name, idle).text;
    }
    void SetTime(const std::string& name, std::filesystem::file_time_type time) {
        std::filesystem::last_write_time(dir / name, time);
    }
    std::string Note(std::size_t i) {
        const TItemRec& e = Entry(i);
        return e.Note ? NoteText(*e.Note) : "";
    }
};

// An SFV comment line decides by size and time: other content at the recorded size and time is
// damaged, a new time or size is changed. Without one (MD5), a file written after the list
// file is changed, one written before it damaged.
TEST_F(FindingsTest, BadEntriesSayChangedOrDamaged) {
    const auto then = std::filesystem::file_time_type::clock::now() - 48h;
    const char* sfvNames[] = {"same", "edited", "grown", "flipped"};
    const char* md5Names[] = {"late", "early"};
    std::vector<std::string> sfv = {"; made by a test", ";"}, sfvEntries, md5;
    for (const char* name : sfvNames) {
        dir.Write(name, std::string("content of ") + name);
        SetTime(name, then);
        sfv.push_back(FileInfoComment(*platform::LookupPath(dir / name), name));
        sfvEntries.push_back(std::string(name) + " " + Digest(DigestKind::Crc32, name));
    }
    for (const char* name : md5Names) {
        dir.Write(name, std::string("content of ") + name);
        md5.push_back(Digest(DigestKind::Md5, name) + " " + name);
    }
    sfv.insert(sfv.end(), sfvEntries.begin(), sfvEntries.end());
    const auto sfvList = List("l.sfv", sfv);
    const auto md5List = List("l.md5", md5);
    std::filesystem::last_write_time(md5List, then + 24h);

    dir.Write("edited", "CONTENT of edited");
    dir.Write("grown", "content of grown!");
    SetTime("grown", then);
    dir.Write("flipped", "CONTENT of flipped");
    SetTime("flipped", then);
    dir.Write("late", "CONTENT of late");
    dir.Write("early", "CONTENT of early");
    SetTime("early", then);

    Load({sfvList, md5List});
    Check();
    const std::vector<std::string> notes = {"",        "changed", "changed",
                                            "damaged", "changed", "damaged"};
    for (std::size_t i = 0; i < notes.size(); ++i)
        EXPECT_EQ(Note(i), notes[i]) << i;
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 0, 5, 1}));
    EXPECT_EQ(model->FindingsText(), ViewTextFromAscii("3 changed, 2 damaged"));
    EXPECT_EQ(view.findings, model->FindingsText());

    // Mended, the next check takes the notes back.
    dir.Write("edited", "content of edited");
    model->ListFiles = {sfvList};
    model->LoadListFiles();
    EXPECT_EQ(view.findings, ViewText());
    Check();
    EXPECT_EQ(Note(1), "");
    // late and early are named by the list no longer loaded.
    EXPECT_EQ(model->FindingsText(), ViewTextFromAscii("1 changed, 1 damaged, 2 unlisted"));
}

// A list covers its folder and the subfolders it names entries in; lists there, by name or
// loaded, are no unlisted files.
TEST_F(FindingsTest, UnlistedFilesOfTheCoveredFolders) {
    for (const char* name : {"a.txt", "e.txt", "sub/b.txt", "sub/c.txt", "other/d.txt", "old.md5",
                             "deeper/x/y.txt", "SHA256SUMS"})
        dir.Write(name, "x");
    const auto list = List("names.txt", {"a.txt " + Digest(DigestKind::Crc32, "a.txt"),
                                         "sub/b.txt " + Digest(DigestKind::Crc32, "a.txt"),
                                         "../outside.txt 00000000"});
    Load({list});
    Check();
    const auto sep = std::filesystem::path::preferred_separator;
    const ViewText folder = dir.path().native() + sep;
    EXPECT_EQ(model->Unlisted,
              (std::vector<ViewText>{folder + ViewTextFromAscii("e.txt"),
                                     folder + ViewTextFromAscii("sub") + sep +
                                         ViewTextFromAscii("c.txt")}));
    EXPECT_EQ(model->FindingsText(), ViewTextFromAscii("2 unlisted"));

    // A list named without a folder is in the current one.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    Load({"names.txt"});
    Check();
    std::filesystem::current_path(cwd);
    EXPECT_EQ(model->Unlisted.size(), 2u);
    EXPECT_EQ(model->Unlisted.at(0), ViewTextFromAscii("e.txt"));

    // A new load forgets what the last check found.
    model->ListFiles = {list};
    model->LoadListFiles();
    EXPECT_TRUE(model->Unlisted.empty());
}

// The folders are read while the check runs (or, where enough entries share one, by the size
// lookup before it): what changes in one after that reading is seen at the end, also in a folder
// last written long before (whose early reading would otherwise stand).
TEST_F(FindingsTest, UnlistedFilesAsTheCheckEnds) {
    std::promise<void> read;
    UnlistedSearch::SetReadForTests([&] { read.set_value(); });
    // A failed case must not leave the next test's search calling into this one's frame.
    const std::unique_ptr<void, void (*)(void*)> unhook(&read, [](void*) {
        UnlistedSearch::SetReadForTests(nullptr);
        platform::SetListFaultForTests(nullptr);
    });
    const struct {
        const char* change; // made in the middle of the check
        int fillers;        // more entries in the folder: ten make the lookup read it
        std::vector<std::string> unlisted;
    } cases[] = {
        {"", 0, {"extra.txt"}},         {"add", 0, {"extra.txt", "new.txt"}},
        {"remove", 0, {}},              {"rename", 0, {"renamed.txt"}},
        {"", 10, {"extra.txt"}},        {"add", 10, {"extra.txt", "new.txt"}},
        {"remove", 10, {}},             {"rename", 10, {"renamed.txt"}},
        // The search's own reading would fail: the lookup's stands in for it.
        {"unreadable", 10, {"extra.txt"}},
    };
    for (const auto& c : cases) {
        test::TempDir folder;
        std::string listText = "a 352441C2\r\nb 352441C2\r\n";
        for (const char* name : {"a", "b", "extra.txt"})
            folder.Write(name, "abc");
        for (int i = 0; i < c.fillers; ++i) {
            folder.Write("f" + std::to_string(i), "abc");
            listText += "f" + std::to_string(i) + " 352441C2\r\n";
        }
        const auto list = folder.Write("l.sfv", listText);
        SetFolderTimeHourAgo(folder.path());
        Load({list});
        const std::string change = c.change;
        if (change == "unreadable")
            platform::SetListFaultForTests([](const std::filesystem::path&) { return 5; });
        read = {};
        view.hook = [&](std::string_view op, std::int32_t row) {
            if (op != "scroll" || row != 2)
                return;
            read.get_future().wait();
            if (change == "add")
                folder.Write("new.txt", "x");
            else if (change == "remove")
                std::filesystem::remove(folder / "extra.txt");
            else if (change == "rename")
                std::filesystem::rename(folder / "extra.txt", folder / "renamed.txt");
        };
        Check();
        view.hook = nullptr;
        platform::SetListFaultForTests(nullptr);
        std::vector<std::string> unlisted;
        for (const ViewText& path : model->Unlisted)
            unlisted.push_back(std::filesystem::path(path).filename().string());
        EXPECT_EQ(unlisted, c.unlisted) << change << " " << c.fillers;
        EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 0, 0, 2 + c.fillers}))
            << change << " " << c.fillers;
    }
}

// A check keeps the digest of each file it read whole until the entry's next result; an abort
// keeps those read before it; a new load forgets them all.
TEST_F(FindingsTest, DigestsReadAreKeptUntilTheNextResultOrLoad) {
    for (const char* name : {"a", "b", "c"})
        dir.Write(name, std::string("now ") + name);
    const auto list = List("l.sfv", {"a 00000000", "b 00000000", "c 00000000"});
    Load({list});
    Check();
    const std::vector<std::string> read = {Digest(DigestKind::Crc32, "a"),
                                           Digest(DigestKind::Crc32, "b"),
                                           Digest(DigestKind::Crc32, "c")};
    for (std::size_t i = 0; i < read.size(); ++i)
        EXPECT_EQ(ActualText(Entry(i)), read[i]) << i;

    // A check of b alone, cut short while it reads b: its earlier result and digest stay.
    view.Select({2});
    platform::FileReader::SetReadFaultForTests(
        [this](const std::filesystem::path& p, std::int64_t) {
            if (p.filename() == "b")
                model->bCancelClick();
            return 0;
        });
    dir.Write("b", "later b");
    Check();
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{B, B, B}));
    EXPECT_EQ(ActualText(Entry(1)), read[1]);

    // Every row again, stopped at c: a and b have their new digests, c none (Unchecked).
    view.Select({});
    view.hook = [this](std::string_view op, std::int32_t row) {
        if (op == "scroll" && row == 3)
            model->bCancelClick();
    };
    Check();
    view.hook = nullptr;
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{B, B, U}));
    EXPECT_EQ(ActualText(Entry(0)), read[0]);
    EXPECT_EQ(ActualText(Entry(1)), Digest(DigestKind::Crc32, "b"));
    EXPECT_EQ(ActualText(Entry(2)), "");

    // Mended, a's digest is its expected text; nothing more is kept for it.
    dir.Write("a", "now a");
    const auto good = List("g.sfv", {"a " + read[0]});
    Load({good});
    EXPECT_EQ(ActualText(Entry(0)), "");
    Check();
    EXPECT_EQ(ActualText(Entry(0)), read[0]);
    EXPECT_FALSE(Entry(0).Note);

#ifndef _WIN32
    // Gone right after its read (Windows keeps an open file): its digest stays, and no reason.
    dir.Write("a", "now A");
    const std::string now = Digest(DigestKind::Crc32, "a");
    platform::FileReader::SetReadFaultForTests([this](const std::filesystem::path&, std::int64_t) {
        std::filesystem::remove(dir / "a");
        return 0;
    });
    Check();
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{B}));
    EXPECT_EQ(ActualText(Entry(0)), now);
    ASSERT_TRUE(Entry(0).Note);
    EXPECT_EQ(NoteText(*Entry(0).Note), "");
#endif
}

// A kept digest takes the letter case of the list's text where that has one.
TEST(FindingsDigest, DigestTextTakesTheCaseOfTheList) {
    const struct {
        const char *digest, *expected, *kept;
    } cases[] = {
        {"352441C2", "352441c2", "352441c2"}, {"352441C2", "00000000", "352441C2"},
        {"a9993e36", "A9993E37", "A9993E36"}, {"a9993e36", "a9993E37", "a9993e36"},
        {"D41D8CD9", "junk", "d41d8cd9"},     {"D41D8CD9", "", "D41D8CD9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DigestTextInCaseOf(c.digest, c.expected), c.kept) << c.expected;
}

} // namespace
} // namespace quillon
