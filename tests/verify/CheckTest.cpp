#include "core/Crc32.h"
#include "core/FileDigest.h"
#include "core/ListFile.h"
#include "platform/FileReader.h"
#include "tests/verify/VerifyFixture.h"
#include "util/EnhFunc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace quillon::test {
namespace {

constexpr std::int32_t U = StatusUnchecked, M = StatusMissing, B = StatusBad, G = StatusGood;

class CheckTest : public VerifyFixture {
protected:
    // abc.txt (Good), bad.txt (Bad), gone.bin (Missing): rows 1, 2, 3 under the header.
    void LoadThree() {
        dir.Write("abc.txt", "abc");
        dir.Write("bad.txt", "abd");
        Load({List("l.sfv", {"abc.txt 352441C2", "bad.txt 352441C2", "gone.bin 00000000"})});
    }
    // An aborted run leaves its bars where they were; a finished one shows them full.
    void ExpectRunEnded(bool aborted = false) {
        EXPECT_FALSE(run.Busy);
        EXPECT_TRUE(view.runEnabled);
        EXPECT_EQ(view.runDisables, view.runEnables);
        ASSERT_FALSE(view.fileBar.empty());
        EXPECT_EQ(view.fileBar.back() == 100 && view.totalBar.back() == 100, !aborted);
        EXPECT_EQ(view.offGuiThread, 0);
    }
};

TEST_F(CheckTest, EveryDisplayedEntryGetsItsResult) {
    LoadThree();
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, B, M}));
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 1, 1, 1}));
    EXPECT_EQ(view.SizeTextOf(3), "Not Found");
    EXPECT_EQ(view.scrolled, (std::vector<RowIndex>{1, 2, 3}));
    ExpectRowsMatchEntries();
    ExpectRunEnded();
    EXPECT_EQ(view.timeTexts.back(), "Complete in 0 seconds");
    EXPECT_EQ(view.fileBar.front(), 0);
    EXPECT_EQ(run.Progress.TotalBytes, 6);
    EXPECT_EQ(run.Progress.DoneBytes, 6);
    EXPECT_GE(view.repaints, 3 + 2);
}

TEST_F(CheckTest, ExpectedTextMatchesWithoutRegardToCase) {
    dir.Write("abc.txt", "abc");
    Load({List("l.sfv", {"abc.txt 352441c2", "abc.txt 352441C20", "abc.txt 0352441C2",
                         "abc.txt 52441C2"})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, B, B, B}));
}

// Each entry is checked with its own list's digest, whatever list came last.
TEST_F(CheckTest, EachEntryIsCheckedWithItsListsKind) {
    dir.Write("abc.txt", "abc");
    Load({List("a.sfv", {"abc.txt 352441C2", "abc.txt 900150983cd24fb0d6963f7d28e17f72"}),
          List("b.md5", {"900150983cd24fb0d6963f7d28e17f72  abc.txt", "352441C2  abc.txt"})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, B, G, B}));
}

// The digests of "abc" from their standards' examples (CRC-32, RFC 1321, FIPS 180-4, BLAKE3).
constexpr const char* kAbcDigests[][2] = {
    {"CRC32", "352441c2"},
    {"MD5", "900150983cd24fb0d6963f7d28e17f72"},
    {"SHA1", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"SHA256", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"SHA512",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3"
     "c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    {"BLAKE3", "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85"},
};

// A BSD tag decides the digest of its line in a list of any kind (small MD5 files, read ahead,
// among them); a tag this program does not compute is never Good, and its file is not read.
TEST_F(CheckTest, TagLinesAreCheckedWithTheirTagsDigest) {
    dir.Write("abc.txt", "abc");
    dir.Write("abd.txt", "abd");
    std::vector<std::string> lines;
    std::vector<std::int32_t> expected;
    for (const auto& [tag, digest] : kAbcDigests) {
        lines.push_back(std::string(tag) + " (abc.txt) = " + digest);
        lines.push_back(std::string(tag) + " (abd.txt) = " + digest);
        expected.insert(expected.end(), {G, B});
    }
    lines.push_back(
        "SHA3-256 (abc.txt) = 3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe245114315");
    lines.push_back("SHA3-256 (gone.txt) = 00");
    expected.insert(expected.end(), {B, M});
    for (const char* list : {"tags.sfv", "tags.md5"}) {
        Load({List(list, lines)});
        ASSERT_EQ(model->ItemList.size(), lines.size());
        const TItemRec& unsupported = Entry(lines.size() - 2);
        EXPECT_EQ(unsupported.Kind, ListKind::Unsupported);
        EXPECT_EQ(UnsupportedAlgorithm(unsupported), "SHA3-256");
        EXPECT_EQ(ExpectedText(unsupported).substr(0, 6), "3a985d");
        EXPECT_EQ(ExpectedText(Entry(0)), "352441c2");
        EXPECT_EQ(UnsupportedAlgorithm(Entry(0)), "");
        // It says why from the load on, and a check does not take that back.
        for (int pass = 0; pass < 2; ++pass) {
            ASSERT_TRUE(unsupported.Note) << pass;
            EXPECT_EQ(NoteText(*unsupported.Note), "unsupported algorithm SHA3-256");
            Check();
        }
        EXPECT_EQ(Statuses(), expected) << list;
        // Every entry read is counted, the unsupported one is never read.
        EXPECT_EQ(run.Progress.TotalBytes, 3 * 12);
        EXPECT_EQ(run.Progress.DoneBytes, 3 * 12);
    }
}

// The name as written is checked where it is a file (a damaged " lead" beside an intact lead);
// else the trimmed one, so a sloppy list's blanks and a Windows list's "\\" still find theirs.
TEST_F(CheckTest, TheNameAsWrittenWinsWhereItIsAFile) {
    dir.Write("lead", "abc");
    dir.Write(" lead", "abd");
    dir.Write("sloppy", "abc");
    dir.Write("sub/x", "abc");
    const std::string abc = "900150983cd24fb0d6963f7d28e17f72";
    Load({List("l.md5", {abc + "   lead", abc + "    sloppy", abc + "  sub\\x"}),
          List("l.sfv", {" lead 352441C2", "  sloppy   352441C2", "sub\\x 352441C2"})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{B, G, G, B, G, G}));
}

TEST_F(CheckTest, NothingLoadedStillRunsAndEnds) {
    Check();
    ExpectRunEnded();
    EXPECT_EQ(view.timeTexts.back(), "Complete in 0 seconds");
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 0, 0, 0}));
}

// The made-up digest of a file that could not be read must never match, whatever the list says.
TEST_F(CheckTest, UnreadableFileIsNeverGood) {
    const std::string block = RandomBytes(65536, 7);
    dir.Write("a.bin", "abc");
    dir.Write("big.bin", block + "tail");
    // MD5 of the first block alone: what a digest cut short at the second read gives.
    const auto part = dir.Write("part.bin", block);
    const std::string partMd5 = ThreadMd5Text(part, idle).text;
    std::filesystem::remove(part);

    platform::FileReader::SetReadFaultForTests([](const std::filesystem::path& p, std::int64_t at) {
        return p.filename() == "a.bin" || at >= 65536 ? 5 : 0;
    });
    Load({List("l.sfv", {"a.bin FFFFFFFF", "big.bin FFFFFFFF"})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{B, B}));
    Load({List("l.md5", {"D41D8CD98F00B204E9800998ECF8427E a.bin", partMd5 + " big.bin"})});
    Check();
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{B, B}));
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 0, 2, 0}));
    ExpectRunEnded();
}

TEST_F(CheckTest, FoldersAndWildcardNamesAreMissing) {
    std::filesystem::create_directory(dir / "folder");
    dir.Write("a1.bin", "abc");
    // FFFFFFFF and the MD5 of nothing are what reading a folder would give.
    Load({List("l.sfv", {"folder FFFFFFFF", "a?.bin 352441C2", "*.bin 352441C2", "a1.bin 352441C2"})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{M, M, M, G}));
    EXPECT_EQ(view.SizeTextOf(1), "Not Found");
    Load({List("l.md5", {"D41D8CD98F00B204E9800998ECF8427E folder"})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{M}));
}

// A device opens and reads like a file (or never ends), so reading it could make a list of
// stand-in digests come out Good.
TEST_F(CheckTest, DevicesAreMissingNotRead) {
#ifdef _WIN32
    const std::vector<std::string> devices = {"NUL", "con", "COM1", "nul.txt", "sub\\AUX"};
#else
    std::filesystem::create_symlink("/dev/null", dir / "null");
    std::filesystem::create_symlink("/dev/zero", dir / "zero");
    const std::vector<std::string> devices = {"null", "zero"};
#endif
    std::vector<std::string> sfv, md5;
    for (const auto& d : devices) {
        sfv.push_back(d + " 00000000");
        md5.push_back("D41D8CD98F00B204E9800998ECF8427E " + d);
    }
    for (const auto& list : {List("l.sfv", sfv), List("l.md5", md5)}) {
        Load({list});
        for (const auto& e : model->ItemList) EXPECT_EQ(e->Size, -1) << e->FileName;
        Check();
        EXPECT_EQ(Statuses(), std::vector<std::int32_t>(devices.size(), M)) << list;
        EXPECT_EQ(run.Progress.TotalBytes, 0);
    }
}

// Not a failed read part way but no open at all: the digest routines then give FFFFFFFF or the
// MD5 of nothing.
TEST_F(CheckTest, FileThatCannotBeOpenedIsBad) {
#ifdef _WIN32
    const auto file = dir.Write("locked.bin", "");
    // Held without sharing, as another program may hold it.
    void* h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    struct Closer {
        void* h;
        ~Closer() { CloseHandle(h); }
    } closer{h};
    const std::string name = "locked.bin";
#else
    // Write-only sysctls refuse even root, who reads past chmod 000.
    const std::filesystem::path wronly = "/proc/sys/vm/drop_caches";
    std::error_code ec;
    if (!std::filesystem::exists(wronly, ec) || platform::FileReader().Open(wronly, nullptr))
        GTEST_SKIP() << "no file that cannot be opened";
    std::filesystem::create_symlink(wronly, dir / "wronly");
    const std::string name = "wronly";
#endif
    ASSERT_FALSE(platform::FileReader().Open(dir / name, nullptr));
    Load({List("l.sfv", {name + " FFFFFFFF"})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{B}));
    Load({List("l.md5", {"D41D8CD98F00B204E9800998ECF8427E " + name})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{B}));
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 0, 1, 0}));
}

TEST_F(CheckTest, VanishedAndChangedFilesAreSeenAtTheStart) {
    LoadThree();
    std::filesystem::remove(dir / "abc.txt");
    dir.Write("gone.bin", "");
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{M, B, G}));
    EXPECT_EQ(view.SizeTextOf(1), "Not Found");
    EXPECT_EQ(view.SizeTextOf(3), "0 KB");
    EXPECT_EQ(Entry(2).Size, 0);
}

// Found as files at the start, then gone, or something else, by their turn: the digest's open is
// then the only test, and it must neither read a FIFO or device (and hang) nor call them Bad. In
// an MD5 list the small files are read ahead, from the first entry's turn on; a file that has
// outgrown that read by then is read the usual way.
TEST_F(CheckTest, FilesReplacedAfterTheStartAreMissingAtTheirTurn) {
    std::vector<std::string> names = {"gone", "folder"};
#ifndef _WIN32
    names.insert(names.end(), {"fifo", "zero"});
#endif
    const std::string grown = RandomBytes(70000, 11);
    const auto grownFile = dir.Write("grown", grown);
    const std::string grownCrc = ThreadCrcText(grownFile, idle).text;
    const std::string grownMd5 = ThreadMd5Text(grownFile, idle).text;
    const std::string abcMd5 = "900150983cd24fb0d6963f7d28e17f72", abcCrc = "352441C2";
    for (const bool md5 : {false, true}) {
        SCOPED_TRACE(md5 ? "MD5" : "SFV");
        const auto line = [&](const std::string& name, const std::string& md5Text,
                              const std::string& crcText) {
            return md5 ? md5Text + " " + name : name + " " + crcText;
        };
        std::vector<std::string> lines;
        for (const auto& n : names) {
            std::filesystem::remove_all(dir / n);
            dir.Write(n, "abc");
            lines.push_back(line(n, abcMd5, abcCrc));
        }
        dir.Write("grown", "abc");
        lines.push_back(line("grown", grownMd5, grownCrc));
        dir.Write("last", "abc");
        lines.push_back(line("last", abcMd5, abcCrc));
        Load({List(md5 ? "l.md5" : "l.sfv", lines)});
        view.hook = [&](std::string_view op, std::int32_t row) {
            if (op != "scroll" || row != 1) return;
            for (const auto& n : names) std::filesystem::remove(dir / n);
            std::filesystem::create_directory(dir / "folder");
#ifndef _WIN32
            ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
            std::filesystem::create_symlink("/dev/zero", dir / "zero");
#endif
            dir.Write("grown", grown);
        };
        Check();
        view.hook = nullptr;
        std::vector<std::int32_t> expected(names.size(), M);
        expected.insert(expected.end(), {G, G});
        EXPECT_EQ(Statuses(), expected);
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(view.SizeTextOf(static_cast<RowIndex>(i + 1)), "Not Found") << names[i];
        const auto missing = static_cast<std::int32_t>(names.size());
        EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, missing, 0, 2}));
        ExpectRunEnded();
    }
}

// A view that shows sizes neither in rows nor as progress (the console) leaves them to the
// entries' opens: the results and sizes are those of a check that looked every size up first,
// also for the entries that an abort leaves unreached.
TEST_F(CheckTest, SizesFoundByTheOpensAreThoseOfTheLookups) {
    dir.Write("abc.txt", "abc");
    dir.Write("bad.txt", "abd");
    dir.Write("empty", "");
    dir.Write("big.bin", RandomBytes(70000, 5));
    std::filesystem::create_directory(dir / "folder");
    std::vector<std::string> names = {"abc.txt", "bad.txt", "empty", "big.bin", "gone", "folder"};
    std::vector<std::int32_t> expected = {G, B, B, B, M, M};
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "abc.txt", dir / "link");
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    names.insert(names.end(), {"fifo", "link", "dangling"});
    expected.insert(expected.end(), {M, G, M});
#endif
    // Enough entries in the folder for it to be listed.
    for (int i = 0; i < 6; ++i) {
        names.push_back(dir.Write(std::string("f").append(std::to_string(i)), "abc")
                            .filename()
                            .string());
        expected.push_back(G);
    }
    for (const bool md5 : {false, true}) {
        for (const bool console : {false, true}) {
            SCOPED_TRACE(std::string(md5 ? "MD5" : "SFV") + (console ? " console" : " window"));
            std::vector<std::string> lines;
            for (const auto& n : names)
                lines.push_back(md5 ? "900150983cd24fb0d6963f7d28e17f72 " + n : n + " 352441C2");
            view.progress = view.sizeTexts = !console;
            model->ListFiles = {List(md5 ? "l.md5" : "l.sfv", lines)};
            model->LoadListFiles(false);
            // The console prints an entry as the worker moves on to the next one.
            std::vector<std::int64_t> printed;
            view.hook = [&](std::string_view op, std::int32_t row) {
                if (op == "scroll" && row >= 2) printed.push_back(Entry(row - 2).Size);
            };
            Check();
            view.hook = nullptr;
            EXPECT_EQ(Statuses(), expected);
            for (std::size_t i = 0; i < printed.size(); ++i)
                EXPECT_EQ(printed[i], Entry(i).Size) << names[i];
            for (const auto& e : model->ItemList)
                EXPECT_EQ(e->Size, GetFileSize64(e->FileName)) << Narrow(e->FileName);
#ifndef _WIN32
            // The listing showed abc.txt as a file: its size came with its open, not before.
            EXPECT_EQ(view.SizeTextOf(1) == "<none>", console);
#endif
            // Stopped at the third entry: the ones after it were never opened.
            view.hook = [this](std::string_view op, std::int32_t row) {
                if (op == "scroll" && row == 3) model->bCancelClick();
            };
            model->LoadListFiles(false);
            Check();
            view.hook = nullptr;
            EXPECT_EQ(Statuses()[2], U);
            for (const auto& e : model->ItemList)
                EXPECT_EQ(e->Size, GetFileSize64(e->FileName)) << Narrow(e->FileName);
        }
    }
}

// The small files of an MD5 list are read ahead and digested side by side: each result must land
// on its own entry, each file in scope be read once, and no file out of scope be read at all.
TEST_F(CheckTest, Md5ReadAheadResultsLandOnTheirOwnEntries) {
    const std::size_t sizes[] = {0, 1, 55, 56, 63, 64, 65, 4096, 65535, 65536, 70000};
    std::vector<std::string> lines;
    std::vector<std::int32_t> expected;
    constexpr int Files = 45;
    const auto nameOf = [](std::size_t i) {
        std::string name = "f"; // "f" + to_string() draws a false -Wrestrict from MinGW's GCC
        return name.append(std::to_string(i));
    };
    for (int i = 0; i < Files; ++i) {
        const std::string name = nameOf(static_cast<std::size_t>(i));
        const auto file = dir.Write(name, RandomBytes(sizes[i % std::size(sizes)], 100 + i));
        std::string md5 = GetMd5Text(file, idle).text;
        expected.push_back(G);
        if (i % 3 == 1) {
            md5[5] = md5[5] == '0' ? '1' : '0';
            expected.back() = B;
        }
        if (i % 7 == 6) {
            std::filesystem::remove(file);
            expected.back() = M;
        }
        lines.push_back(md5 + " " + name);
    }
    Load({List("l.md5", lines)});
    std::map<std::string, int> opened; // reads from the start of a file
    platform::FileReader::SetReadFaultForTests([&](const std::filesystem::path& p, std::int64_t at) {
        if (at == 0) ++opened[p.filename().string()];
        return 0;
    });
    struct SeamOff {
        ~SeamOff() { platform::FileReader::SetReadFaultForTests(nullptr); }
    } seamOff;

    // Scattered rows (row r is entry r - 1), so the read-ahead must skip the others.
    const std::vector<RowIndex> selected = {2, 3, 5, 17, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                                            29, 30, 31, 32, 33, 34, 35, 36, 44};
    view.Select({});
    for (RowIndex r : selected) view.SetSelected(r, true);
    Check();
    std::vector<std::int32_t> partial(Files, U);
    std::map<std::string, int> once;
    for (RowIndex r : selected) {
        const auto i = static_cast<std::size_t>(r - 1);
        partial[i] = expected[i];
        if (expected[i] != M) once[nameOf(i)] = 1;
    }
    EXPECT_EQ(Statuses(), partial);
    EXPECT_EQ(opened, once);
    EXPECT_EQ(run.Progress.DoneBytes, run.Progress.TotalBytes);

    opened.clear();
    view.Select({});
    Check();
    EXPECT_EQ(Statuses(), expected);
    once.clear();
    for (std::size_t i = 0; i < Files; ++i)
        if (expected[i] != M) once[nameOf(i)] = 1;
    EXPECT_EQ(opened, once);
    EXPECT_EQ(run.Progress.DoneBytes, run.Progress.TotalBytes);
    ExpectRowsMatchEntries();
    ExpectRunEnded();
}

// The read-ahead takes only an unbroken run of small files: none is read before a big or absent
// entry that comes first, so a file changed while a big one is read is seen changed.
TEST_F(CheckTest, Md5ReadAheadStopsAtTheFirstEntryItWouldNotTake) {
    const std::string abcMd5 = "900150983CD24FB0D6963F7D28E17F72";
    for (const char* n : {"s1", "s2", "s3", "s4"})
        dir.Write(n, "abc");
    const auto big = dir.Write("big", RandomBytes(3 * DigestBufferSize + 5, 12));
    const std::string bigMd5 = GetMd5Text(big, idle).text;
    // Entries 0..5, rows 1..6.
    Load({List("l.md5", {abcMd5 + " s1", bigMd5 + " big", abcMd5 + " s2", abcMd5 + " gone",
                         abcMd5 + " s3", abcMd5 + " s4"})});
    std::mutex m;
    std::vector<std::string> reads; // files in the order their first block was read
    platform::FileReader::SetReadFaultForTests([&](const std::filesystem::path& p,
                                                   std::int64_t at) {
        if (at != 0)
            return 0;
        std::lock_guard lock(m);
        reads.push_back(p.filename().string());
        if (reads.back() == "big")
            dir.Write("s2", "abd"); // rewritten while big is read
        // The read-ahead fails to read s3 once: s3 is read again at its turn, s4 only after that.
        return reads.back() == "s3" && std::count(reads.begin(), reads.end(), "s3") == 1 ? 5 : 0;
    });
    struct SeamOff {
        ~SeamOff() { platform::FileReader::SetReadFaultForTests(nullptr); }
    } seamOff;
    std::map<std::int32_t, std::vector<std::string>> readAtTurn; // by row
    view.hook = [&](std::string_view op, std::int32_t row) {
        std::lock_guard lock(m);
        if (op == "scroll")
            readAtTurn[row] = reads;
    };
    Check();
    view.hook = nullptr;
    using Names = std::vector<std::string>;
    EXPECT_EQ(readAtTurn[2], (Names{"s1"})) << "nothing read past big before its turn";
    EXPECT_EQ(readAtTurn[4], (Names{"s1", "big", "s2"})) << "nothing read past gone";
    // A second thread may read s4 while s3 fails; that read goes unused, and s4 is read again
    // after s3's turn, last.
    Names others = reads;
    others.erase(std::remove(others.begin(), others.end(), "s4"), others.end());
    EXPECT_EQ(others, (Names{"s1", "big", "s2", "s3", "s3"}));
    EXPECT_EQ(reads.back(), "s4");
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, G, B, M, G, G}));
    ExpectRunEnded();
}

// Which rows a check covers, from the selection when it starts.
TEST_F(CheckTest, ScopeFromTheSelection) {
    dir.Write("a", "abc");
    dir.Write("b", "abc");
    dir.Write("c", "abc");
    // rows: 0 header, 1 a, 2 b, 3 separator, 4 header, 5 c
    const auto l1 = List("one.sfv", {"a 352441C2", "b 352441C2"});
    const auto l2 = List("two.sfv", {"c 352441C2"});
    const struct {
        std::vector<RowIndex> selected;
        std::vector<std::int32_t> statuses;
    } cases[] = {
        {{}, {G, G, G}},
        {{0}, {G, G, G}},                // the first row alone: everything
        {{0, 1, 2, 3, 4, 5}, {G, G, G}}, // every row
        {{2}, {U, G, U}},
        {{1, 5}, {G, U, G}},
        {{4}, {U, U, U}},    // header rows only: nothing
        {{0, 3, 4}, {U, U, U}},
        {{0, 1}, {G, U, U}}, // first row among others is an ordinary selection
    };
    for (const auto& c : cases) {
        Load({l1, l2});
        view.Select({});
        for (RowIndex r : c.selected) view.SetSelected(r, true);
        Check();
        EXPECT_EQ(Statuses(), c.statuses) << ::testing::PrintToString(c.selected);
        ExpectRowsMatchEntries();
        ExpectRunEnded();
    }
}

TEST_F(CheckTest, SelectedRowsCheckKeepsTheCountsTrueThroughout) {
    LoadThree();
    Check(); // G B M
    view.Select({1, 2});
    std::vector<std::vector<std::int32_t>> seen;
    view.hook = [&](std::string_view op, std::int32_t) {
        if (op == "selected?") seen.push_back(Counts());
    };
    Check();
    view.hook = nullptr;
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, B, M}));
    // An entry checked again moves from its old count to its new one: at every step the counts
    // are those of the entries' statuses.
    ASSERT_FALSE(seen.empty());
    for (const auto& counts : seen)
        EXPECT_EQ(counts, (std::vector<std::int32_t>{0, 1, 1, 1}));
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 1, 1, 1}));
    EXPECT_EQ(view.timeTexts.back(), "Complete in 0 seconds: 2 selected of 3 checked");
    // Only the rows in scope were read.
    EXPECT_EQ(run.Progress.TotalBytes, 6);
    EXPECT_EQ(view.scrolled.size(), 3u); // from the first check only
}

TEST_F(CheckTest, RowDeselectedDuringTheCheckGoesBackToUnchecked) {
    LoadThree();
    Check(); // G B M
    view.Select({1, 2});
    // The worker asks twice about a row it checks: before and after taking its copies.
    const auto gui = std::this_thread::get_id();
    int asked = 0;
    view.hook = [&](std::string_view op, std::int32_t row) {
        if (op == "selected?" && row == 2 && std::this_thread::get_id() != gui && ++asked == 2)
            view.SetSelected(2, false);
    };
    Check();
    view.hook = nullptr;
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, U, M}));
    EXPECT_EQ(view.ImageOf(2), U);
    EXPECT_EQ(model->Counters.UncheckedCount, 1);
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1, 1, 0, 1}));
    // What the first check found of it went with its result: no "damaged" for an Unchecked
    // entry in the findings, and no digest of before.
    EXPECT_FALSE(Entry(1).Note);
    EXPECT_EQ(ActualText(Entry(1)), "");
    EXPECT_EQ(model->FindingsText(), ViewText());
}

TEST_F(CheckTest, FilteredViewChecksTheShownRowsAndCountsEveryEntry) {
    LoadThree();
    Check(); // G B M
    model->mnuDisplayClick(B);
    ASSERT_EQ(view.rows.size(), 2u);
    dir.Write("bad.txt", "abc"); // mended
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, G, M}));
    ASSERT_EQ(view.rows.size(), 2u); // the row stays whatever its new status
    EXPECT_EQ(view.ImageOf(1), G);
    // Missing and the first Good are hidden, and counted all the same; the filter changes no count.
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 1, 0, 2}));
    EXPECT_EQ(view.timeTexts.back(), "Complete in 0 seconds: 1 shown of 3 checked");
    model->mnuDisplayClick(FilterAll);
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 1, 0, 2}));
    EXPECT_EQ(model->EntriesToCheck(), 3u);
    model->mnuDisplayClick(B);
    EXPECT_EQ(model->EntriesToCheck(), 0u) << "nothing Bad is left to check";
}

class AbortTest : public CheckTest {
protected:
    // a.txt, then big.bin of three blocks, then c.txt.
    void LoadWithBigFile() {
        dir.Write("a.txt", "abc");
        dir.Write("big.bin", RandomBytes(3 * 65536, 3));
        dir.Write("c.txt", "abc");
        Md5Mode = false;
        const std::string crc = ThreadCrcText(dir / "big.bin", idle).text;
        Load({List("l.sfv", {"a.txt 352441C2", "big.bin " + crc, "c.txt 352441C2"})});
    }
    // Runs action when the worker has read the first block of big.bin.
    void DuringBigFile(std::function<void()> action) {
        view.hook = [this, action](std::string_view op, std::int32_t percent) {
            if (op == "file%" && percent == 33) action();
        };
    }
};

TEST_F(AbortTest, EntryInProgressKeepsItsStatus) {
    LoadWithBigFile();
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, G, G}));

    view.Select({2, 3}); // big.bin and c.txt, both Good
    DuringBigFile([this] { model->bCancelClick(); });
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, G, G})); // not Bad, untouched after
    EXPECT_EQ(view.ImageOf(2), G);
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{0, 0, 0, 3}));
    EXPECT_EQ(view.timeTexts.back(), "Aborted");
    ExpectRunEnded(true);

    view.Select({});
    Check(); // checking everything resets the statuses first
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, U, U}));
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{2, 0, 0, 1}));
    ExpectRunEnded(true);
    // The next run clears the request.
    view.hook = nullptr;
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, G, G}));
    EXPECT_EQ(view.timeTexts.back(), "Complete in 0 seconds");
}

TEST_F(AbortTest, ClosingTheWindowEndsWithoutRecountOrEndStep) {
    LoadWithBigFile();
    Check(); // G G G, GoodCount 3
    view.Select({1, 2});
    const int enables = view.runEnables;
    const std::size_t times = view.timeTexts.size();
    DuringBigFile([this] {
        model->Counters.GoodCount = 50; // a recount at the end would put it back to 3
        run.WindowClose();
    });
    Check();
    EXPECT_EQ(model->Counters.GoodCount, 50) << "nobody recounted";
    EXPECT_TRUE(run.Busy);
    EXPECT_EQ(view.runEnables, enables);
    EXPECT_FALSE(view.runEnabled);
    for (std::size_t i = times; i < view.timeTexts.size(); ++i)
        EXPECT_EQ(view.timeTexts[i].rfind("Estimated Time Left: ", 0), 0u) << view.timeTexts[i];
    EXPECT_NE(view.totalBar.back(), 100);
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, G, G}));
}

TEST_F(AbortTest, DestroyingTheModelStopsTheWorker) {
    LoadWithBigFile();
    model->StartCheck();
    model->StartCheck(); // a worker is under way: ignored
    model.reset();
    EXPECT_EQ(view.runDisables, 1);
    EXPECT_EQ(view.runEnables, 0);
}

TEST_F(CheckTest, FailureInsideTheLoopStillEndsTheRun) {
    LoadThree();
    view.hook = [](std::string_view op, std::int32_t row) {
        if (op == "scroll" && row == 2) throw std::runtime_error("broken view");
    };
    Check();
    view.hook = nullptr;
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, U, U}));
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{2, 0, 0, 1}));
    ExpectRunEnded();
    EXPECT_EQ(view.timeTexts.back(), "Complete in 0 seconds");
}

TEST_F(CheckTest, EmptyFilesOnlyMoveTheBarsAtStartAndEnd) {
    dir.Write("e1", "");
    dir.Write("e2", "");
    Load({List("l.sfv", {"e1 00000000", "e2 00000000"})});
    Check();
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{G, G}));
    EXPECT_EQ(view.fileBar, (std::vector<std::int32_t>{0, 100}));
    EXPECT_EQ(view.totalBar, (std::vector<std::int32_t>{0, 100}));
    EXPECT_TRUE(view.rateTexts.empty());
}

TEST_F(CheckTest, StartDisablesTheCommandsAndCountsOnTheGuiThread) {
    LoadThree();
    bool sawDisabled = false;
    view.hook = [&](std::string_view op, std::int32_t) {
        if (op == "scroll")
            sawDisabled = !view.runEnabled && run.Busy;
    };
    Check();
    view.hook = nullptr;
    EXPECT_TRUE(sawDisabled);
    ExpectRunEnded();
}

} // namespace
} // namespace quillon::test
