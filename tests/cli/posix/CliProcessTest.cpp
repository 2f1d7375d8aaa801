#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quillon {
namespace {

using namespace std::string_literals;

struct Result {
    int status = -1; // exit status; -1 when it did not exit normally or was killed for time
    bool timedOut = false;
    std::string out, err;
};

// Runs the real quillon-cli with stdout and stderr on pipes (stderr on a pseudo terminal when
// asked). while_running is called every few milliseconds with the child's pid until it returns
// true. A child that runs past the time limit is killed: a hang is a failure, not a stall.
Result Spawn(const std::vector<std::string>& args, bool stderrTerminal = false,
             std::function<bool(pid_t)> while_running = nullptr, int seconds = 60) {
    Result r;
    int out[2], err[2] = {-1, -1};
    if (pipe(out) != 0)
        return r;
    int errRead = -1, errWrite = -1;
    if (stderrTerminal) {
        errRead = posix_openpt(O_RDWR | O_NOCTTY);
        if (errRead < 0 || grantpt(errRead) != 0 || unlockpt(errRead) != 0)
            return r;
        errWrite = open(ptsname(errRead), O_RDWR | O_NOCTTY);
    } else {
        if (pipe(err) != 0)
            return r;
        errRead = err[0];
        errWrite = err[1];
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errWrite, 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, errRead);
    std::vector<char*> argv{const_cast<char*>(QUILLON_CLI_PATH)};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, QUILLON_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(errWrite);
    if (spawned != 0) {
        close(out[0]);
        close(errRead);
        return r;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {errRead, POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open = 2;
    bool callbackDone = !while_running;
    while (open > 0) {
        if (!callbackDone)
            callbackDone = while_running(pid);
        if (std::chrono::steady_clock::now() > deadline && !r.timedOut) {
            r.timedOut = true;
            kill(pid, SIGKILL);
        }
        if (poll(fds, 2, 5) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                // A terminal whose other end closed reads EIO, a pipe 0.
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    if (!r.timedOut && WIFEXITED(raw))
        r.status = WEXITSTATUS(raw);
    return r;
}

std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(out.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

const std::string kEmptyMd5 = "D41D8CD98F00B204E9800998ECF8427E";

class CliProcess : public ::testing::Test {
protected:
    std::string L(const std::string& name, const std::string& bytes) {
        return dir.Write(name, bytes).string();
    }
    std::string P(const std::string& name) { return (dir / name).string(); }
    std::string Row(const char* status, long long size, const std::string& expected,
                    const std::string& name) {
        return std::string(status) + "\t" + std::to_string(size) + "\t" + expected + "\t" + P(name);
    }
    test::TempDir dir;
};

TEST_F(CliProcess, DigestExitStatuses) {
    dir.Write("abc.txt", "abc");
    EXPECT_EQ(Spawn({"digest", "--crc32", P("abc.txt")}).status, 0);
    EXPECT_EQ(Spawn({"digest", "--crc32", P("abc.txt")}).out, "352441C2 " + P("abc.txt") + "\n");
    EXPECT_EQ(Spawn({"digest", "--md5", P("nope")}).status, 1);
    EXPECT_EQ(Spawn({"digest", P("abc.txt")}).status, 2);
    EXPECT_EQ(Spawn({}).status, 2);
    EXPECT_EQ(Spawn({"frobnicate"}).status, 2);
}

// The new kinds end to end against the coreutils tools and b3sum: the same digests of the same
// files (a large one hashed on several threads), line for line as they print them.
TEST_F(CliProcess, DigestsMatchShaSumsAndB3sum) {
    std::string files;
    for (const auto& [name, size] :
         {std::pair{"empty", 0}, {"one block.bin", 65536}, {"large.bin", 5 * 1048576 + 77}}) {
        dir.Write(name, test::RandomBytes(static_cast<std::size_t>(size), 7));
        files += " '" + P(name) + "'";
    }
    for (const char* kind : {"sha1", "sha256", "sha512", "blake3"}) {
        const std::string tool = kind == "blake3"s ? "b3sum" : std::string(kind) + "sum";
        std::string expected;
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((tool + files).c_str(), "r"), pclose);
        char line[512];
        while (pipe && std::fgets(line, sizeof line, pipe.get()))
            expected += line;
        ASSERT_FALSE(expected.empty()) << tool << " missing (bash scripts/bootstrap.sh)";
        Result r = Spawn({"digest", "--"s + kind, P("empty"), P("one block.bin"), P("large.bin")});
        EXPECT_EQ(r.status, 0) << kind;
        EXPECT_EQ(r.out, expected) << kind;
    }
}

// The lists create writes of the newer kinds are the tools' own: sha1sum, sha256sum and
// sha512sum -c and b3sum --check take every line, awkward names included, and find a damaged file.
TEST_F(CliProcess, ShaSumsAndB3sumCheckOurLists) {
    const std::vector<std::string> names = {"abc.txt", " lead", "*star", "trail ",
                                            "back\\slash", "line\nfeed", "Αρχείο 😀.bin"};
    for (const auto& name : names)
        dir.Write(name, "content of " + name);
    for (const auto& [kind, list] : {std::pair{"sha1", "l.sha1"}, {"sha256", "SHA256SUMS"},
                                     {"sha512", "l.sha512"}, {"blake3", "l.b3"}}) {
        const std::string tool = kind == "blake3"s ? "b3sum" : std::string(kind) + "sum";
        std::vector<std::string> args = {"create", "--"s + kind, "-o", P(list)};
        for (const auto& name : names)
            args.push_back(P(name));
        ASSERT_EQ(Spawn(args).status, 0) << kind;
        const std::string check =
            "cd '" + dir.path().string() + "' && " + tool + " --check " + list + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(check.c_str()), 0) << tool;
        EXPECT_EQ(Spawn({"check", "--quiet", P(list)}).status, 0) << list;
        dir.Write(" lead", "CONTENT of  lead");
        EXPECT_NE(std::system(check.c_str()), 0) << tool;
        const std::string out = Spawn({"check", "--quiet", P(list)}).out;
        // Changed, or damaged where the file system's clock did not move since the list.
        const std::vector<std::string> lines = Lines(out);
        ASSERT_GE(lines.size(), 2u) << out;
        EXPECT_EQ(lines[0].rfind("Bad       " + P(" lead") + " (", 0), 0u) << out;
        EXPECT_EQ(lines[1], "0 Unchecked, 0 Missing, 1 Bad, 6 Good") << out;
        dir.Write(" lead", "content of  lead");
    }
}

// A full disk or a closed stdout is a failure (status 2, the reason on stderr), never success.
TEST_F(CliProcess, FailedWritesToStdoutAreErrors) {
    dir.Write("abc.txt", "abc");
    const auto list = L("l.sfv", "abc.txt 352441C2\n");
    const std::string cli = QUILLON_CLI_PATH;
    for (const char* redirect : {">/dev/full", ">&-"}) {
        for (const std::string& command :
             {"digest --md5 '" + P("abc.txt") + "'", "show '" + list + "'",
              "check --porcelain '" + list + "'", "check '" + list + "'"}) {
            const std::string line =
                "'" + cli + "' " + command + " " + redirect + " 2>'" + P("err.txt") + "'";
            const int raw = std::system(line.c_str());
            ASSERT_TRUE(WIFEXITED(raw)) << line;
            EXPECT_EQ(WEXITSTATUS(raw), 2) << line;
            EXPECT_NE(test::ReadAll(dir / "err.txt").find("quillon-cli: write error: "),
                      std::string::npos)
                << line;
        }
    }
}

// A list that never ends is refused at the size limit with the "cannot open" status, not read
// until the memory is gone.
TEST_F(CliProcess, EndlessListIsRefused) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    // A gigabyte through instrumented copies takes minutes; the limit itself is checked with a
    // small one in the platform tests, and this whole path in the plain tree.
    GTEST_SKIP() << "reads 1 GiB: too slow under a sanitizer";
#endif
    Result r = Spawn({"show", "/dev/zero"}, false, nullptr, 60);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Cannot open file /dev/zero: "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

// As md5sum <(...) does: digest reads a stream to its end; only check refuses what is no file.
TEST_F(CliProcess, DigestReadsAFifo) {
    ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
    // Waits for the reader without blocking, so that a digest that never opens cannot hang this.
    std::thread writer([path = P("fifo")] {
        for (int i = 0; i < 2000; ++i) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                EXPECT_EQ(::write(fd, "abc", 3), 3);
                ::close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    Result r = Spawn({"digest", "--crc32", P("fifo")}, false, nullptr, 20);
    writer.join();
    EXPECT_EQ(r.out, "352441C2 " + P("fifo") + "\n");
    EXPECT_EQ(r.status, 0);
}

// Good, Bad, Missing and folder entries, with the exact porcelain text and the human one.
TEST_F(CliProcess, CheckReportsEveryKindOfEntry) {
    dir.Write("abc.txt", "abc");
    dir.Write("bad.txt", "abd");
    dir.Write("sub/s.txt", "abc");
    std::filesystem::create_directory(dir / "folder");
    const auto list = L("l.sfv", "; made on Windows\r\nabc.txt 352441C2\r\nbad.txt 352441C2\r\n"
                                 "gone.bin 00000000\r\nfolder FFFFFFFF\r\nsub\\s.txt 352441c2\r\n");
    Result p = Spawn({"check", "--porcelain", list});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.out, "kind\tSFV\n" + Row("Good", 3, "352441C2", "abc.txt") + "\n" +
                         Row("Bad", 3, "352441C2", "bad.txt") + "\n" + "note\tdamaged\t" +
                         P("bad.txt") + "\n" + Row("Missing", -1, "00000000", "gone.bin") + "\n" +
                         Row("Missing", -1, "FFFFFFFF", "folder") + "\n" +
                         Row("Good", 3, "352441c2", "sub/s.txt") + "\n" + "summary\t0\t2\t1\t2\n");
    EXPECT_EQ(p.err, "");

    Result h = Spawn({"check", list});
    EXPECT_EQ(h.status, 1);
    EXPECT_EQ(Lines(h.out), (std::vector<std::string>{
                                "Good      " + P("abc.txt"), "Bad       " + P("bad.txt") + " (damaged)",
                                "Missing   " + P("gone.bin"), "Missing   " + P("folder"),
                                "Good      " + P("sub/s.txt"),
                                "0 Unchecked, 2 Missing, 1 Bad, 2 Good", "Complete in 0 seconds"}));
    EXPECT_EQ(h.err, "");

    Result s = Spawn({"show", "--porcelain", list});
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(Lines(s.out).at(4), Row("Unchecked", -1, "FFFFFFFF", "folder"));
    EXPECT_EQ(Lines(s.out).back(), "summary\t5\t0\t0\t0");
}

TEST_F(CliProcess, ExitStatuses) {
    dir.Write("abc.txt", "abc");
    const auto good = L("good.sfv", "abc.txt 352441C2\n");
    const auto bad = L("bad.md5", "00000000000000000000000000000000 abc.txt\n");
    const auto none = L("none.sfv", "; only a comment\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"check", good}, 0, ""},
        {{"show", good, bad}, 0, ""},
        {{"check", good, bad}, 1, ""},
        {{"check", none}, 1, "no entries"},
        {{"show", "--porcelain", none}, 1, "no entries"},
        {{"check"}, 2, "usage"},
        {{"show", "--bogus", good}, 2, "--bogus"},
        {{"check", P("absent.sfv")}, 2, "Cannot open file " + P("absent.sfv")},
        {{"show", good, P("absent.sfv")}, 2, "Cannot open file " + P("absent.sfv")},
    };
    for (const auto& c : cases) {
        Result r = Spawn(c.args);
        const std::string what = ::testing::PrintToString(c.args);
        EXPECT_EQ(r.status, c.status) << what << "\n" << r.out << r.err;
        if (c.err.empty()) {
            EXPECT_EQ(r.err, "") << what;
        } else {
            EXPECT_NE(r.err.find(c.err), std::string::npos) << what << ": " << r.err;
        }
        if (c.status == 2) {
            EXPECT_EQ(r.out, "") << what;
        }
    }
}

// Files that exist but cannot be read. As root chmod 000 denies nothing, but procfs still has
// files that even root cannot open (write-only sysctls) or read (a process's memory at 0).
TEST_F(CliProcess, UnreadableFilesNeverEndGood) {
    std::vector<std::string> names;
    const auto locked = dir.Write("locked.bin", "");
    ::chmod(locked.c_str(), 0);
    if (::access(locked.c_str(), R_OK) != 0)
        names.push_back("locked.bin");
    if (::access("/proc/sys/vm/drop_caches", F_OK) == 0) {
        const int fd = ::open("/proc/sys/vm/drop_caches", O_RDONLY);
        if (fd >= 0) {
            ::close(fd);
        } else {
            std::filesystem::create_symlink("/proc/sys/vm/drop_caches", dir / "wronly");
            names.push_back("wronly");
        }
    }
    {
        // Opened by the checker itself, "self" is the checker, whose address 0 is not mapped.
        const int fd = ::open("/proc/self/mem", O_RDONLY);
        char c;
        if (fd >= 0 && ::read(fd, &c, 1) < 0) {
            std::filesystem::create_symlink("/proc/self/mem", dir / "mem");
            names.push_back("mem");
        }
        if (fd >= 0)
            ::close(fd);
    }
    if (names.empty())
        GTEST_SKIP() << "no file here that this user cannot read";
    // Each has size 0: the stand-ins an unread file would get are the digests of nothing.
    std::string sfv, md5;
    for (const auto& n : names) {
        sfv += n + " FFFFFFFF\n" + n + " 00000000\n";
        md5 += kEmptyMd5 + " " + n + "\n";
    }
    for (const auto& list : {L("l.sfv", sfv), L("l.md5", md5)}) {
        Result r = Spawn({"check", "--porcelain", list});
        EXPECT_EQ(r.status, 1) << list;
        // Every entry is Bad, and its note row says the file could not be read.
        const auto lines = Lines(r.out);
        ASSERT_GE(lines.size(), 4u) << r.out;
        std::size_t bad = 0;
        for (std::size_t i = 1; i + 1 < lines.size() && lines[i].rfind("unlisted\t", 0) != 0;
             i += 2) {
            EXPECT_EQ(lines[i].substr(0, 6), "Bad\t0\t") << lines[i];
            EXPECT_EQ(lines[i + 1].rfind("note\tunreadable: ", 0), 0u) << lines[i + 1];
            ++bad;
        }
        EXPECT_EQ(lines.back(), "summary\t0\t0\t" + std::to_string(bad) + "\t0");
    }
}

// On Linux the devices a list can name are device nodes, FIFOs and sockets, reached by a link or
// made in place. Reading them would hash a stream or wait for a writer forever.
TEST_F(CliProcess, DevicesAndFifosAreMissingNotRead) {
    std::filesystem::create_symlink("/dev/zero", dir / "zero");
    std::filesystem::create_symlink("/dev/null", dir / "null");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const auto list =
        L("l.md5", kEmptyMd5 + " zero\n" + kEmptyMd5 + " null\n" + kEmptyMd5 + " fifo\n");
    Result r = Spawn({"check", "--porcelain", list}, false, nullptr, 20);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                "kind\tMD5", Row("Missing", -1, kEmptyMd5, "zero"),
                                Row("Missing", -1, kEmptyMd5, "null"),
                                Row("Missing", -1, kEmptyMd5, "fifo"), "summary\t0\t3\t0\t0"}));
}

TEST_F(CliProcess, WildcardNamesAreLookedUpExactly) {
    dir.Write("a1.bin", "abc");
    dir.Write("b*.bin", "abc");
    dir.Write("b1.bin", "xyz");
    Result r = Spawn(
        {"check", "--porcelain", L("l.sfv", "a?.bin 352441C2\n*.bin 352441C2\nb*.bin 352441C2\n")});
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                "kind\tSFV", Row("Missing", -1, "352441C2", "a?.bin"),
                                Row("Missing", -1, "352441C2", "*.bin"),
                                Row("Good", 3, "352441C2", "b*.bin"), "unlisted\t" + P("a1.bin"),
                                "unlisted\t" + P("b1.bin"), "summary\t0\t2\t0\t1"}));
    EXPECT_EQ(r.status, 1);
}

TEST_F(CliProcess, MixedListsLineEndsAndNul) {
    dir.Write("a", "abc");
    dir.Write("b", "abc");
    const auto crlf = L("crlf.sfv", "a 352441C2\r\n");
    const auto cr = L("cr.sfv", "a 352441C2\rb 352441C2\r");
    const auto lf = L("lf.md5", "900150983CD24FB0D6963F7D28E17F72  a\nx 1\n");
    const auto nul = L("nul.md5", "900150983cd24fb0d6963f7d28e17f72 *b\n\0gone 1\n"s);
    // Each entry has its own list's kind (the last list's is the kind line's); each list's own
    // duplicates only go.
    Result md5 = Spawn({"check", "--porcelain", crlf, cr, lf, nul});
    EXPECT_EQ(Lines(md5.out), (std::vector<std::string>{
                                  "kind\tMD5",
                                  Row("Good", 3, "352441C2", "a"),
                                  Row("Good", 3, "352441C2", "a"),
                                  Row("Good", 3, "352441C2", "b"),
                                  Row("Good", 3, "900150983CD24FB0D6963F7D28E17F72", "a"),
                                  Row("Missing", -1, "x", "1"), // digest first in MD5 lists
                                  Row("Good", 3, "900150983cd24fb0d6963f7d28e17f72", "b"),
                                  Row("Missing", -1, "gone", "1"), // after the NUL, still read
                                  "summary\t0\t2\t0\t5",
                              }));
    EXPECT_EQ(md5.status, 1);
    Result sfv = Spawn({"check", "--porcelain", nul, cr, crlf});
    EXPECT_EQ(Lines(sfv.out), (std::vector<std::string>{
                                  "kind\tSFV",
                                  Row("Good", 3, "900150983cd24fb0d6963f7d28e17f72", "b"),
                                  Row("Missing", -1, "gone", "1"),
                                  Row("Good", 3, "352441C2", "a"),
                                  Row("Good", 3, "352441C2", "b"),
                                  Row("Good", 3, "352441C2", "a"),
                                  "summary\t0\t1\t0\t4",
                              }));
}

// The progress line goes to a terminal only, and never to stdout.
TEST_F(CliProcess, ProgressLineOnlyOnATerminal) {
    // Sparse, and big enough to take well over the first 50 ms of a run.
    std::filesystem::resize_file(dir.Write("big.bin", ""), 1ull << 30);
    const auto list = L("l.sfv", "big.bin 12345678\n");
    Result tty = Spawn({"check", list}, true);
    EXPECT_EQ(tty.status, 1);
    EXPECT_NE(tty.err.find("Estimated Time Left: "), std::string::npos) << tty.err;
    EXPECT_NE(tty.err.find("MB/s"), std::string::npos) << tty.err;
    EXPECT_NE(tty.err.find("Total "), std::string::npos) << tty.err;
    EXPECT_EQ(tty.out.find('\r'), std::string::npos);
    const auto lines = Lines(tty.out);
    ASSERT_EQ(lines.size(), 3u) << tty.out;
    EXPECT_EQ(lines[0], "Bad       " + P("big.bin") + " (damaged)");
    EXPECT_EQ(lines[1], "0 Unchecked, 0 Missing, 1 Bad, 0 Good");
    // The line is wiped at the end, so the terminal is left clean.
    ASSERT_FALSE(tty.err.empty());
    EXPECT_EQ(tty.err.back(), '\r');

    Result quiet = Spawn({"check", "--quiet", list}, true);
    EXPECT_EQ(quiet.err, "");
    Result piped = Spawn({"check", list});
    EXPECT_EQ(piped.err, "");
    EXPECT_EQ(Lines(piped.out).at(0), lines[0]);
}

// True once the process has the file open: the check is reading it.
bool HasOpen(pid_t pid, const std::filesystem::path& file) {
    std::error_code ec;
    for (const auto& fd :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(fd.path(), ignored) == file)
            return true;
    }
    return false;
}

// Ctrl+C during a long read stops there, as the Abort button does: the summary of what was
// checked is still printed and the status is not 0.
TEST_F(CliProcess, InterruptStopsTheCheckAndPrintsTheSummary) {
    dir.Write("abc.txt", "abc");
    dir.Write("after.txt", "abc");
    // Sparse: reading it all would take many seconds, storing it takes nothing.
    const auto big = std::filesystem::canonical(dir.Write("big.bin", ""));
    std::filesystem::resize_file(big, 64ull << 30);
    const auto list = L("l.sfv", "abc.txt 352441C2\nbig.bin 2144DF1C\nafter.txt 352441C2\n");
    for (const bool porcelain : {true, false}) {
        std::vector<std::string> args{"check", list};
        if (porcelain)
            args.insert(args.begin() + 1, "--porcelain");
        bool sent = false;
        Result r = Spawn(args, false, [&](pid_t pid) {
            if (!HasOpen(pid, big))
                return false;
            sent = kill(pid, SIGINT) == 0;
            return true;
        });
        ASSERT_TRUE(sent) << "never saw the file open";
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("aborted"), std::string::npos) << r.err;
        if (porcelain) {
            EXPECT_EQ(Lines(r.out),
                      (std::vector<std::string>{"kind\tSFV", Row("Good", 3, "352441C2", "abc.txt"),
                                                Row("Unchecked", 64ll << 30, "2144DF1C", "big.bin"),
                                                Row("Unchecked", 3, "352441C2", "after.txt"),
                                                "summary\t2\t0\t0\t1"}));
        } else {
            EXPECT_EQ(Lines(r.out),
                      (std::vector<std::string>{
                          "Good      " + P("abc.txt"), "Unchecked " + P("big.bin"),
                          "Unchecked " + P("after.txt"), "2 Unchecked, 0 Missing, 0 Bad, 1 Good"}));
        }
    }
}

// Python's csv module, the reader a script would use, reads a report back as the rows the check
// printed, whatever the names hold; the file begins with a byte-order mark and every row ends
// with CR LF. The actual checksum of a Bad file is md5sum's.
TEST_F(CliProcess, ReportReadsBackAsTheRowsTheCheckPrinted) {
    test::TempDir out; // outside the checked folders: nothing there is unlisted
    const std::string script = out.Write("read.py", R"(import csv, io, sys
text = open(sys.argv[1], encoding='utf-8-sig', newline='').read()
def esc(f):
    return f.replace('\\', '\\\\').replace('\t', '\\t').replace('\r', '\\r').replace('\n', '\\n')
for row in csv.reader(io.StringIO(text, newline='')):
    sys.stdout.buffer.write(('\t'.join(esc(f) for f in row) + '\n').encode('utf-8', 'surrogateescape'))
)")
                                   .string();
    const auto esc = [](const std::string& text) {
        std::string e;
        for (char c : text)
            e += c == '\\'   ? "\\\\"
                 : c == '\t' ? "\\t"
                 : c == '\r' ? "\\r"
                 : c == '\n' ? "\\n"
                             : std::string(1, c);
        return e;
    };
    const auto md5sum = [](const std::string& path) {
        std::string digest;
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("md5sum < '" + path + "'").c_str(), "r"),
                                                   pclose);
        char line[128];
        if (pipe && std::fgets(line, sizeof line, pipe.get()))
            digest.assign(line, std::min<std::size_t>(32, std::strlen(line)));
        for (char& c : digest)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return digest;
    };
    // What the report must hold, from what the check printed on stdout.
    const auto expectedRows = [&](const std::string& porcelain, const std::string& list) {
        std::vector<std::string> rows = {
            "Status\tPath\tSize in bytes\tExpected checksum\tActual checksum\tNote",
            "List\t" + esc(list) + "\t\t\t\t"};
        for (const std::string& line : Lines(porcelain)) {
            std::vector<std::string> f;
            for (std::size_t start = 0;;) {
                const std::size_t tab = line.find('\t', start);
                f.push_back(line.substr(start, tab - start));
                if (tab == std::string::npos)
                    break;
                start = tab + 1;
            }
            if (f[0] == "kind" || f[0] == "summary")
                continue;
            if (f[0] == "note") {
                rows.back() += f[1]; // the note column ends the row of its entry
            } else if (f[0] == "unlisted") {
                rows.push_back("Unlisted\t" + f[1] + "\t\t\t\t");
            } else {
                std::string path;
                for (std::size_t i = 0; i < f[3].size(); ++i) // undo the porcelain escapes
                    path += f[3][i] != '\\'    ? f[3][i]
                            : f[3][++i] == 't' ? '\t'
                            : f[3][i] == 'r'   ? '\r'
                            : f[3][i] == 'n'   ? '\n'
                                               : f[3][i];
                const std::string actual = f[0] == "Good"  ? f[2]
                                           : f[0] == "Bad" ? md5sum(path)
                                                           : "";
                rows.push_back(f[0] + "\t" + f[3] + "\t" + (f[1] == "-1" ? "" : f[1]) + "\t" +
                               f[2] + "\t" + actual + "\t");
            }
        }
        return rows;
    };
    const auto readBack = [&](const std::string& csv) {
        const std::string bytes = test::ReadAll(csv);
        EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u) << "byte-order mark";
        bool quoted = false;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            quoted = quoted != (bytes[i] == '"');
            if (!quoted && bytes[i] == '\n') {
                EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "LF alone at " << i;
            }
            if (!quoted && bytes[i] == '\r') {
                EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "CR alone at " << i;
            }
        }
        std::string rows;
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(
            popen(("python3 '" + script + "' '" + csv + "'").c_str(), "r"), pclose);
        char buffer[4096];
        std::size_t n;
        while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
            rows.append(buffer, n);
        return Lines(rows);
    };

    // Good, changed, damaged, Missing and unlisted, under names a CSV writer must quote.
    const auto then = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    const std::vector<std::string> names = {
        "good.txt",        "comma,name.txt",          "quote\"d.txt",
        "line\nbreak.txt", "cr\rname, \"tab\t\".txt", "gone.txt"};
    std::vector<std::string> args = {"create", "--md5", "-o", P("l.md5")};
    for (const auto& name : names) {
        dir.Write(name, "content of " + name);
        std::filesystem::last_write_time(dir / name, then);
        args.push_back(P(name));
    }
    ASSERT_EQ(Spawn(args).status, 0);
    std::filesystem::last_write_time(dir / "l.md5", then + std::chrono::hours(24));
    dir.Write("quote\"d.txt", "CHANGED of quote\"d.txt");
    dir.Write("line\nbreak.txt", "CONTENT of line\nbreak.txt");
    std::filesystem::last_write_time(dir / "line\nbreak.txt", then);
    std::filesystem::remove(dir / "gone.txt");
    dir.Write("new,\"file\"\n.txt", "unlisted");
    const std::string report = (out / "r.csv").string();
    Result r = Spawn({"check", "--porcelain", "--report", report, P("l.md5")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> expected = expectedRows(r.out, P("l.md5"));
    // Every status of a finished check and both notes are there to compare.
    for (const char* seen : {"\nGood\t", "\nBad\t", "\nMissing\t", "\nnote\tchanged\t",
                             "\nnote\tdamaged\t", "\nunlisted\t"})
        EXPECT_NE(("\n" + r.out).find(seen), std::string::npos) << seen << "\n" << r.out;
    EXPECT_EQ(readBack(report), expected);

    // Stopped while it reads a file: that entry and the ones after it are Unchecked.
    std::filesystem::create_directory(dir / "stop");
    dir.Write("stop/abc.txt", "abc");
    dir.Write("stop/after, too.txt", "abc");
    const auto big = std::filesystem::canonical(dir.Write("stop/big.bin", ""));
    std::filesystem::resize_file(big, 64ull << 30); // sparse: reading it all would take long
    const auto list =
        L("stop/l.sfv", "abc.txt 352441C2\nbig.bin 2144DF1C\n\"after, too.txt\" 352441C2\n");
    bool sent = false;
    r = Spawn({"check", "--porcelain", "--report", report, list}, false, [&](pid_t pid) {
        if (!HasOpen(pid, big))
            return false;
        sent = kill(pid, SIGINT) == 0;
        return true;
    });
    ASSERT_TRUE(sent) << "never saw the file open";
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\nUnchecked\t"), std::string::npos) << r.out;
    EXPECT_EQ(readBack(report), expectedRows(r.out, list));
}

} // namespace
} // namespace quillon
