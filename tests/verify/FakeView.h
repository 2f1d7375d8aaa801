#pragma once
// The verify view in memory. Its GUI thread is the thread that made it: calls meant for that
// thread that come from another one are counted.
#include "verify/VerifyView.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quillon::test {

inline std::string Narrow(const ViewText& text) {
    std::string s;
    for (auto c : text) s.push_back(static_cast<char>(c));
    return s;
}

class FakeView : public VerifyView {
public:
    struct Row {
        std::string caption;
        std::int32_t indent = 0;
        std::int32_t image = 0;
        TItemRec* data = nullptr;
        std::optional<std::string> sizeText;
        bool selected = false;
    };

    // Called before each call the worker makes on a row or the strip (op, row or value), outside
    // the view's lock: tests press Abort or change the selection from here.
    std::function<void(std::string_view op, std::int32_t arg)> hook;

    // ---- what the logic did (read them while no worker runs) ----
    std::vector<Row> rows;
    int batchDepth = 0, batches = 0, relayouts = 0, rowsOutsideBatch = 0;
    bool checkEnabled = false, runEnabled = true;
    int runDisables = 0, runEnables = 0;
    std::string caption;
    std::int32_t filterMark = 1;
    bool sizeTexts = true;
    bool progress = true;
    std::vector<std::int32_t> fileBar, totalBar;
    std::vector<std::string> rateTexts, timeTexts;
    ViewText findings; // the last SetFindings
    std::vector<RowIndex> scrolled;
    std::atomic<int> repaints{0};
    // Calls meant for the GUI thread that came from another one.
    mutable std::atomic<int> offGuiThread{0};
    // AddRow throws when the list has this many rows (a rebuild that fails part way).
    int failAddRowAt = -1;

    // ---- test setup ----
    void Select(std::initializer_list<RowIndex> which) {
        std::lock_guard lock(m_);
        for (auto& r : rows) r.selected = false;
        for (RowIndex i : which) rows.at(static_cast<std::size_t>(i)).selected = true;
    }
    void SetSelected(RowIndex row, bool selected) {
        std::lock_guard lock(m_);
        rows.at(static_cast<std::size_t>(row)).selected = selected;
    }
    std::string SizeTextOf(RowIndex row) const {
        std::lock_guard lock(m_);
        return rows.at(static_cast<std::size_t>(row)).sizeText.value_or("<none>");
    }
    std::int32_t ImageOf(RowIndex row) const {
        std::lock_guard lock(m_);
        return rows.at(static_cast<std::size_t>(row)).image;
    }

    // ---- VerifyView ----
    bool ShowsSizeTexts() const override { return sizeTexts; }
    bool ShowsProgress() const override { return progress; }
    void SetFileProgress(std::int32_t percent) override {
        Hook("file%", percent);
        std::lock_guard lock(m_);
        fileBar.push_back(percent);
    }
    void SetTotalProgress(std::int32_t percent) override {
        Hook("total%", percent);
        std::lock_guard lock(m_);
        totalBar.push_back(percent);
    }
    void SetRateText(const ViewText& text) override {
        std::lock_guard lock(m_);
        rateTexts.push_back(Narrow(text));
    }
    void SetFindings(const ViewText& text) override { findings = text; }
    void SetTimeText(const ViewText& text) override {
        std::lock_guard lock(m_);
        timeTexts.push_back(Narrow(text));
    }

    void BeginUpdate() override {
        GuiOnly();
        ++batchDepth;
        ++batches;
    }
    void EndUpdate() override {
        GuiOnly();
        --batchDepth;
    }
    void DeleteAllRows() override {
        GuiOnly();
        Hook("delete", static_cast<std::int32_t>(rows.size()));
        std::lock_guard lock(m_);
        rows.clear();
    }
    RowIndex AddRow(ViewTextView text, std::int32_t indent, std::int32_t image,
                    TItemRec* data) override {
        GuiOnly();
        if (batchDepth == 0) ++rowsOutsideBatch;
        if (failAddRowAt >= 0 && static_cast<int>(rows.size()) == failAddRowAt)
            throw std::runtime_error("no more rows");
        std::lock_guard lock(m_);
        rows.push_back({Narrow(ViewText(text)), indent, image, data, std::nullopt, false});
        return static_cast<RowIndex>(rows.size() - 1);
    }
    void Relayout() override {
        GuiOnly();
        ++relayouts;
    }
    std::int32_t RowCount() const override {
        std::lock_guard lock(m_);
        return static_cast<std::int32_t>(rows.size());
    }
    TItemRec* RowData(RowIndex row) const override {
        std::lock_guard lock(m_);
        if (row < 0 || row >= static_cast<RowIndex>(rows.size())) return nullptr;
        return rows[static_cast<std::size_t>(row)].data;
    }
    bool IsRowSelected(RowIndex row) const override {
        Hook("selected?", row);
        std::lock_guard lock(m_);
        return rows.at(static_cast<std::size_t>(row)).selected;
    }
    std::int32_t SelectedCount() const override {
        std::lock_guard lock(m_);
        std::int32_t n = 0;
        for (const auto& r : rows) n += r.selected;
        return n;
    }
    void ScrollRowIntoView(RowIndex row) override {
        Hook("scroll", row);
        std::lock_guard lock(m_);
        scrolled.push_back(row);
    }
    void SetRowImage(RowIndex row, std::int32_t image) override {
        Hook("image", row);
        std::lock_guard lock(m_);
        rows.at(static_cast<std::size_t>(row)).image = image;
    }
    void SetRowSizeText(RowIndex row, const ViewText& text) override {
        std::lock_guard lock(m_);
        rows.at(static_cast<std::size_t>(row)).sizeText = Narrow(text);
    }
    void EnableCheckCommand(bool enabled) override {
        GuiOnly();
        checkEnabled = enabled;
    }
    void EnableRunCommands(bool enabled) override {
        GuiOnly();
        runEnabled = enabled;
        checkEnabled = enabled;
        ++(enabled ? runEnables : runDisables);
    }
    void RequestStatusRepaint() override { ++repaints; }
    void SetCaption(const ViewText& text) override {
        GuiOnly();
        caption = Narrow(text);
    }
    void SetDisplayFilterMark(std::int32_t tag) override {
        GuiOnly();
        filterMark = tag;
    }

private:
    void Hook(std::string_view op, std::int32_t arg) const {
        if (hook) hook(op, arg);
    }
    void GuiOnly() const {
        if (std::this_thread::get_id() != gui_) ++offGuiThread;
    }

    mutable std::mutex m_;
    std::thread::id gui_ = std::this_thread::get_id();
};

} // namespace quillon::test
