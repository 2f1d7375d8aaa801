#include "verify/ViewRecorder.h"

#include "core/RunState.h"
#include "platform/NumberFormat.h"
#include "tests/TempDir.h"
#include "tests/verify/FakeDispatcher.h"
#include "verify/VerifyModel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace quillon::test {
namespace {

ViewText T(std::string_view ascii) {
    return ViewTextFromAscii(ascii);
}

// Take hands over the latest of each value and the range of rows touched, once; Clear drops the
// row changes of rows that are gone, never the bars.
TEST(ViewRecorder, TakeGivesTheLatestOfEachOnce) {
    ViewRecorder r;
    const ViewText names[] = {T("a"), T("b"), T("c"), T("d")};
    for (const auto& n : names)
        r.Add(n, 0, StatusUnchecked, nullptr);
    r.SetImage(2, StatusBad);
    r.SetSizeText(1, T("12 KB"));
    r.SetImage(7, StatusGood); // past the last row: ignored
    r.SetFileProgress(10);
    r.SetFileProgress(40);
    r.SetTimeText(T("old"));
    r.SetTimeText(T("Complete in 1 second"));
    r.ScrollTo(3);
    r.RequestStatusRepaint();

    ViewRecorder::Changes c = r.Take();
    EXPECT_EQ(c.firstRow, 1);
    EXPECT_EQ(c.lastRow, 2);
    EXPECT_EQ(c.scrollTo, 3);
    EXPECT_EQ(c.filePercent, 40);
    EXPECT_EQ(c.totalPercent, -1);
    EXPECT_FALSE(c.rateText);
    EXPECT_EQ(c.timeText, T("Complete in 1 second"));
    EXPECT_TRUE(c.statusCounts);
    EXPECT_EQ(r.Image(2), StatusBad);
    EXPECT_EQ(r.SizeText(1), T("12 KB"));
    EXPECT_EQ(r.SizeText(0), ViewText());
    EXPECT_FALSE(r.Take().Any()) << "taken once";

    r.SetImage(0, StatusGood);
    r.SetTotalProgress(100);
    r.Clear();
    c = r.Take();
    EXPECT_EQ(c.firstRow, -1);
    EXPECT_EQ(c.totalPercent, 100);
    EXPECT_EQ(r.Count(), 0);
}

// A check on the real worker records while this thread, as the window's does on its timer,
// takes the changes and reads the rows it paints. Under ThreadSanitizer this is the proof that
// the worker and the window share nothing unguarded.
TEST(ViewRecorder, WorkerRecordsWhileTheGuiThreadShows) {
    static const platform::NumberFormat english{L',', L'.'};
    platform::OverrideNumberFormat(&english);
    TempDir dir;
    std::string list;
    for (int i = 0; i < 200; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        dir.Write(name, "abc");
        list += name + (i % 7 ? " 352441C2\r\n" : " 00000000\r\n");
    }
    list += "gone.bin 00000000\r\n";
    const auto listFile = dir.Write("l.sfv", list);

    // The window's side of the view: everything on the rows and bars goes to the recorder.
    class RecorderView final : public VerifyView {
    public:
        ViewRecorder rec;
        std::atomic<bool> running{false};
        void SetFileProgress(std::int32_t p) override { rec.SetFileProgress(p); }
        void SetTotalProgress(std::int32_t p) override { rec.SetTotalProgress(p); }
        void SetRateText(const ViewText& t) override { rec.SetRateText(t); }
        void SetTimeText(const ViewText& t) override { rec.SetTimeText(t); }
        void BeginUpdate() override {}
        void EndUpdate() override {}
        void DeleteAllRows() override { rec.Clear(); }
        RowIndex AddRow(ViewTextView c, std::int32_t in, std::int32_t im, TItemRec* d) override {
            return rec.Add(c, in, im, d);
        }
        void Relayout() override {}
        std::int32_t RowCount() const override { return rec.Count(); }
        TItemRec* RowData(RowIndex row) const override { return rec.Data(row); }
        bool IsRowSelected(RowIndex) const override { return false; }
        std::int32_t SelectedCount() const override { return 0; }
        void ScrollRowIntoView(RowIndex row) override { rec.ScrollTo(row); }
        void SetRowImage(RowIndex row, std::int32_t image) override { rec.SetImage(row, image); }
        void SetRowSizeText(RowIndex row, const ViewText& t) override { rec.SetSizeText(row, t); }
        void EnableCheckCommand(bool) override {}
        void EnableRunCommands(bool enabled) override { running = !enabled; }
        void RequestStatusRepaint() override { rec.RequestStatusRepaint(); }
        void SetCaption(const ViewText&) override {}
        void SetDisplayFilterMark(std::int32_t) override {}
    } view;

    FakeDispatcher dispatcher;
    RunState run(&view);
    VerifyModel model(view, run, dispatcher);
    model.ListFiles = {listFile};
    model.LoadListFiles();
    view.rec.Take();

    int takes = 0, lastTotal = -1, lastRow = -1;
    std::size_t painted = 0;
    model.StartCheck();
    dispatcher.ServeUntil([&] { return !model.CheckRunning(); },
                          [&] {
                              const ViewRecorder::Changes c = view.rec.Take();
                              takes += c.Any();
                              if (c.totalPercent >= 0)
                                  lastTotal = c.totalPercent;
                              lastRow = std::max(lastRow, c.lastRow);
                              // What a paint of the rows in view reads.
                              for (RowIndex row = 0; row < 20; ++row)
                                  view.rec.ReadRow(row, [&](const ViewRecorder::Row& r) {
                                      painted += r.Caption().size();
                                  });
                          });
    model.WaitForCheck();
    const ViewRecorder::Changes last = view.rec.Take();
    if (last.totalPercent >= 0)
        lastTotal = last.totalPercent;
    lastRow = std::max(lastRow, last.lastRow);
    platform::OverrideNumberFormat(nullptr);

    EXPECT_GT(takes, 0);
    EXPECT_GT(painted, 0u);
    EXPECT_EQ(lastTotal, 100);
    EXPECT_EQ(lastRow, view.rec.Count() - 1) << "the last row's result was recorded";
    EXPECT_FALSE(view.running);
    for (const auto& e : model.ItemList)
        EXPECT_EQ(view.rec.Image(e->ListItem), e->Status) << e->FileName;
    EXPECT_EQ(model.Counters.GoodCount, 171);
    EXPECT_EQ(model.Counters.BadCount, 29);
    EXPECT_EQ(model.Counters.MissingCount, 1);
}

} // namespace
} // namespace quillon::test
