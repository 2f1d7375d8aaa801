#include "cli/Commands.h"
#include "cli/Console.h"
#include "core/ListFile.h"
#include "create/CreateRun.h"
#include "tests/TempDir.h"
#include "tests/create/FakeSource.h"

#include <gtest/gtest.h>

namespace quillon::cli {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Create(const Args& args) {
    CliRun r;
    CaptureForTests(&r.out, &r.err);
    r.status = RunCreate(args);
    CaptureForTests(nullptr, nullptr);
    return r;
}

class CreateCommand : public ::testing::Test {
protected:
    CreateCommand() {
        dir.Write("d/abc.txt", "abc");
        dir.Write("d/sub/x", "x");
        dir.Write("d/old.md5", "");
        dir.Write("e/e.txt", "");
    }
    std::string Arg(const std::filesystem::path& p) const {
        return TextFromPath((dir / p).make_preferred());
    }
    test::TempDir dir;
};

// Every kind, as the window writes it: SFV and MD5 in the Windows form (CR LF), the newer kinds
// as sha256sum and b3sum write theirs (lower case, two blanks, LF).
TEST_F(CreateCommand, NamedFilesGiveTheWindowsList) {
    const auto sub = std::filesystem::path("sub") / "x";
    const std::string x = sub.string();
    const struct {
        const char* option;
        ListKind kind;
        std::string line;
    } cases[] = {
        {"--sfv", ListKind::Sfv, "\r\n" + x + " 8CDC1683\r\n"},
        {"--md5", ListKind::Md5, "\r\n9DD4E461268C8034F5C8564E155C67A6 " + x + "\r\n"},
        {"--sha1", ListKind::Sha1, "\n11f6ad8ec52a2984abaafd7c3b516503785c2072  " + x + "\n"},
        {"--sha256", ListKind::Sha256,
         "\n2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881  " + x + "\n"},
        {"--sha512", ListKind::Sha512,
         "\na4abd4448c49562d828115d13a1fccea927f52b4d5459297f8b43e42da89238bc13626e43dcb38ddb08248"
         "8927ec904fb42057443983e88585179d50551afe62  " + x + "\n"},
        {"--blake3", ListKind::Blake3,
         "\n3ae7d805f6789a6402acb70ad4096a85a56bf6804eaf25c0493ac697548d30b5  " + x + "\n"},
    };
    for (const auto& c : cases) {
        std::string cli, window;
        // Retried while the clock's second turns between the two headers.
        for (int attempt = 0; attempt < 3 && (attempt == 0 || cli != window); ++attempt) {
            CliRun r = Create({c.option, "-o", Arg("d/l"), Arg("d/abc.txt"), Arg("d" / sub),
                               Arg("d/sub")});
            EXPECT_EQ(r.status, 0) << c.option;
            EXPECT_EQ(r.out + r.err, "") << c.option;
            test::FakeSource s;
            s.items = {{"abc.txt"}, {sub}, {"sub", 0, true, true}};
            RunState run;
            CreateListFile(dir / "d/w", c.kind, dir / "d", s, run, nullptr);
            cli = test::ReadAll(dir / "d/l");
            window = test::ReadAll(dir / "d/w");
        }
        EXPECT_EQ(cli, window) << c.option;
        EXPECT_NE(cli.find(c.line), std::string::npos) << c.option << ": " << cli;
    }
}

TEST_F(CreateCommand, ExitStatuses) {
    CliRun missing = Create({"--md5", "-o", Arg("d/l.md5"), Arg("d/abc.txt"), Arg("d/gone")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(Arg("d/gone") + ": "), std::string::npos) << missing.err;
    EXPECT_EQ(test::ReadAll(dir / "d/l.md5"), "900150983CD24FB0D6963F7D28E17F72 abc.txt\r\n");

    CliRun outside = Create({"--md5", "-o", Arg("d/l.md5"), Arg("d/abc.txt"), Arg("e/e.txt")});
    EXPECT_EQ(outside.status, 2);
    EXPECT_EQ(test::ReadAll(dir / "d/l.md5"), "900150983CD24FB0D6963F7D28E17F72 abc.txt\r\n");

    CliRun unwritable = Create({"--sfv", "-o", Arg("d/sub"), Arg("d/abc.txt")});
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("Cannot create file " + Arg("d/sub")), std::string::npos);

    for (const Args& usage : std::vector<Args>{
             {}, {"--sfv"}, {"-o", Arg("d/l"), Arg("d/abc.txt")}, {"--sfv", "--md5", Arg("d")}})
        EXPECT_EQ(Create(usage).status, 2);
}

TEST_F(CreateCommand, FolderCommand) {
    // Lists and folders are left out; a missing folder ends the run before e is reached.
    CliRun r = Create({"--md5", Arg("d/abc.txt"), Arg("gone"), Arg("e")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot create file " + Arg("gone/gone.md5")), std::string::npos);
    EXPECT_EQ(test::ReadAll(dir / "d/d.md5"), "900150983CD24FB0D6963F7D28E17F72 abc.txt\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "e/e.md5"));

    dir.Write("d/d.md5", "kept");
    CliRun again = Create({"--md5", Arg("d"), Arg("e")});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find(Arg("d/d.md5") + ": skipped"), std::string::npos) << again.err;
    EXPECT_EQ(test::ReadAll(dir / "d/d.md5"), "kept");
    EXPECT_EQ(test::ReadAll(dir / "e/e.md5"), "D41D8CD98F00B204E9800998ECF8427E e.txt\r\n");
}

// -r: one list per folder of its whole tree; -o: a folder among the files brings its tree, the
// list's own folder all of it. Entries are named relative to the list's folder in the walk's
// order, other lists left out, and each list checks Good. A link to a folder (here one that
// loops back) is named, not followed: the list is written without it, status 1.
TEST_F(CreateCommand, TreeListsCheckGood) {
    dir.Write("d/sub/deep/y", "y");
    dir.Write("d/sub/deep/z.sha256", "");
    std::error_code ec;
    std::filesystem::create_directory_symlink(dir / "d", dir / "d/sub/back", ec);
    const std::string linkError =
        ec ? "" : "quillon-cli: " + Arg("d/sub/back") + ": a link to a folder, not followed\n";
    const struct {
        Args args;
        const char* list;
        ListKind kind;
    } cases[] = {
        {{"--md5", "-r", Arg("d")}, "d/d.md5", ListKind::Md5},
        {{"--sfv", "-o", Arg("d/all.sfv"), Arg("d/sub"), Arg("d/abc.txt")}, "d/all.sfv",
         ListKind::Sfv},
        {{"-r", "--sha1", "-o", Arg("d/whole.sha1"), Arg("d")}, "d/whole.sha1", ListKind::Sha1},
    };
    const std::vector<std::string> want = {"abc.txt", (std::filesystem::path("sub") / "x").string(),
                                           (std::filesystem::path("sub") / "deep" / "y").string()};
    for (const auto& c : cases) {
        const CliRun r = Create(c.args);
        EXPECT_EQ(r.status, linkError.empty() ? 0 : 1) << c.list;
        EXPECT_EQ(r.out + r.err, linkError) << c.list;
        ListLines lines;
        lines.text = test::ReadAll(dir / c.list); // the lines are views of it
        ParseListText(lines.text, c.kind, lines);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < lines.lines.size(); ++i)
            names.emplace_back(ListEntryAt(lines, i).name);
        EXPECT_EQ(names, want) << c.list;
        CliRun check;
        CaptureForTests(&check.out, &check.err);
        check.status = RunCheck({"--porcelain", Arg(c.list)});
        CaptureForTests(nullptr, nullptr);
        EXPECT_EQ(check.status, 0) << check.out << check.err;
        EXPECT_NE(check.out.find("summary\t0\t0\t0\t3"), std::string::npos) << check.out;
    }
    // A folder outside the list's folder cannot be named in it: nothing is written.
    EXPECT_EQ(Create({"--md5", "-o", Arg("d/sub/l.md5"), Arg("e")}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "d/sub/l.md5"));
}

// A list this program writes checks Good, whatever the names: Greek, an emoji, a leading blank
// beside its trimmed twin, and on POSIX a "\\" of the name's own beside the folder it would
// name, a leading "*", a trailing blank (a regression: such a file was listed, then Missing).
TEST_F(CreateCommand, ListsOfAwkwardNamesCheckGood) {
    std::vector<std::filesystem::path> names = {u8"\u03A9 \U0001F600", " lead"};
    dir.Write("w/lead", "abd");
#ifndef _WIN32
    names.insert(names.end(), {"a\\b", "*star", "trail "});
    dir.Write("w/a/b", "abd");
    dir.Write("w/trail", "abd");
#endif
    Args args = {"-o", Arg("w/l")};
    for (const auto& name : names) {
        dir.Write("w" / name, "abc");
        args.push_back(Arg("w" / name));
    }
    for (const char* kind : {"--sfv", "--md5"}) {
        args.insert(args.begin(), kind);
        const auto list = std::string(kind) == "--md5" ? "l.md5" : "l.sfv";
        args[2] = Arg(std::filesystem::path("w") / list);
        EXPECT_EQ(Create(args).status, 0) << kind;
        CliRun check;
        CaptureForTests(&check.out, &check.err);
        check.status = RunCheck({"--porcelain", args[2]});
        CaptureForTests(nullptr, nullptr);
        EXPECT_EQ(check.status, 0) << check.out;
        EXPECT_NE(check.out.find("summary\t0\t0\t0\t" + std::to_string(names.size())),
                  std::string::npos)
            << check.out;
        args.erase(args.begin());
    }
}

} // namespace
} // namespace quillon::cli
