// The report of a check: which rows it holds, what each field says, and how fields are written
// as CSV and as tab-separated text.
#include "verify/CheckReport.h"
#include "core/FileDigest.h"
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
    std::vector<std::string> sfv;
    for (const char* name : {"good", "edited", "flipped", "unread", "skipped", "late"}) {
        dir.Write(name, std::string("content of ") + name);
        std::filesystem::last_write_time(dir / name, then);
        sfv.push_back(std::string(name) + " " + Digest(DigestKind::Crc32, name));
    }
    sfv.back() = "gone 00000000";
    const auto sfvList = List("l.sfv", sfv);
    // Lower-case digests: the digest kept of a Bad file follows them.
    const auto md5List = List("l.md5", {Lower(Digest(DigestKind::Md5, "late")) + " late"});
    for (const auto& list : {sfvList, md5List})
        std::filesystem::last_write_time(list, then + 24h);
    // Written since the list: changed; other content at the same size and time: damaged.
    dir.Write("edited", "CONTENT of edited");
    dir.Write("late", "CONTENT of late");
    dir.Write("flipped", "CONTENT of flipped");
    std::filesystem::last_write_time(dir / "flipped", then);
    dir.Write("extra.txt", "not in a list");
    platform::FileReader::SetReadFaultForTests([](const std::filesystem::path& p, std::int64_t) {
        return p.filename() == "unread" ? 5 : 0;
    });

    // rows: 0 l.sfv, 1 good, 2 edited, 3 flipped, 4 unread, 5 skipped, 6 gone, 7 separator,
    // 8 l.md5, 9 late. All but "skipped" are checked; it stays Unchecked.
    Load({sfvList, md5List});
    view.Select({0, 1, 2, 3, 4, 6, 7, 8, 9});
    Check();
    ASSERT_EQ(Statuses(), (std::vector<std::int32_t>{G, B, B, B, U, StatusMissing, B}));
    ASSERT_TRUE(Entry(3).Note);
    const std::string unreadable = NoteText(*Entry(3).Note);
    EXPECT_EQ(unreadable.rfind("unreadable: ", 0), 0u) << unreadable;

    const auto crc = [this](const char* name) { return Digest(DigestKind::Crc32, name); };
    const std::vector<ReportRow> all = {
        {"List", U8(sfvList), "", "", "", ""},
        {"Good", PathOf("good"), "15", crc("good"), crc("good"), ""},
        {"Bad", PathOf("edited"), "17", sfv[1].substr(7), crc("edited"), "changed"},
        {"Bad", PathOf("flipped"), "18", sfv[2].substr(8), crc("flipped"), "damaged"},
        // Not read whole: no digest of it.
        {"Bad", PathOf("unread"), "17", sfv[3].substr(7), "", unreadable},
        {"Unchecked", PathOf("skipped"), "18", sfv[4].substr(8), "", ""},
        {"Missing", PathOf("gone"), "", "00000000", "", ""},
        {"List", U8(md5List), "", "", "", ""},
        {"Bad", PathOf("late"), "15", std::string(ExpectedText(Entry(6))),
         Lower(Digest(DigestKind::Md5, "late")), "changed"},
        {"Unlisted", PathOf("extra.txt"), "", "", "", ""},
    };
    EXPECT_EQ(Rows(ReportScope::All), all);
    EXPECT_EQ(Rows(ReportScope::Shown), all);

    // The filter's rows: both lists' rows stay, as their headers do in the window.
    model->mnuDisplayClick(B);
    const std::vector<ReportRow> bad = {all[0], all[2], all[3], all[4], all[7], all[8], all[9]};
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
        {{9, 0, 6}, {0, 6, 8}},
        {{7}, {}},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
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
}

} // namespace
} // namespace quillon
