#include "tests/verify/VerifyFixture.h"
#include "verify/ItemList.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

TEST(SizeText, AllModes) {
    static const platform::NumberFormat english{L',', L'.'};
    platform::OverrideNumberFormat(&english);
    const struct {
        std::int64_t size;
        std::uint8_t type;
        const char* text;
    } cases[] = {
        {-1, SizeTypeAuto, "Not Found"},
        {-1, SizeTypeKB, "Not Found"},
        {-1, SizeTypeBytes, "Not Found"},
        {0, SizeTypeAuto, "0 KB"},
        {0, SizeTypeKB, "0 KB"},
        {0, SizeTypeBytes, "0 KB"},
        {1, SizeTypeAuto, "1 bytes"},
        {1023, SizeTypeAuto, "1,023 bytes"},
        {1024, SizeTypeAuto, "1 KB"},
        {1572864, SizeTypeAuto, "1.50 MB"},
        {1073741824, SizeTypeAuto, "1.00 GB"},
        {1, SizeTypeKB, "1 KB"}, // below 1 KB counts as 1 KB
        {500, SizeTypeKB, "1 KB"},
        {1536, SizeTypeKB, "2 KB"}, // to the nearest, halves away from zero
        {1048576, SizeTypeKB, "1,024 KB"},
        {1234567, SizeTypeBytes, "1,234,567"},
        {1023, SizeTypeBytes, "1,023"},
        {5000, 3, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Narrow(SizeText(c.size, c.type)), c.text) << c.size << " " << int(c.type);
    platform::OverrideNumberFormat(nullptr);
}

TEST(EntryCaption, FileNamePartOfThePath) {
#ifdef _WIN32
    EXPECT_EQ(Narrow(ViewText(EntryCaption(L"C:\\data\\sub\\a.bin"))), "a.bin");
    EXPECT_EQ(Narrow(ViewText(EntryCaption(L"C:a.bin"))), "a.bin");
    EXPECT_EQ(Narrow(ViewText(EntryCaption(L"C:\\data\\"))), "");
#else
    EXPECT_EQ(Narrow(ViewText(EntryCaption("/data/sub/a.bin"))), "a.bin");
    EXPECT_EQ(Narrow(ViewText(EntryCaption("/data/a:b.bin"))), "a:b.bin");
    EXPECT_EQ(Narrow(ViewText(EntryCaption("/data/"))), "");
#endif
    EXPECT_EQ(Narrow(ViewText(EntryCaption(ViewTextFromAscii("plain.bin")))), "plain.bin");
}

// Below its list's folder an entry shows its path from there, so that files of one name in
// different folders can be told apart; in the list's own folder, or where a name climbs out of
// it, its name alone.
TEST(EntryCaption, PathBelowTheListsFolder) {
#ifdef _WIN32
    const std::string folder = "C:\\data\\", s = "\\";
#else
    const std::string folder = "/data/", s = "/";
#endif
    const std::pair<std::string, std::string> cases[] = {
        {"a.bin", "a.bin"},
        {"s1" + s + "s2" + s + "c.bin", "s1" + s + "s2" + s + "c.bin"},
        {"s1/d.bin", "s1/d.bin"}, // as a list from elsewhere wrote it
        {"." + s + "s1" + s + "e.bin", "s1" + s + "e.bin"},
        {".." + s + "o" + s + "g.bin", "g.bin"},
        {"s1" + s + ".." + s + "h.bin", "h.bin"},
        {"s1" + s + s + "i.bin", "i.bin"},
    };
    const ViewText list = ViewTextFromAscii(folder + "l.sfv");
    for (const auto& [name, caption] : cases)
        EXPECT_EQ(Narrow(ViewText(EntryCaption(ViewTextFromAscii(folder + name), list))), caption)
            << name;
    EXPECT_EQ(Narrow(ViewText(EntryCaption(ViewTextFromAscii("/x/s1/j.bin"), list))), "j.bin");
}

// Rows built from hand-made entries (no files needed).
class RefreshListTest : public VerifyFixture {
protected:
    void Add(const std::shared_ptr<const std::filesystem::path>& list, const char* name,
             std::int32_t status, std::int64_t size) {
        auto e = std::make_unique<TItemRec>();
        e->FileName = ViewTextFromAscii(std::string("/lists/") + name);
        e->Status = status;
        e->Size = size;
        e->ListFile = list;
        e->ListItem = 12345; // a row of before, which the rebuild must not leave behind
        model->ItemList.push_back(std::move(e));
    }
    std::shared_ptr<const std::filesystem::path> a =
        std::make_shared<const std::filesystem::path>("/lists/a.sfv");
    std::shared_ptr<const std::filesystem::path> b =
        std::make_shared<const std::filesystem::path>("/lists/b.sfv");
};

TEST_F(RefreshListTest, EmptyListGivesNoRowsAndStillLaysOut) {
    model->RefreshList();
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.batches, 1);
    EXPECT_EQ(view.batchDepth, 0);
    EXPECT_EQ(view.relayouts, 1);
}

TEST_F(RefreshListTest, HeaderPerListFileAndSeparatorBetween) {
    Add(a, "one.bin", StatusUnchecked, 0);
    Add(a, "two.bin", StatusGood, 1023);
    Add(b, "three.bin", StatusMissing, -1);
    // Equal paths held apart still make one group: the comparison is of the text.
    Add(std::make_shared<const std::filesystem::path>("/lists/b.sfv"), "s1/four.bin", StatusBad,
        1024);
    model->RefreshList();

    struct Want {
        const char* caption;
        std::int32_t indent, image;
        int entry; // index into ItemList, -1 for none
        const char* size;
    };
    const Want want[] = {
        {"/lists/a.sfv", 0, ImageHeader, -1, "<none>"},
        {"one.bin", 1, StatusUnchecked, 0, "0 KB"},
        {"two.bin", 1, StatusGood, 1, "1,023 bytes"},
        {"", 0, ImageNone, -1, "<none>"},
        {"/lists/b.sfv", 0, ImageHeader, -1, "<none>"},
        {"three.bin", 1, StatusMissing, 2, "Not Found"},
        {"s1/four.bin", 1, StatusBad, 3, "1 KB"}, // in a subfolder of its list's
    };
    ASSERT_EQ(view.rows.size(), std::size(want));
    for (std::size_t i = 0; i < std::size(want); ++i) {
        const auto& r = view.rows[i];
        EXPECT_EQ(r.caption, want[i].caption) << i;
        EXPECT_EQ(r.indent, want[i].indent) << i;
        EXPECT_EQ(r.image, want[i].image) << i;
        EXPECT_EQ(r.data, want[i].entry < 0 ? nullptr : &Entry(std::size_t(want[i].entry))) << i;
        EXPECT_EQ(r.sizeText.value_or("<none>"), want[i].size) << i;
    }
    EXPECT_EQ(view.rowsOutsideBatch, 0);
    EXPECT_EQ(view.batchDepth, 0);
    ExpectRowsMatchEntries();
}

TEST_F(RefreshListTest, FilterWithoutMatchesLeavesOnlyHeaders) {
    Add(a, "one.bin", StatusGood, 5);
    Add(b, "two.bin", StatusMissing, -1);
    Add(b, "three.bin", StatusGood, 5);
    model->mnuDisplayClick(StatusBad);
    EXPECT_EQ(view.filterMark, StatusBad);
    ASSERT_EQ(view.rows.size(), 3u); // header a, separator, header b
    EXPECT_EQ(view.rows[0].caption, "/lists/a.sfv");
    EXPECT_EQ(view.rows[2].caption, "/lists/b.sfv");
    for (const auto& e : model->ItemList) EXPECT_EQ(e->ListItem, NoRow);

    model->mnuDisplayClick(StatusGood);
    ASSERT_EQ(view.rows.size(), 5u);
    EXPECT_EQ(view.rows[1].data, &Entry(0));
    EXPECT_EQ(view.rows[4].data, &Entry(2));
    EXPECT_EQ(Entry(1).ListItem, NoRow);
    ExpectRowsMatchEntries();
}

TEST_F(RefreshListTest, ChoosingTheSameFilterAgainRebuilds) {
    Add(a, "one.bin", StatusGood, 5);
    model->mnuDisplayClick(FilterAll);
    view.rows[1].sizeText = "stale";
    model->mnuDisplayClick(FilterAll);
    EXPECT_EQ(view.batches, 2);
    EXPECT_EQ(view.rows[1].sizeText, "5 bytes");
    EXPECT_EQ(view.filterMark, FilterAll);
}

TEST_F(RefreshListTest, FailedRebuildStillEndsTheBatchAndLeavesNoStaleRow) {
    for (int i = 0; i < 5; ++i) Add(a, "x.bin", StatusUnchecked, 1);
    view.failAddRowAt = 3;
    EXPECT_THROW(model->RefreshList(), std::runtime_error);
    EXPECT_EQ(view.batchDepth, 0);
    EXPECT_EQ(view.relayouts, 1);
    ExpectRowsMatchEntries();
    for (std::size_t i = 2; i < 5; ++i) EXPECT_EQ(Entry(i).ListItem, NoRow) << i;
}

TEST_F(RefreshListTest, UpdateSizeTextFollowsTheSizeTypeAndSkipsOtherRows) {
    Add(a, "one.bin", StatusUnchecked, 1048576);
    model->RefreshList();
    EXPECT_EQ(view.SizeTextOf(1), "1.00 MB");
    model->SizeType = SizeTypeKB;
    model->UpdateSizeText(1);
    EXPECT_EQ(view.SizeTextOf(1), "1,024 KB");
    model->SizeType = SizeTypeBytes;
    model->UpdateSizeText(1);
    EXPECT_EQ(view.SizeTextOf(1), "1,048,576");
    model->UpdateSizeText(0);  // header
    model->UpdateSizeText(2);  // past the end
    model->UpdateSizeText(-1); // none
    EXPECT_EQ(view.SizeTextOf(0), "<none>");
    EXPECT_EQ(view.rows.size(), 2u);
}

} // namespace
} // namespace quillon::test
