#include "cli/Commands.h"
#include "cli/Console.h"
#include "platform/FileReader.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

namespace quillon::cli {
namespace {

// The summary line, the messages and the exit status of each way an update ends; what the list
// then holds is the core's business (tests/create/ListUpdateTest.cpp).
TEST(UpdateCommand, SummaryMessagesAndStatus) {
    test::TempDir dir;
    const std::string list = TextFromPath(dir / "l.md5");
    const std::string gone = TextFromPath(dir / "gone.md5");
    const std::string junk = TextFromPath(dir.Write("notes.sfv", "to do:\nbuy milk\n"));
    // In turn on one list, whose b.txt is gone until the second case prunes it.
    const struct Case {
        std::vector<std::string> args;
        const char* newFile; // written before the update, unreadable during it
        int status;
        std::string out;
        std::string err; // part of stderr; empty: nothing there
    } cases[] = {
        // clang-format off
        {{list}, nullptr, 1, list + ": 0 added, 0 removed, 0 re-hashed, 0 kept as damaged, "
         "1 kept although gone, 0 left out, 1 unchanged",
         list + ": 1 entry kept although its file is gone (--prune removes it)"},
        {{"--prune", list}, nullptr, 0, list + ": 0 added, 1 removed, 0 re-hashed, 0 kept as "
         "damaged, 0 kept although gone, 0 left out, 1 unchanged", ""},
        {{list}, "new.txt", 1, list + ": 0 added, 0 removed, 0 re-hashed, 0 kept as damaged, "
         "0 kept although gone, 1 left out, 1 unchanged", TextFromPath(dir / "new.txt") + ": "},
        {{gone, "--", list}, nullptr, 2, list + ": 0 added, 0 removed, 0 re-hashed, 0 kept as "
         "damaged, 0 kept although gone, 0 left out, 1 unchanged", "Cannot open file " + gone},
        {{junk}, nullptr, 2, "", junk + ": does not look like a checksum list, not updated"},
        {{}, nullptr, 2, "", "usage: quillon-cli update"},
        {{"--all", list}, nullptr, 2, "", "unknown option --all"},
        // clang-format on
    };
    dir.Write("a.txt", "abc");
    dir.Write("l.md5", "900150983CD24FB0D6963F7D28E17F72 a.txt\r\n"
                       "D41D8CD98F00B204E9800998ECF8427E b.txt\r\n");
    for (const Case& c : cases) {
        std::string out, err;
        if (c.newFile) {
            dir.Write(c.newFile, "x");
            platform::FileReader::SetReadFaultForTests([](const auto&, std::int64_t) { return 5; });
        }
        CaptureForTests(&out, &err);
        const int status = RunUpdate(c.args);
        CaptureForTests(nullptr, nullptr);
        platform::FileReader::SetReadFaultForTests(nullptr);
        if (c.newFile)
            std::filesystem::remove(dir / c.newFile);
        EXPECT_EQ(status, c.status) << c.out;
        EXPECT_EQ(out, c.out.empty() ? "" : c.out + std::string(kNewline));
        EXPECT_EQ(err.empty(), c.err.empty()) << err;
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
    }
    EXPECT_EQ(test::ReadAll(PathFromArg(junk)), "to do:\nbuy milk\n");
}

} // namespace
} // namespace quillon::cli
