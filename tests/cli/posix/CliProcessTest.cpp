#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace quillon {
namespace {

struct Result {
    int status;
    std::string out;
};

// Runs the real quillon-cli with a shell command line; stdout captured, stderr dropped.
Result RunCli(const std::string& args) {
    std::string command = std::string("'") + QUILLON_CLI_PATH + "' " + args + " 2>/dev/null";
    Result r{-1, {}};
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, p)) r.out.append(buffer, n);
    int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

TEST(CliProcess, DigestExitStatuses) {
    test::TempDir dir;
    dir.Write("abc.txt", "abc");
    const std::string d = "'" + dir.path().string() + "/";
    EXPECT_EQ(RunCli("digest --crc32 " + d + "abc.txt'").status, 0);
    EXPECT_EQ(RunCli("digest --crc32 " + d + "abc.txt'").out,
              "352441C2 " + dir.path().string() + "/abc.txt\n");
    EXPECT_EQ(RunCli("digest --md5 " + d + "nope'").status, 1);
    EXPECT_EQ(RunCli("digest " + d + "abc.txt'").status, 2);
    EXPECT_EQ(RunCli("").status, 2);
    EXPECT_EQ(RunCli("frobnicate").status, 2);
}

} // namespace
} // namespace quillon
