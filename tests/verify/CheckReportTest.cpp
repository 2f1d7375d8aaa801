// The report of a check: which rows it holds, what each field says, and how fields are written
// as CSV and as tab-separated text.
#include "verify/CheckReport.h"
#include "core/FileDigest.h"
#include "core/FileError.h"
#include "core/ListFile.h"
#include "platform/FileReader.h"
#include "platform/TextCodec.h"
#include "tests/verify/VerifyFixture.h"

#include <chrono>
#include <ostream>

namespace quillon {

void PrintTo(const ReportRow& r, std::ostream* os) {
    *os << "{" << r.status << " | " << r.path << " | " << r.size << " | " << r.expected << " | "
        << r.actual << " | " << r.note << "}";
}

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t U = StatusUnchecked, B = StatusBad, G = StatusGood;

// How one row is written: RFC 4180 quoting for CSV, blanks for tabs and line breaks in the
// clipboard's text.
TEST(ReportFields, CsvAndTabRows) {
    const struct {
        ReportRow row;
        std::string csv, tab;
    } cases[] = {
        {{"Good", "/d/a.txt", "3", "352441C2", "352441C2", ""},
         "Good,/d/a.txt,3,352441C2,352441C2,\r\n",
         "Good\t/d/a.txt\t3\t352441C2\t352441C2\t\r\n"},
        {{"List", "/d/l.sfv", "", "", "", ""},
         "List,/d/l.sfv,,,,\r\n",
         "List\t/d/l.sfv\t\t\t\t\r\n"},
        {{"Bad", "/d/a,b", "1", "x", "y", "damaged"},
         "Bad,\"/d/a,b\",1,x,y,damaged\r\n",
         "Bad\t/d/a,b\t1\tx\ty\tdamaged\r\n"},
        {{"Bad", "say \"hi\"", "", "\"", "", "unreadable: it's \"locked\", sorry"},
         "Bad,\"say \"\"hi\"\"\",,\"\"\"\",,\"unreadable: it's \"\"locked\"\", sorry\"\r\n",
         "Bad\tsay \"hi\"\t\t\"\t\tunreadable: it's \"locked\", sorry\r\n"},
        {{"Missing", "line\nfeed", "", "0\r", "", ""},
         "Missing,\"line\nfeed\",,\"0\r\",,\r\n",
         "Missing\tline feed\t\t0 \t\t\r\n"},
        {{"Unlisted", "cr\r\nlf\ttab", "", "", "", ""},
         "Unlisted,\"cr\r\nlf\ttab\",,,,\r\n",
         "Unlisted\tcr  lf tab\t\t\t\t\r\n"},
        // Blanks at the ends and other text pass as they are; a CSV reader keeps them.
        {{"Good", " lead trail ", "0", "d41d8cd98f00b204e9800998ecf8427e", "", "\xCE\xB1;"},
         "Good, lead trail ,0,d41d8cd98f00b204e9800998ecf8427e,,\xCE\xB1;\r\n",
         "Good\t lead trail \t0\td41d8cd98f00b204e9800998ecf8427e\t\t\xCE\xB1;\r\n"},
    };
    for (const auto& c : cases) {
        std::string csv, tab;
        AppendReportCsvRow(csv, c.row);
        AppendReportTabRow(tab, c.row);
        EXPECT_EQ(csv, c.csv) << c.row.path;
        EXPECT_EQ(tab, c.tab) << c.row.path;
    }
    EXPECT_EQ(ReportCsvHead(),
              "\xEF\xBB\xBFStatus,Path,Size in bytes,Expected checksum,Actual checksum,Note\r\n");
}

class CheckReportTest : public test::VerifyFixture {
protected:
    ~CheckReportTest() override { platform::FileReader::SetReadFaultForTests(nullptr); }

    std::string Digest(DigestKind kind, const std::string& name) {
        return GetDigestText(kind, dir / name, idle).text;
    }
    std::string U8(const std::filesystem::path& p) { return platform::Utf8FromPath(p); }
    std::string PathOf(const std::string& name) { return U8(dir / name); }
    std::vector<ReportRow> Rows(ReportScope scope) {
        std::vector<ReportRow> rows;
        ForEachReportRow(model->ItemList, model->Unlisted, scope,
                         [&rows](const ReportRow& r) { rows.push_back(r); });
        return rows;
    }
    static std::string Lower(std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    }
};

// Every status and note, two lists, an unlisted file: the rows, the shown rows under a filter,
// the selected rows as text and the file.
TEST_F(CheckReportTest, ReportOfACheckWithEveryStatusAndNote) {
    const auto then = std::filesystem::file_time_type::clock::now() - 48h;
#ifdef _WIN32
    const std::string odd = "comma, name.txt";
#else
    const std::string odd = "comma,\"quoted\"\nname.txt";
#endif
    const char* sfvNames[] = {"good", "edited", "flipped", "unread", "skipped"};
    std::vector<std::string> sfv = {"; made by a test", ";"}, entries;
    for (const char* name : sfvNames) {
        dir.Write(name, std::string("content of ") + name);
        std::filesystem::last_write_time(dir / name, then);
        sfv.push_back(FileInfoComment(*platform::LookupPath(dir / name), name));
        entries.push_back(std::string(name) + " " + Digest(DigestKind::Crc32, name));
    }
    entries.push_back("gone 00000000");
    sfv.insert(sfv.end(), entries.begin(), entries.end());
    dir.Write("late", "content of late");
    dir.Write(odd, "odd");
    // The MD5 list writes its digests in lower case: the digest kept of a Bad file follows it.
#ifdef _WIN32
    const std::string oddLine = Lower(Digest(DigestKind::Md5, odd)) + " " + odd;
#else
    // md5sum's escaped line: the name's line feed as "\n".
    const std::string oddLine =
        "\\" + Lower(Digest(DigestKind::Md5, odd)) + " comma,\"quoted\"\\nname.txt";
#endif
    const auto md5List = List("l.md5", {Lower(Digest(DigestKind::Md5, "late")) + " late", oddLine});
    std::filesystem::last_write_time(md5List, then + 24h);
    const auto sfvList = List("l.sfv", sfv);

    dir.Write("edited", "CONTENT of edited");
    dir.Write("flipped", "CONTENT of flipped");
    std::filesystem::last_write_time(dir / "flipped", then);
    dir.Write("late", "CONTENT of late");
    dir.Write("extra.txt", "not in a list");
    platform::FileReader::SetReadFaultForTests([](const std::filesystem::path& p, std::int64_t) {
        return p.filename() == "unread" ? 5 : 0;
    });

    // rows: 0 l.sfv, 1 good, 2 edited, 3 flipped, 4 unread, 5 skipped, 6 gone, 7 separator,
    // 8 l.md5, 9 late, 10 odd. All but "skipped" are checked; it stays Unchecked.
    Load({sfvList, md5List});
    view.Select({0, 1, 2, 3, 4, 6, 7, 8, 9, 10});
    Check();
    ASSERT_EQ(Statuses(), (std::vector<std::int32_t>{G, B, B, B, U, StatusMissing, B, G}));
    ASSERT_TRUE(Entry(3).Note);
    const std::string unreadable = NoteText(*Entry(3).Note);
    EXPECT_EQ(unreadable.rfind("unreadable: ", 0), 0u) << unreadable;

    const std::vector<ReportRow> all = {
        {"List", U8(sfvList), "", "", "", ""},
        {"Good", PathOf("good"), "15", Digest(DigestKind::Crc32, "good"),
         Digest(DigestKind::Crc32, "good"), ""},
        {"Bad", PathOf("edited"), "17", std::string(ExpectedText(Entry(1))),
         Digest(DigestKind::Crc32, "edited"), "changed"},
        {"Bad", PathOf("flipped"), "18", std::string(ExpectedText(Entry(2))),
         Digest(DigestKind::Crc32, "flipped"), "damaged"},
        // Not read whole: no digest of it.
        {"Bad", PathOf("unread"), "17", std::string(ExpectedText(Entry(3))), "", unreadable},
        {"Unchecked", PathOf("skipped"), "18", std::string(ExpectedText(Entry(4))), "", ""},
        {"Missing", PathOf("gone"), "", "00000000", "", ""},
        {"List", U8(md5List), "", "", "", ""},
        {"Bad", PathOf("late"), "15", std::string(ExpectedText(Entry(6))),
         Lower(Digest(DigestKind::Md5, "late")), "changed"},
        {"Good", PathOf(odd), "3", Lower(Digest(DigestKind::Md5, odd)),
         Lower(Digest(DigestKind::Md5, odd)), ""},
        {"Unlisted", PathOf("extra.txt"), "", "", "", ""},
    };
    EXPECT_EQ(Rows(ReportScope::All), all);
    EXPECT_EQ(Rows(ReportScope::Shown), all);

    // The filter's rows: both lists' rows stay, as their headers do in the window.
    model->mnuDisplayClick(B);
    const std::vector<ReportRow> bad = {all[0], all[2], all[3], all[4], all[7], all[8], all[10]};
    EXPECT_EQ(Rows(ReportScope::Shown), bad);
    EXPECT_EQ(Rows(ReportScope::All), all);
    const std::string shownCsv = CheckReportCsv(*model, ReportScope::Shown);
    std::string expectedCsv = ReportCsvHead();
    for (const ReportRow& r : bad)
        AppendReportCsvRow(expectedCsv, r);
    EXPECT_EQ(shownCsv, expectedCsv);

    // Selected rows as text: header rows as their lists' rows, separators nothing, in row order.
    model->mnuDisplayClick(FilterAll);
    const struct {
        std::vector<RowIndex> selected;
        std::vector<std::size_t> rows; // of all
    } selections[] = {
        {{}, {}},
        {{1}, {1}},
        {{10, 0, 6}, {0, 6, 9}},
        {{7}, {}},
        {{7, 8}, {7}},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const auto& s : selections) {
        view.Select({});
        for (RowIndex r : s.selected)
            view.SetSelected(r, true);
        std::string expected;
        for (std::size_t i : s.rows)
            AppendReportTabRow(expected, all[i]);
        EXPECT_EQ(SelectedRowsText(*model), expected) << ::testing::PrintToString(s.selected);
    }

    // The file: the CSV of every entry, replacing an old one whole.
    const auto file = dir.Write("out/report.csv", "old");
    SaveCheckReport(file, *model, ReportScope::All);
    EXPECT_EQ(test::ReadAll(file), CheckReportCsv(*model, ReportScope::All));
    EXPECT_EQ(test::ReadAll(file).rfind(ReportCsvHead() + "List,", 0), 0u);
    try {
        SaveCheckReport(dir / "no such folder" / "r.csv", *model, ReportScope::All);
        ADD_FAILURE() << "a report written where no folder is";
    } catch (const FileError& e) {
        EXPECT_EQ(e.kind(), FileError::Kind::Create);
        EXPECT_FALSE(e.reason().text.empty());
    }
}

} // namespace
} // namespace quillon
