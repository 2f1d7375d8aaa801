// Every branch of an update, judged by the check that follows it: a fresh folder of three files
// (a.txt, b.txt, sub/c.txt) written an hour before their list, then changed as a user would.
#include "create/ListUpdate.h"

#include "core/FileError.h"
#include "platform/FileReader.h"
#include "tests/create/FakeSource.h"
#include "tests/verify/VerifyFixture.h"

#include <cstdlib>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;
using Fault = std::function<int(const fs::path&, RunState&)>;

// As sha256sum writes it, and as md5sum and sha256sum --tag write theirs into one list.
const std::string kSha256Sums =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  a.txt\n"
    "cb8379ac2098aa165029e3938a51da0bcecfc008fd6795f401178647f96c5b34  b.txt\n"
    "50ae61e841fac4e8f9e40baf2ad36ec868922ea48368c18f9535e47db56dd7fb  sub/c.txt\n";
const std::string kMd5Sums =
    "900150983cd24fb0d6963f7d28e17f72  a.txt\n"
    "SHA256 (b.txt) = cb8379ac2098aa165029e3938a51da0bcecfc008fd6795f401178647f96c5b34\n"
    "826bbc5d0522f5f20a1da4b60fa8c871  sub/c.txt\n";
const std::string kLong = std::string(250, 'x') + ".sfv"; // no room for a temporary name

class ListUpdate : public VerifyFixture {
public:
    ~ListUpdate() override { platform::FileReader::SetReadFaultForTests(nullptr); }
    using VerifyFixture::dir; // for the cases' changes

    fs::path MakeList(const std::string& name) {
        const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
        const std::pair<const char*, const char*> files[] = {
            {"a.txt", "abc"}, {"b.txt", "def"}, {"sub/c.txt", "ghi"}};
        for (const auto& [file, text] : files)
            fs::last_write_time(dir.Write(file, text), hourAgo);
        if (name == "SHA256SUMS" || name == "md5sum.md5")
            return dir.Write(name, name == "SHA256SUMS" ? kSha256Sums : kMd5Sums);
        FakeSource source;
        source.items = {{"a.txt", 3}, {"b.txt", 3}, {fs::path("sub") / "c.txt", 3}};
        RunState create;
        const fs::path made = dir / (name == kLong ? "l.sfv" : name);
        CreateListFile(made, ListKindOfFile(made), dir.path(), source, create, nullptr);
        fs::rename(made, dir / name);
        return dir / name;
    }
    // Written a minute after the list.
    void Edit(const char* name, const fs::path& list) {
        fs::last_write_time(dir.Write(name, "edited"),
                            fs::last_write_time(list) + std::chrono::minutes(1));
    }
    // One byte other, size and time as they were.
    void Flip(const char* name) {
        const auto time = fs::last_write_time(dir / name);
        std::string bytes = ReadAll(dir / name);
        bytes[1] ^= 1;
        fs::last_write_time(dir.Write(name, bytes), time);
    }
    std::string CheckStatuses(const fs::path& list) {
        Load({list});
        Check();
        std::string s;
        for (std::int32_t status : Statuses())
            s += (s.empty() ? "" : " ") + std::string(StatusName(status));
        return s;
    }
};

// unchanged, re-hashed, added, removed, kept gone, kept damaged, left out
std::string UpdateCounts(const UpdateOutcome& o) {
    std::string s;
    for (std::size_t n :
         {o.unchanged, o.rehashed, o.added, o.removed, o.keptGone, o.keptDamaged, o.leftOut.size()})
        s += (s.empty() ? "" : " ") + std::to_string(n);
    return s;
}

TEST_F(ListUpdate, EachBranchAndTheCheckAfterIt) {
    const int eio = 5;
    enum { Prune = 1, Damaged = 2 };
    const struct Case {
        const char* what;
        std::string list;
        std::function<void(ListUpdate&, const fs::path&)> change;
        int options;        // Prune, Damaged (a check found b.txt damaged before)
        Fault fault;        // during the update
        const char* counts; // empty: nothing written, the old list stays byte for byte
        const char* after;  // the check's statuses, in list order
        std::string holds;  // a line the new list holds
    } cases[] = {
        {"edited, newer: re-hashed", "l.sfv", [](auto& t, auto& l) { t.Edit("b.txt", l); }, 0,
         nullptr, "2 1 0 0 0 0 0", "Good Good Good", "b.txt C2CAAC61"},
        {"one byte flipped, time restored: kept, never blessed", "l.sfv",
         [](auto& t, auto&) { t.Flip("b.txt"); }, Damaged, nullptr, "3 0 0 0 0 1 0",
         "Good Bad Good", "b.txt 0CC4E161"},
        {"new file of a covered folder added; other folders and lists not", "l.sfv",
         [](auto& t, auto&) {
             t.dir.Write("sub/n.txt", "abc");
             t.dir.Write("other/x.txt", "abc");
             t.dir.Write("y.md5", "");
         },
         0, nullptr, "3 0 1 0 0 0 0", "Good Good Good Good",
         (fs::path("sub") / "n.txt").string() + " 352441C2"},
        {"gone, kept", "l.sfv", [](auto& t, auto&) { fs::remove(t.dir / "b.txt"); }, 0, nullptr,
         "2 0 0 0 1 0 0", "Good Missing Good", "b.txt 0CC4E161"},
        {"gone, pruned", "l.sfv", [](auto& t, auto&) { fs::remove(t.dir / "b.txt"); }, Prune,
         nullptr, "2 0 0 1 0 0 0", "Good Good", "a.txt 352441C2"},
        {"unchanged: rewritten, nothing read", "l.md5", nullptr, 0,
         [&](auto&, auto&) { return eio; }, "3 0 0 0 0 0 0", "Good Good Good",
         "4ED9407630EB1000C0F6B63842DEFA7D b.txt"},
        {"changed but unreadable: old entry kept", "l.sfv",
         [](auto& t, auto& l) { t.Edit("b.txt", l); }, 0,
         [&](auto& p, auto&) { return p.filename() == "b.txt" ? eio : 0; }, "2 0 0 0 0 0 1",
         "Good Bad Good", "b.txt 0CC4E161"},
        {"aborted on an added file", "l.sfv", [](auto& t, auto&) { t.dir.Write("n.txt", "x"); }, 0,
         [](auto& p, RunState& run) {
             run.AbortRequested = p.filename() == "n.txt";
             return 0;
         },
         "", "Good Good Good", ""},
#ifndef _WIN32
        {"list cannot be stored", kLong, [](auto& t, auto& l) { t.Edit("a.txt", l); }, 0, nullptr,
         "", "Bad Good Good", ""},
#endif
        {"md5sum list, no comment lines: newer file re-hashed, tag line kept", "md5sum.md5",
         [](auto& t, auto& l) { t.Edit("a.txt", l); }, 0, nullptr, "2 1 0 0 0 0 0",
         "Good Good Good",
         "SHA256 (b.txt) = cb8379ac2098aa165029e3938a51da0bcecfc008fd6795f401178647f96c5b34"},
        {"a tag line's file re-hashed with its own kind", "md5sum.md5",
         [](auto& t, auto& l) { t.Edit("b.txt", l); }, 0, nullptr, "2 1 0 0 0 0 0",
         "Good Good Good",
         "SHA256 (b.txt) = 1fb9f4097256db2d7b1e13aff79cee44339891a31c556b9cf6093885773b3618"},
        {"sha256sum list, older flipped file kept, new file added", "SHA256SUMS",
         [](auto& t, auto&) {
             t.Flip("sub/c.txt");
             t.dir.Write("n.txt", "abc");
         },
         0, nullptr, "3 0 1 0 0 0 0", "Good Good Bad Good",
         "\nba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  n.txt\n"},
        {"a new name in a subfolder takes the list's own separator", "SHA256SUMS",
         [](auto& t, auto&) { t.dir.Write("sub/n.txt", "abc"); }, 0, nullptr, "3 0 1 0 0 0 0",
         "Good Good Good Good",
         "\nba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  sub/n.txt\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ListUpdate& t = *this;
        for (const auto& f : fs::directory_iterator(dir.path()))
            fs::remove_all(f.path());
        const fs::path list = MakeList(c.list);
        if (c.change)
            c.change(t, list);
        const std::string before = ReadAll(list);
        RunState run;
        if (c.fault)
            platform::FileReader::SetReadFaultForTests(
                [&](const fs::path& p, std::int64_t) { return c.fault(p, run); });
        std::unordered_set<ViewText> damaged;
        if (c.options & Damaged)
            damaged.insert((dir / "b.txt").native());
        std::string counts;
        try {
            const UpdateOutcome o = UpdateListFile(list, c.options & Prune, run, nullptr, damaged);
            counts = o.written ? UpdateCounts(o) : "";
        } catch (const FileError& e) {
            EXPECT_EQ(e.kind(), FileError::Kind::Create);
        }
        platform::FileReader::SetReadFaultForTests(nullptr);
        EXPECT_EQ(counts, c.counts);
        if (counts.empty())
            EXPECT_EQ(ReadAll(list), before);
        else
            EXPECT_NE(ReadAll(list).find(c.holds), std::string::npos) << ReadAll(list);
        EXPECT_EQ(CheckStatuses(list), c.after);
    }
}

} // namespace
} // namespace quillon::test
