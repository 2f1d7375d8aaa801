// Lists that md5sum, sha1sum, sha256sum, sha512sum, rhash, cksfv and b3sum wrote, and lists as
// Notepad and PowerShell 5 save them (tests/cli/peer-lists.sh), checked by quillon-cli. Natively
// the script runs here; the win64 tree runs it on the host before the suite (names Windows can
// hold only) and the suite reads its folder through drive Z:.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace quillon::cli {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Check(const Args& args) {
    CliRun r;
    CaptureForTests(&r.out, &r.err);
    r.status = RunCheck(args);
    CaptureForTests(nullptr, nullptr);
    return r;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A porcelain field with its four escapes undone.
std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\\' && i + 1 < field.size()) {
            const char e = field[++i];
            c = e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        }
        out += c;
    }
    return out;
}

class PeerLists : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
#ifdef QUILLON_PEER_LISTS_SCRIPT
        scratch_ = std::make_unique<test::TempDir>();
        const std::string command = std::string("bash '") + QUILLON_PEER_LISTS_SCRIPT + "' '" +
                                    scratch_->path().string() + "/peer' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0)
            root_ = scratch_->path().string() + "/peer";
#else
        root_ = std::string("Z:") + QUILLON_PEER_LISTS;
#endif
    }
    static void TearDownTestSuite() {
        scratch_.reset();
    }
    void SetUp() override {
        if (root_.empty() || !std::filesystem::exists(PathFromArg(root_ + "/lists.txt")))
            GTEST_SKIP() << "no peer lists: tests/cli/peer-lists.sh did not run";
    }
    static std::string Read(const std::string& name) {
        return test::ReadAll(PathFromArg(root_ + "/" + name));
    }
    static std::string Data() {
        return root_ + "/data/";
    }

    static inline std::unique_ptr<test::TempDir> scratch_;
    static inline std::string root_;
};

TEST_F(PeerLists, EveryIntactFileGoodEveryDamagedOneBad) {
    std::set<std::string> damaged;
    for (const std::string& name : Lines(Read("damaged.txt")))
        damaged.insert(name);
    ASSERT_EQ(damaged.size(), 2u);
    const std::vector<std::string> lists = Lines(Read("lists.txt"));
    ASSERT_GE(lists.size(), 10u);
    for (const std::string& entry : lists) {
        const std::size_t tab = entry.find('\t');
        const std::string list = entry.substr(0, tab);
        const std::size_t entries = std::stoul(entry.substr(tab + 1));
        const CliRun r = Check({"--porcelain", Data() + list});
        // The damaged files were written after the lists: their notes say changed. The other
        // lists of the folder and the files a list leaves out are unlisted.
        std::vector<std::string> rows;
        int changed = 0;
        for (const std::string& row : Lines(r.out)) {
            if (row.rfind("note\t", 0) == 0)
                changed += row.rfind("note\tchanged\t", 0) == 0;
            else if (row.rfind("unlisted\t", 0) != 0)
                rows.push_back(row);
        }
        ASSERT_EQ(rows.size(), entries + 2) << list << "\n" << r.out << r.err;
        std::map<std::string, int> statuses;
        for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
            std::vector<std::string> fields;
            std::istringstream row(rows[i]);
            for (std::string f; std::getline(row, f, '\t');)
                fields.push_back(f);
            ASSERT_EQ(fields.size(), 4u) << rows[i];
            const std::string path = Unescape(fields[3]);
            ASSERT_EQ(path.substr(0, Data().size()), Data()) << list << ": " << path;
            const std::string name = path.substr(Data().size());
            EXPECT_EQ(fields[0], damaged.count(name) ? "Bad" : "Good") << list << ": " << name;
            ++statuses[fields[0]];
        }
        EXPECT_EQ(r.status, statuses["Bad"] ? 1 : 0) << list;
        EXPECT_EQ(changed, statuses["Bad"]) << list;
        EXPECT_EQ(statuses["Good"] + statuses["Bad"], static_cast<int>(entries)) << list;
    }
}

// rhash's SHA3-256 and TTH: the entries end Bad and say why, however intact the file.
TEST_F(PeerLists, UnsupportedTagsAreBadWithTheReason) {
    const CliRun r = Check({Data() + "unsupported.txt"});
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_GE(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], "Bad       " + Data() + "abc.txt (unsupported algorithm TTH)");
    EXPECT_EQ(lines[1], "Bad       " + Data() + "abc.txt (unsupported algorithm SHA3-256)");
    EXPECT_EQ(lines[lines.size() - 2], "0 Unchecked, 0 Missing, 2 Bad, 0 Good");
    const CliRun porcelain = Check({"--porcelain", Data() + "unsupported.txt"});
    std::vector<std::string> rows = Lines(porcelain.out);
    std::erase_if(rows, [](const std::string& row) { return row.rfind("unlisted\t", 0) == 0; });
    ASSERT_EQ(rows.size(), 6u) << porcelain.out; // kind, two entries with their notes, counts
    EXPECT_EQ(rows[1].substr(0, 4), "Bad\t");
    EXPECT_EQ(rows[2], "note\tunsupported algorithm TTH\t" + Data() + "abc.txt");
    EXPECT_NE(rows[3].find("\t09e733759f52f09f6b92e457c60d1c4ac72b89cb99cc6f615f0dd9d107cbd0ec\t"),
              std::string::npos)
        << rows[3];
}

} // namespace
} // namespace quillon::cli
