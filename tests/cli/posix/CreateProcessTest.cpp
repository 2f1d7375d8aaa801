// The real quillon-cli create, started as a shell starts it.
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <vector>

namespace quillon {
namespace {

// args are quoted one by one; none holds a "'".
int RunCli(const std::vector<std::string>& args, const std::filesystem::path& errFile) {
    std::string command = "'";
    command += QUILLON_CLI_PATH;
    command += "' create";
    for (const auto& a : args)
        command.append(" '").append(a).append("'");
    command.append(" </dev/null >/dev/null 2>'").append(errFile.string()).append("'");
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(CreateProcess, ListsAndExitStatuses) {
    test::TempDir dir;
    dir.Write("d/abc.txt", "abc");
    dir.Write("d/sub/x", "x");
    const auto err = dir / "err";
    const auto d = (dir / "d").string();
    EXPECT_EQ(RunCli({"--sfv", "-o", d + "/l.sfv", d + "/abc.txt", d + "/sub/x"}, err), 0);
    const std::string sfv = test::ReadAll(dir / "d/l.sfv");
    const std::string tail = " sub/x\r\nabc.txt 352441C2\r\nsub/x 8CDC1683\r\n"; // comment, entries
    ASSERT_GT(sfv.size(), tail.size());
    EXPECT_EQ(sfv.substr(sfv.size() - tail.size()), tail);

    EXPECT_EQ(RunCli({"--md5", d, d}, err), 1);
    EXPECT_EQ(test::ReadAll(dir / "d/d.md5"), "900150983CD24FB0D6963F7D28E17F72 abc.txt\r\n");
    EXPECT_NE(test::ReadAll(err).find("d.md5: skipped"), std::string::npos);

    EXPECT_EQ(RunCli({"--md5", (dir / "gone").string(), d + "/sub"}, err), 2);
    EXPECT_NE(test::ReadAll(err).find("cannot create file"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "d/sub/sub.md5"));
}

// The peers accept what we write: cksfv the SFV list, md5sum -c the MD5 list, and our own check
// both, each with every entry good, also after an update wrote the list again; a file changed
// afterwards is caught by all three. A regression: with one name that begins with "*" (written
// with md5sum's mode blank) md5sum refused every other line of the MD5 list.
TEST(CreateProcess, PeersAcceptTheLists) {
    test::TempDir dir;
    const auto d = (dir / "p").string();
    dir.Write("p/a b.txt", "abc");
    dir.Write("p/*star", "s");
    dir.Write("p/empty", "");
    std::string big(200000, 'q');
    big[12345] = '\0';
    dir.Write("p/big.bin", big);
    const auto err = dir / "err";
    ASSERT_EQ(RunCli({"--sfv", d}, err), 0);
    ASSERT_EQ(RunCli({"--md5", d}, err), 0);
    const auto run = [&](const std::string& command) {
        const int raw = std::system(("cd '" + d + "' && " + command + " >/dev/null 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    const std::string cli = std::string("'") + QUILLON_CLI_PATH + "' check ";
    EXPECT_EQ(run("cksfv -g p.sfv"), 0);
    EXPECT_EQ(run("md5sum -c p.md5"), 0);
    EXPECT_EQ(run(cli + "p.sfv"), 0);
    EXPECT_EQ(run(cli + "p.md5"), 0);
    EXPECT_EQ(run("md5sum -c --strict p.md5"), 0);
    EXPECT_EQ(run(std::string("'") + QUILLON_CLI_PATH + "' update p.md5"), 0);
    EXPECT_EQ(run("md5sum -c --strict p.md5"), 0);
    dir.Write("p/big.bin", big + "!");
    EXPECT_NE(run("cksfv -g p.sfv"), 0);
    EXPECT_NE(run("md5sum -c p.md5"), 0);
    EXPECT_NE(run(cli + "p.sfv"), 0);
}

// Lists of a whole tree (-r) are taken by the peers as by our own check: rhash -c the SFV list,
// md5sum -c the MD5 list, where those tools are installed; a file changed in a subfolder is
// caught by each.
TEST(CreateProcess, TreeListsCheckGoodWithPeers) {
    test::TempDir dir;
    const auto t = (dir / "t").string();
    dir.Write("t/a b.txt", "abc");
    dir.Write("t/sub/x.bin", std::string(70000, 'x'));
    dir.Write("t/sub/deep/y", "");
    dir.Write("t/sub two/z", "z");
    const auto err = dir / "err";
    ASSERT_EQ(RunCli({"--sfv", "-r", t}, err), 0) << test::ReadAll(err);
    ASSERT_EQ(RunCli({"--md5", "-r", t}, err), 0) << test::ReadAll(err);
    const auto run = [&](const std::string& command) {
        const int raw = std::system(("cd '" + t + "' && " + command + " >/dev/null 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    const std::string cli = std::string("'") + QUILLON_CLI_PATH + "' check ";
    std::vector<std::string> checks = {cli + "t.sfv", cli + "t.md5"};
    if (run("command -v rhash") == 0)
        checks.push_back("rhash -c t.sfv");
    if (run("command -v md5sum") == 0)
        checks.push_back("md5sum -c t.md5");
    for (const auto& c : checks)
        EXPECT_EQ(run(c), 0) << c;
    EXPECT_NE(test::ReadAll(dir / "t/t.md5").find(" sub/deep/y\r\n"), std::string::npos);
    dir.Write("t/sub/deep/y", "!");
    for (const auto& c : checks)
        EXPECT_NE(run(c), 0) << c;
}

} // namespace
} // namespace quillon
