#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ConsoleView.h"
#include "core/Crc32.h"
#include "core/FileDigest.h"
#include "core/RunState.h"
#include "platform/FileReader.h"
#include "tests/TempDir.h"
#include "verify/GuiDispatcher.h"
#include "verify/VerifyModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillon::cli {
namespace {

using namespace std::string_literals;

struct CliRun {
    int status;
    std::string out, err;
};

CliRun RunCommand(int (*command)(const Args&), const Args& args) {
    CliRun r;
    CaptureForTests(&r.out, &r.err);
    r.status = command(args);
    CaptureForTests(nullptr, nullptr);
    return r;
}
CliRun Show(const Args& args) {
    return RunCommand(RunShow, args);
}
CliRun Check(const Args& args) {
    return RunCommand(RunCheck, args);
}

std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find(kNewline, start);
        if (end == std::string::npos) {
            lines.push_back(out.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(out.substr(start, end - start));
        start = end + kNewline.size();
    }
    return lines;
}

const std::string kEmptyMd5 = "D41D8CD98F00B204E9800998ECF8427E";
const std::string kAbcMd5 = "900150983CD24FB0D6963F7D28E17F72";

class ShowCheckCommand : public ::testing::Test {
protected:
    ShowCheckCommand() = default;
    ~ShowCheckCommand() override { platform::FileReader::SetReadFaultForTests(nullptr); }

    // A list file with the given raw bytes; returns its path as an argument.
    std::string List(const char* name, const std::string& bytes) {
        return TextFromPath(dir.Write(name, bytes));
    }
    // The PATH an entry of a list in dir prints: the list's folder part and the name.
    std::string P(const std::filesystem::path& name) { return TextFromPath(dir / name); }
    // "STATUS<TAB>SIZE<TAB>EXPECTED<TAB>PATH", the two texts escaped.
    std::string Row(const char* status, long long size, const std::string& expected,
                    const std::filesystem::path& name) {
        return std::string(status) + "\t" + std::to_string(size) + "\t" + Escaped(expected) + "\t" +
               Escaped(P(name));
    }
    static std::string Escaped(const std::string& text) {
        std::string out;
        for (char c : text) {
            switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
            }
        }
        return out;
    }

    test::TempDir dir;
};

// ---- output formats -------------------------------------------------------------------------

TEST_F(ShowCheckCommand, ShowPrintsEveryEntryUncheckedAndReadsNoFile) {
    dir.Write("abc.txt", "abc");
    const auto list = List("l.sfv", "abc.txt 352441C2\r\ngone.bin 00000000\r\n");
    // Reading any listed file would fail the run.
    platform::FileReader::SetReadFaultForTests([](const auto&, std::int64_t) { return 5; });
    CliRun human = Show({list});
    EXPECT_EQ(human.status, 0);
    EXPECT_EQ(Lines(human.out), (std::vector<std::string>{
                                    "Unchecked " + P("abc.txt"),
                                    "Unchecked " + P("gone.bin"),
                                    "2 Unchecked, 0 Missing, 0 Bad, 0 Good",
                                }));
    EXPECT_EQ(human.err, "");

    CliRun porcelain = Show({"--porcelain", list});
    EXPECT_EQ(porcelain.status, 0);
    EXPECT_EQ(Lines(porcelain.out), (std::vector<std::string>{
                                        "kind\tSFV",
                                        Row("Unchecked", 3, "352441C2", "abc.txt"),
                                        Row("Unchecked", -1, "00000000", "gone.bin"),
                                        "summary\t2\t0\t0\t0",
                                    }));
    EXPECT_EQ(porcelain.err, "");
}

// A hostile list must not drive the terminal: control bytes of names reach it as "?", while
// porcelain hands scripts the bytes as they are.
TEST_F(ShowCheckCommand, ControlBytesOfNamesNeverReachTheTerminal) {
    const auto list = List("l.sfv", "a\x1b[31mred\x07.txt 00000000\r\n");
    CliRun human = Show({list});
    ASSERT_EQ(Lines(human.out).size(), 2u);
    EXPECT_EQ(Lines(human.out)[0], "Unchecked " + P("a?[31mred?.txt"));
    CliRun porcelain = Show({"--porcelain", list});
    EXPECT_NE(porcelain.out.find("a\x1b[31mred\x07.txt"), std::string::npos);
}

TEST_F(ShowCheckCommand, CheckPrintsResultsCountsAndDuration) {
    dir.Write("abc.txt", "abc");
    dir.Write("bad.txt", "abd");
    const auto list =
        List("l.sfv", "abc.txt 352441c2\r\nbad.txt 352441C2\r\ngone.bin 00000000\r\n");
    CliRun r = Check({list});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                "Good      " + P("abc.txt"),
                                // Written before the list: not changed since, so damaged.
                                "Bad       " + P("bad.txt") + " (damaged)",
                                "Missing   " + P("gone.bin"),
                                "0 Unchecked, 1 Missing, 1 Bad, 1 Good",
                                "Complete in 0 seconds",
                            }));
    EXPECT_EQ(r.err, ""); // no progress line: stderr is no terminal here

    // --quiet leaves out the Good lines only.
    CliRun quiet = Check({"--quiet", list});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(Lines(quiet.out), (std::vector<std::string>{
                                    "Bad       " + P("bad.txt") + " (damaged)",
                                    "Missing   " + P("gone.bin"),
                                    "0 Unchecked, 1 Missing, 1 Bad, 1 Good",
                                    "Complete in 0 seconds",
                                }));
}

// Scripts read this: the exact columns, the expected text as the list has it, -1 for no size,
// and not one byte more.
TEST_F(ShowCheckCommand, PorcelainCheckIsExact) {
    dir.Write("abc.txt", "abc");
    dir.Write("bad.txt", "abd");
    std::filesystem::create_directory(dir / "folder");
    const auto list =
        List("l.md5", kAbcMd5 + " *abc.txt\n" + "900150983cd24fb0d6963f7d28e17f72  bad.txt\n" +
                          kEmptyMd5 + " folder\n" + "0123 gone.bin\n");
    CliRun r = Check({"--porcelain", "--quiet", list});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "kind\tMD5" + std::string(kNewline) + Row("Good", 3, kAbcMd5, "abc.txt") +
                         std::string(kNewline) +
                         Row("Bad", 3, "900150983cd24fb0d6963f7d28e17f72", "bad.txt") +
                         std::string(kNewline) + "note\tdamaged\t" + Escaped(P("bad.txt")) +
                         std::string(kNewline) + Row("Missing", -1, kEmptyMd5, "folder") +
                         std::string(kNewline) + Row("Missing", -1, "0123", "gone.bin") +
                         std::string(kNewline) + "summary\t0\t2\t1\t1" + std::string(kNewline));
    EXPECT_EQ(r.err, "");
}

// Every entry is one row of exactly four fields, whatever its folder and checksum hold: a line
// break in a folder name must not print a forged Good row or summary.
TEST_F(ShowCheckCommand, PorcelainRowsCannotBeForged) {
    dir.Write("abc.txt", "abc");
#ifdef _WIN32
    const std::string folder;
#else
    const std::string folder = "x\nGood\t3\t352441C2\t/etc/passwd\nsummary\t0\t0\t0\t9\r\\\t/";
    dir.Write(folder + "abc.txt", "abc");
#endif
    const auto list =
        List((folder + "l.sfv").c_str(), "abc.txt 352441C2\r\nabc.txt 3524\t41C2\r\n");
    CliRun r = Check({"--porcelain", list});
    EXPECT_EQ(r.status, 1);
    const auto rows = Lines(r.out);
    ASSERT_EQ(rows.size(), 5u) << r.out;
    EXPECT_EQ(rows[1], Row("Good", 3, "352441C2", folder + "abc.txt"));
    EXPECT_EQ(rows[2], Row("Bad", 3, "3524\t41C2", folder + "abc.txt"));
    EXPECT_EQ(rows[3], "note\tdamaged\t" + Escaped(P(folder + "abc.txt")));
    EXPECT_EQ(rows[4], "summary\t0\t0\t1\t1");
    for (const auto& row : rows)
        EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), row.rfind("kind", 0) == 0      ? 1
                                                            : row.rfind("note", 0) == 0    ? 2
                                                            : row.rfind("summary", 0) == 0 ? 4
                                                                                           : 3)
            << row;
}

// Files of the list's folder that it does not name are reported after the entries, lists left
// out; they fail the check only under --strict.
TEST_F(ShowCheckCommand, UnlistedFilesAndStrict) {
    dir.Write("abc.txt", "abc");
    dir.Write("new.txt", "new");
    dir.Write("other.md5", "");
    const auto list = List("l.sfv", "abc.txt 352441C2\r\n");
    CliRun r = Check({"--quiet", list});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"Unlisted  " + P("new.txt"),
                                                      "0 Unchecked, 0 Missing, 0 Bad, 1 Good",
                                                      "Complete in 0 seconds"}));
    CliRun strict = Check({"--strict", "--porcelain", list});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(Lines(strict.out).at(2), "unlisted\t" + Escaped(P("new.txt")));
    std::filesystem::remove(dir / "new.txt");
    EXPECT_EQ(Check({"--strict", list}).status, 0);
}

// ---- the report -----------------------------------------------------------------------------

// --report writes the CSV of every entry after the check and leaves what the check prints and
// its status alone; a report that cannot be written fails the command (2), after the output.
TEST_F(ShowCheckCommand, ReportBesideTheOutput) {
    dir.Write("abc.txt", "abc");
    dir.Write("bad.txt", "abd");
    const auto list =
        List("l.sfv", "abc.txt 352441C2\r\nbad.txt 352441C2\r\ngone.bin 00000000\r\n");
    const auto comments = List("comments.sfv", "; nothing here\r\n");
    std::filesystem::create_directory(dir / "out");
    const std::string report = TextFromPath(dir / "out" / "r.csv");
    const std::string nowhere = TextFromPath(dir / "no folder" / "r.csv");
    RunState idle;
    const std::string head =
        "\xEF\xBB\xBFStatus,Path,Size in bytes,Expected checksum,Actual checksum,Note\r\n";
    const std::string checked = head + "List," + list + ",,,,\r\n" + "Good," + P("abc.txt") +
                                ",3,352441C2,352441C2,\r\n" + "Bad," + P("bad.txt") +
                                ",3,352441C2," + GetCrcText(dir / "bad.txt", idle).text +
                                ",damaged\r\n" + "Missing," + P("gone.bin") + ",,00000000,,\r\n";
    const struct {
        const char* what;
        Args args;
        int status;
        const char* err;     // a text stderr must hold
        const char* plainOf; // the list whose check without --report prints the same
        std::string csv;     // what the report holds; empty: no file
    } cases[] = {
        {"report", {"--report", report, list}, 1, "", "l", checked},
        {"report after the list, porcelain",
         {list, "--porcelain", "--report", report},
         1,
         "",
         "l",
         checked},
        {"no entries", {"--report", report, comments}, 1, "no entries", "c", head},
        {"no folder for it", {"--report", nowhere, list}, 2, "Cannot create file ", "l", ""},
        {"over the list", {"--report", list, list}, 2, "would replace the list", "", ""},
        {"no name", {list, "--report"}, 2, "needs a file name", "", ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dir / "out" / "r.csv");
        CliRun r = Check(c.args);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << ": " << r.err;
        if (*c.plainOf) {
            Args plain = {c.plainOf == std::string("l") ? list : comments};
            if (std::find(c.args.begin(), c.args.end(), "--porcelain") != c.args.end())
                plain.insert(plain.begin(), "--porcelain");
            EXPECT_EQ(r.out, Check(plain).out) << c.what;
        } else {
            EXPECT_EQ(r.out, "") << c.what;
        }
        EXPECT_EQ(std::filesystem::exists(dir / "out" / "r.csv"), !c.csv.empty()) << c.what;
        if (!c.csv.empty()) {
            EXPECT_EQ(test::ReadAll(dir / "out" / "r.csv"), c.csv) << c.what;
        }
    }
    // The message names the file it could not write; the list is left as it was.
    EXPECT_NE(Check({"--report", nowhere, list}).err.find("Cannot create file " + nowhere),
              std::string::npos);
    EXPECT_EQ(test::ReadAll(PathFromArg(list)),
              "abc.txt 352441C2\r\nbad.txt 352441C2\r\ngone.bin 00000000\r\n");
}

// ---- exit statuses --------------------------------------------------------------------------

TEST_F(ShowCheckCommand, ExitStatuses) {
    dir.Write("abc.txt", "abc");
    dir.Write("bad.txt", "abd");
    const auto good = List("good.sfv", "abc.txt 352441C2\r\n");
    const auto bad = List("bad.sfv", "abc.txt 352441C2\r\nbad.txt 352441C2\r\n");
    const auto missing = List("missing.sfv", "abc.txt 352441C2\r\ngone.bin 352441C2\r\n");
    const auto comments = List("comments.sfv", "; nothing here\r\n");
    const auto empty = List("empty.md5", "");
    const auto absent = P("absent.sfv");
    const struct {
        const char* what;
        int (*command)(const Args&);
        Args args;
        int status;
        const char* err; // a text stderr must hold
    } cases[] = {
        {"check all Good", RunCheck, {good}, 0, ""},
        {"check a Bad", RunCheck, {bad}, 1, ""},
        {"check a Missing", RunCheck, {missing}, 1, ""},
        {"check Good and Bad lists", RunCheck, {good, bad}, 1, ""},
        {"check only comments", RunCheck, {comments}, 1, "no entries"},
        {"check an empty list", RunCheck, {"--porcelain", empty}, 1, "no entries"},
        {"show loaded", RunShow, {missing}, 0, ""},
        {"show only comments", RunShow, {comments, empty}, 1, "no entries"},
        {"check no list", RunCheck, {}, 2, "usage"},
        {"check options only", RunCheck, {"--porcelain", "--quiet"}, 2, "usage"},
        {"show no list", RunShow, {"--porcelain"}, 2, "usage"},
        {"show --quiet", RunShow, {"--quiet", good}, 2, "--quiet"},
        {"check unknown option", RunCheck, {"-x", good}, 2, "-x"},
        {"check unopenable", RunCheck, {absent}, 2, "Cannot open file "},
        {"show unopenable", RunShow, {"--porcelain", absent}, 2, "Cannot open file "},
        {"check unopenable after good", RunCheck, {good, absent}, 2, "Cannot open file "},
        {"a folder as list", RunCheck, {TextFromPath(dir.path())}, 2, "Cannot open file "},
    };
    for (const auto& c : cases) {
        CliRun r = RunCommand(c.command, c.args);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.out << r.err;
        if (*c.err) {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << ": " << r.err;
        }
        if (c.status == 2) {
            EXPECT_EQ(r.out, "") << c.what; // no half output for scripts
        }
        if (c.status == 0) {
            EXPECT_EQ(r.err, "") << c.what;
        }
    }
    // The message names the list.
    EXPECT_NE(Check({absent}).err.find("Cannot open file " + absent), std::string::npos);
    // After "--" a name starting with "-" is a list.
    dir.Write("-l.sfv", "abc.txt 352441C2\r\n");
    EXPECT_EQ(Check({"--", P("-l.sfv")}).status, 0);
}

// ---- entries that must not end Good ---------------------------------------------------------

// The stand-in digest of a file that could not be read (FFFFFFFF, the MD5 of nothing, the MD5 of
// the part read) must not match a list that happens to hold it.
TEST_F(ShowCheckCommand, UnreadableFileIsBadWhateverTheListSays) {
    const std::string block = test::RandomBytes(65536, 11);
    dir.Write("a.bin", "abc");
    dir.Write("big.bin", block + "tail");
    const auto part = dir.Write("part.bin", block);
    RunState idle;
    const std::string partMd5 = ThreadMd5Text(part, idle).text;
    std::filesystem::remove(part);
    const auto sfv = List("l.sfv", "a.bin FFFFFFFF\r\nbig.bin FFFFFFFF\r\n");
    const auto md5 = List("l.md5", kEmptyMd5 + " a.bin\r\n" + partMd5 + " big.bin\r\n");

    platform::FileReader::SetReadFaultForTests([](const std::filesystem::path& p, std::int64_t at) {
        return p.filename() == "a.bin" || at >= 65536 ? 5 : 0;
    });
    const std::string reason = platform::OsErrorFromCode(5).text;
    for (const auto& list : {sfv, md5}) {
        CliRun r = Check({"--porcelain", list});
        EXPECT_EQ(r.status, 1) << list;
        // Each Bad row is followed by the reason the file could not be read.
        const auto lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 6u) << r.out;
        EXPECT_EQ(lines[1].substr(0, 6), "Bad\t3\t") << lines[1];
        EXPECT_EQ(lines[2], "note\tunreadable: " + Escaped(reason) + "\t" + Escaped(P("a.bin")));
        EXPECT_EQ(lines[3].substr(0, 4), "Bad\t") << lines[3];
        EXPECT_EQ(lines[4], "note\tunreadable: " + Escaped(reason) + "\t" + Escaped(P("big.bin")));
        EXPECT_EQ(lines[5], "summary\t0\t0\t2\t0");
        CliRun human = Check({list});
        EXPECT_EQ(Lines(human.out).at(0),
                  "Bad       " + P("a.bin") + " (unreadable: " + reason + ")");
    }
}

#ifdef _WIN32
// A file another program holds without sharing cannot be opened at all.
TEST_F(ShowCheckCommand, FileLockedByAnotherHandleIsBad) {
    const auto locked = dir.Write("locked.bin", "abc");
    HANDLE h = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    platform::FileReader probe;
    const bool opened = probe.Open(locked, nullptr);
    probe.Close();
    CliRun sfv = Check({"--porcelain", List("l.sfv", "locked.bin FFFFFFFF\r\n")});
    CliRun md5 = Check({"--porcelain", List("l.md5", kEmptyMd5 + " locked.bin\r\n")});
    CloseHandle(h);
    ASSERT_FALSE(opened) << "the lock did not keep the file from being opened";
    EXPECT_EQ(Lines(sfv.out).at(1), Row("Bad", 3, "FFFFFFFF", "locked.bin"));
    EXPECT_EQ(Lines(md5.out).at(1), Row("Bad", 3, kEmptyMd5, "locked.bin"));
}
#else
TEST_F(ShowCheckCommand, FileWithoutReadPermissionIsBad) {
    const auto locked = dir.Write("locked.bin", "");
    ::chmod(locked.c_str(), 0);
    platform::FileReader probe;
    if (probe.Open(locked, nullptr))
        GTEST_SKIP() << "running as root: chmod 000 does not deny reading";
    CliRun sfv = Check({"--porcelain", List("l.sfv", "locked.bin FFFFFFFF\n")});
    CliRun md5 = Check({"--porcelain", List("l.md5", kEmptyMd5 + " locked.bin\n")});
    EXPECT_EQ(Lines(sfv.out).at(1), Row("Bad", 0, "FFFFFFFF", "locked.bin"));
    EXPECT_EQ(Lines(md5.out).at(1), Row("Bad", 0, kEmptyMd5, "locked.bin"));
}
#endif

// Folders and devices are no files to check; reading a device would hash something else or
// never end. Their expected texts are what reading them as empty would give.
TEST_F(ShowCheckCommand, FoldersAndDevicesAreMissing) {
    std::filesystem::create_directory(dir / "folder");
    std::string sfv = "folder FFFFFFFF\r\nfolder\\ 00000000\r\n";
    std::string md5 = kEmptyMd5 + " folder\r\n";
    std::vector<std::string> devices;
#ifdef _WIN32
    devices = {"NUL", "con", "COM1", "nul.txt", "folder\\AUX"};
#else
    std::filesystem::create_symlink("/dev/null", dir / "null");
    std::filesystem::create_directory_symlink(dir / "folder", dir / "link");
    devices = {"null", "link"};
#endif
    for (const auto& d : devices) {
        sfv += d + " 00000000\r\n";
        md5 += kEmptyMd5 + " " + d + "\r\n";
    }
    for (const auto& list : {List("l.sfv", sfv), List("l.md5", md5)}) {
        CliRun shown = Show({"--porcelain", list});
        CliRun r = Check({"--porcelain", list});
        EXPECT_EQ(r.status, 1);
        const auto lines = Lines(r.out);
        const auto before = Lines(shown.out);
        ASSERT_EQ(lines.size(), before.size());
        for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
            EXPECT_EQ(lines[i].substr(0, 11), "Missing\t-1\t") << lines[i];
            EXPECT_EQ(before[i].substr(0, 13), "Unchecked\t-1\t") << before[i];
        }
        EXPECT_EQ(lines.back(), "summary\t0\t" + std::to_string(lines.size() - 2) + "\t0\t0");
    }
}

// "?" and "*" are never wildcards: the name is looked up exactly.
TEST_F(ShowCheckCommand, WildcardNamesMatchNoOtherFile) {
    dir.Write("a1.bin", "abc");
    CliRun r = Check({"--porcelain", List("l.sfv", "a?.bin 352441C2\r\n*.bin 352441C2\r\n"
                                                   "a*.* 352441C2\r\na1.bin 352441C2\r\n")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                "kind\tSFV",
                                Row("Missing", -1, "352441C2", "a?.bin"),
                                Row("Missing", -1, "352441C2", "*.bin"),
                                Row("Missing", -1, "352441C2", "a*.*"),
                                Row("Good", 3, "352441C2", "a1.bin"),
                                "summary\t0\t3\t0\t1",
                            }));
#ifndef _WIN32
    // Where a name may hold "?", the file of exactly that name is the one checked.
    dir.Write("b?.bin", "abc");
    dir.Write("b1.bin", "xyz");
    CliRun exact = Check({"--porcelain", List("e.sfv", "b?.bin 352441C2\r\n")});
    EXPECT_EQ(exact.status, 0);
    EXPECT_EQ(Lines(exact.out).at(1), Row("Good", 3, "352441C2", "b?.bin"));
#endif
}

// ---- how lists are read ---------------------------------------------------------------------

TEST_F(ShowCheckCommand, SeveralListsLoadTogetherEachEntryWithItsListsKind) {
    dir.Write("abc.txt", "abc");
    const auto sfv = List("a.sfv", "abc.txt 352441C2\r\nabc.txt 352441C2\r\n");
    const auto md5 = List("b.md5", kAbcMd5 + " *abc.txt\r\n");
    // The kind line names the last list's kind; every entry is checked with its own list's. The
    // duplicate within a.sfv goes; the same file in b.md5 stays.
    for (const auto& order : {std::vector<std::string>{sfv, md5}, {md5, sfv}}) {
        CliRun r = Check({"--porcelain", order[0], order[1]});
        const std::string crc = Row("Good", 3, "352441C2", "abc.txt"),
                          digest = Row("Good", 3, kAbcMd5, "abc.txt");
        EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                    order[1] == md5 ? "kind\tMD5" : "kind\tSFV",
                                    order[1] == md5 ? crc : digest,
                                    order[1] == md5 ? digest : crc,
                                    "summary\t0\t0\t0\t2",
                                }));
        EXPECT_EQ(r.status, 0);
    }
}

TEST_F(ShowCheckCommand, LineEndsAndNul) {
    dir.Write("a", "abc");
    dir.Write("b", "abc");
    dir.Write("c", "abc");
    const std::string expected = "kind\tSFV" + std::string(kNewline) +
                                 Row("Good", 3, "352441C2", "a") + std::string(kNewline) +
                                 Row("Good", 3, "352441C2", "b") + std::string(kNewline) +
                                 Row("Good", 3, "352441C2", "c") + std::string(kNewline) +
                                 "summary\t0\t0\t0\t3" + std::string(kNewline);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"CR LF", "a 352441C2\r\nb 352441C2\r\nc 352441C2\r\n"},
        {"LF only", "a 352441C2\nb 352441C2\nc 352441C2\n"},
        {"CR only", "a 352441C2\rb 352441C2\rc 352441C2\r"},
        {"mixed, no end", "a 352441C2\rb 352441C2\nc 352441C2"},
        {"NUL ends its line", "a 352441C2\0b 352441C2\n\0c 352441C2\n\0"s},
    };
    for (const auto& c : cases) {
        CliRun r = Check({"--porcelain", List("l.sfv", c.bytes)});
        EXPECT_EQ(r.out, expected) << c.what;
        EXPECT_EQ(r.status, 0) << c.what;
    }
    // A NUL inside a line cuts it there, and what follows is a line of its own: no entry after
    // a NUL escapes the check.
    CliRun cut = Check({"--porcelain", List("n.sfv", "a 352441C2\nb 3524\0"
                                                     "41C2\nc 00000000\n"s)});
    EXPECT_EQ(Lines(cut.out), (std::vector<std::string>{
                                  "kind\tSFV",
                                  Row("Good", 3, "352441C2", "a"),
                                  Row("Bad", 3, "3524", "b"),
                                  "note\tdamaged\t" + Escaped(P("b")),
                                  Row("Missing", -1, "41C2", ""),
                                  Row("Bad", 3, "00000000", "c"),
                                  "note\tdamaged\t" + Escaped(P("c")),
                                  "summary\t0\t1\t2\t1",
                              }));
}

// Lists made on Windows name files below their folder with "\".
TEST_F(ShowCheckCommand, BackslashIsAFolderSeparator) {
    dir.Write("sub/deeper/s.txt", "abc");
    CliRun r = Check({"--porcelain", List("l.sfv", "sub\\deeper\\s.txt 352441C2\r\n")});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Lines(r.out).at(1),
              Row("Good", 3, "352441C2", std::filesystem::path("sub") / "deeper" / "s.txt"));
}

// ---- Ctrl+C ---------------------------------------------------------------------------------

#ifndef _WIN32
std::atomic<int> g_outerInterrupts{0};
extern "C" void CountInterrupt(int) {
    ++g_outerInterrupts;
}

// SIGINT while a file is being read stops the check there, as the Abort button does: the entry
// in progress and those after it stay Unchecked, and the summary is still printed.
TEST_F(ShowCheckCommand, InterruptAbortsAndStillPrintsTheSummary) {
    dir.Write("abc.txt", "abc");
    dir.Write("big.bin", test::RandomBytes(4 * 65536, 5));
    dir.Write("last.txt", "abc");
    const auto list = List("l.sfv", "abc.txt 352441C2\nbig.bin 12345678\nlast.txt 352441C2\n");
    struct sigaction outer {
    }, saved{};
    outer.sa_handler = CountInterrupt;
    sigemptyset(&outer.sa_mask);
    sigaction(SIGINT, &outer, &saved);
    g_outerInterrupts = 0;
    platform::FileReader::SetReadFaultForTests([](const std::filesystem::path& p, std::int64_t at) {
        if (p.filename() == "big.bin" && at == 65536)
            std::raise(SIGINT);
        return 0;
    });
    CliRun r = Check({"--porcelain", list});
    CliRun human = Check({list});
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_EQ(g_outerInterrupts, 0); // the command's own handler took them
    std::raise(SIGINT);              // and put the one before it back
    EXPECT_EQ(g_outerInterrupts, 1);
    sigaction(SIGINT, &saved, nullptr);

    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                "kind\tSFV",
                                Row("Good", 3, "352441C2", "abc.txt"),
                                Row("Unchecked", 4 * 65536, "12345678", "big.bin"),
                                Row("Unchecked", 3, "352441C2", "last.txt"),
                                "summary\t2\t0\t0\t1",
                            }));
    EXPECT_NE(r.err.find("aborted"), std::string::npos) << r.err;
    EXPECT_EQ(human.status, 1);
    EXPECT_EQ(Lines(human.out).back(), "2 Unchecked, 0 Missing, 0 Bad, 1 Good");
    EXPECT_EQ(human.out.find("Complete in"), std::string::npos);

    // Without an interrupt the same list runs to its end.
    CliRun again = Check({"--porcelain", list});
    EXPECT_EQ(Lines(again.out).back(), "summary\t0\t0\t1\t2");
}

// An interrupt during the last block still ends the last file Good; the user stopped the run
// all the same, so a script must not take it for a finished check.
TEST_F(ShowCheckCommand, InterruptAfterTheLastReadIsNotSuccess) {
    dir.Write("abc.txt", "abc");
    const auto list = List("l.sfv", "abc.txt 352441C2\n");
    struct sigaction outer {
    }, saved{};
    outer.sa_handler = CountInterrupt;
    sigemptyset(&outer.sa_mask);
    sigaction(SIGINT, &outer, &saved);
    platform::FileReader::SetReadFaultForTests([](const auto&, std::int64_t) {
        std::raise(SIGINT);
        return 0;
    });
    CliRun r = Check({"--porcelain", list});
    platform::FileReader::SetReadFaultForTests(nullptr);
    sigaction(SIGINT, &saved, nullptr);
    EXPECT_EQ(Lines(r.out).back(), "summary\t0\t0\t0\t1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("aborted"), std::string::npos) << r.err;
}

// A job started in the background by a shell has SIGINT ignored; the user's Ctrl+C is meant for
// the foreground, so the check must run on.
TEST_F(ShowCheckCommand, IgnoredInterruptStaysIgnored) {
    dir.Write("abc.txt", "abc");
    dir.Write("big.bin", test::RandomBytes(2 * 65536, 6));
    const auto list = List("l.sfv", "abc.txt 352441C2\nbig.bin 00000000\n");
    struct sigaction ignore {
    }, saved{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &saved);
    platform::FileReader::SetReadFaultForTests([](const auto&, std::int64_t) {
        std::raise(SIGINT);
        return 0;
    });
    CliRun r = Check({"--porcelain", list});
    platform::FileReader::SetReadFaultForTests(nullptr);
    struct sigaction after {};
    sigaction(SIGINT, &saved, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    EXPECT_EQ(Lines(r.out).back(), "summary\t0\t0\t1\t1");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("aborted"), std::string::npos) << r.err;
}
#endif

// The start of a check clears the abort request; an interrupt that came just before must survive
// it, or the whole check runs on although the user asked it to stop.
TEST_F(ShowCheckCommand, InterruptBeforeTheStartStillStops) {
    dir.Write("abc.txt", "abc");
    dir.Write("l.sfv", "abc.txt 352441C2\nabc.txt 352441C2\n");
    std::vector<std::string> printed;
    std::atomic<bool> interrupted{true};
    ConsoleView view(
        false, [&](const TItemRec& e) { printed.emplace_back(StatusName(e.Status)); },
        &interrupted);
    {
        RunState run(&view);
        view.SetAbortFlag(&run.AbortRequested);
        DirectDispatcher dispatcher;
        VerifyModel model(view, run, dispatcher);
        model.ListFiles = {dir / "l.sfv"};
        model.LoadListFiles();
        run.AbortRequested = true; // as the signal handler leaves it
        model.StartCheck();
        model.WaitForCheck();
        view.ReportRemainingRows();
        EXPECT_EQ(model.Counters.GoodCount, 0);
        EXPECT_EQ(model.Counters.UncheckedCount, 1);
    }
    EXPECT_EQ(printed, (std::vector<std::string>{"Unchecked"}));
    EXPECT_EQ(TextFromPath(std::filesystem::path(view.TimeText())), "Aborted");
}

} // namespace
} // namespace quillon::cli
