#include "cli/Commands.h"
#include "cli/Console.h"
#include "platform/FileReader.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

namespace quillon::cli {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Digest(const Args& args) {
    CliRun r;
    CaptureForTests(&r.out, &r.err);
    r.status = RunDigest(args);
    CaptureForTests(nullptr, nullptr);
    return r;
}

std::string Nl(std::string s) { return s + std::string(kNewline); }

class DigestCommand : public ::testing::Test {
protected:
    std::string Arg(const char* name) { return TextFromPath(dir / name); }
    test::TempDir dir;
};

TEST_F(DigestCommand, OneLinePerFileInOrder) {
    dir.Write("abc.txt", "abc");
    dir.Write("empty.dat", "");
    CliRun crc = Digest({"--crc32", Arg("abc.txt"), Arg("empty.dat")});
    EXPECT_EQ(crc.status, 0);
    EXPECT_EQ(crc.out, Nl("352441C2 " + Arg("abc.txt")) + Nl("00000000 " + Arg("empty.dat")));
    EXPECT_EQ(crc.err, "");

    CliRun md5 = Digest({Arg("abc.txt"), "--md5"});
    EXPECT_EQ(md5.status, 0);
    EXPECT_EQ(md5.out, Nl("900150983CD24FB0D6963F7D28E17F72 " + Arg("abc.txt")));
}

#ifndef _WIN32
// A line break in a name must not forge another line: escaped as md5sum escapes it.
TEST_F(DigestCommand, NamesWithBreaksAndBackslashesAreEscaped) {
    dir.Write("a\nb", "abc");
    dir.Write("c\\d\re", "abc");
    CliRun r = Digest({"--md5", Arg("a\nb"), Arg("c\\d\re"), Arg("a\nb")});
    EXPECT_EQ(r.status, 0);
    const std::string abc = "900150983CD24FB0D6963F7D28E17F72 ";
    EXPECT_EQ(r.out, Nl("\\" + abc + Arg("a") + "\\nb") + Nl("\\" + abc + Arg("c") + "\\\\d\\re") +
                         Nl("\\" + abc + Arg("a") + "\\nb"));

    // check reads back what digest prints, a name that begins with a blank or "*" too.
    dir.Write(" lead", "abc");
    dir.Write("*star", "abc");
    dir.Write("lead", "abd");
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path()); // names as the list names them
    CliRun more = Digest({"--md5", "a\nb", "c\\d\re", " lead", "*star"});
    std::filesystem::current_path(before);
    EXPECT_NE(more.out.find("\n" + abc + "  lead\n"), std::string::npos) << more.out;
    EXPECT_NE(more.out.find("\n" + abc + " *star\n"), std::string::npos) << more.out;
    const auto list = dir.Write("l.md5", r.out + more.out);
    CaptureForTests(&more.out, &more.err);
    EXPECT_EQ(RunCheck({list.string()}), 0);
    CaptureForTests(nullptr, nullptr);
}
#endif

// An unreadable file gets no digest line (never the made-up FFFFFFFF), a reason on stderr, and
// status 1; the other files are still done.
TEST_F(DigestCommand, UnreadableFilesAreReportedNotDigested) {
    dir.Write("abc.txt", "abc");
    std::filesystem::create_directory(dir / "folder");
    for (const char* kind : {"--crc32", "--md5"}) {
        CliRun r = Digest({kind, Arg("missing.bin"), Arg("abc.txt"), Arg("folder")});
        EXPECT_EQ(r.status, 1) << kind;
        EXPECT_EQ(r.out.find("missing.bin"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("folder"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("abc.txt"), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(Arg("missing.bin") + ": "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(Arg("folder") + ": "), std::string::npos) << r.err;
    }
}

TEST_F(DigestCommand, ReadFailingPartWayIsAnError) {
    dir.Write("big.bin", test::RandomBytes(200000, 2));
    platform::FileReader::SetReadFaultForTests(
        [](const auto&, std::int64_t offset) { return offset >= 65536 ? 5 : 0; });
    CliRun crc = Digest({"--crc32", Arg("big.bin")});
    CliRun md5 = Digest({"--md5", Arg("big.bin")});
    platform::FileReader::SetReadFaultForTests(nullptr);
    EXPECT_EQ(crc.status, 1);
    EXPECT_EQ(crc.out, "");
    EXPECT_EQ(md5.status, 1);
    EXPECT_EQ(md5.out, "");
}

// The new kinds print lower-case hex and two blanks, as sha1sum, sha256sum, sha512sum and b3sum
// do; an option given twice is the same choice, and the read failure rule holds for them too.
TEST_F(DigestCommand, EveryKindByItsOption) {
    dir.Write("abc.txt", "abc");
    dir.Write("big.bin", test::RandomBytes(3 * 65536, 4));
    const struct {
        const char* option;
        const char* abc;
    } cases[] = {
        {"--sha1", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"--sha256", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"--sha512", "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                     "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {"--blake3", "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85"},
    };
    for (const auto& c : cases) {
        CliRun r = Digest({c.option, Arg("abc.txt"), c.option});
        EXPECT_EQ(r.status, 0) << c.option;
        EXPECT_EQ(r.out, Nl(std::string(c.abc) + "  " + Arg("abc.txt"))) << c.option;
        platform::FileReader::SetReadFaultForTests(
            [](const auto&, std::int64_t offset) { return offset >= 65536 ? 5 : 0; });
        r = Digest({c.option, Arg("big.bin")});
        platform::FileReader::SetReadFaultForTests(nullptr);
        EXPECT_EQ(r.status, 1) << c.option;
        EXPECT_EQ(r.out, "") << c.option;
        EXPECT_NE(r.err.find(Arg("big.bin")), std::string::npos) << c.option;
    }
}

TEST_F(DigestCommand, UsageErrorsGiveTwo) {
    dir.Write("a", "x");
    const Args cases[] = {
        {},
        {Arg("a")},                         // no kind
        {"--crc32"},                        // no file
        {"--crc32", "--md5", Arg("a")},     // both kinds
        {"--sha256", "--blake3", Arg("a")}, // both kinds
        {"--sha3", Arg("a")},               // unknown option
    };
    for (const auto& args : cases) {
        CliRun r = Digest(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(r.err.empty());
    }
    // After "--" a name that starts with "-" is a file.
    dir.Write("-x", "abc");
    CliRun r = Digest({"--crc32", "--", Arg("-x")});
    EXPECT_EQ(r.status, 0);
}

} // namespace
} // namespace quillon::cli
