#pragma once
// A model on the in-memory view with real files in a scratch folder.
#include "core/RunState.h"
#include "platform/NumberFormat.h"
#include "tests/TempDir.h"
#include "tests/verify/FakeDispatcher.h"
#include "tests/verify/FakeView.h"
#include "verify/VerifyModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quillon::test {

class VerifyFixture : public ::testing::Test {
protected:
    VerifyFixture() {
        static const platform::NumberFormat english{L',', L'.'};
        platform::OverrideNumberFormat(&english);
    }
    ~VerifyFixture() override {
        model.reset();
        platform::OverrideNumberFormat(nullptr);
    }

    // Writes a list file (lines joined by CR LF) and returns its path.
    std::filesystem::path List(const std::string& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines) text += l + "\r\n";
        return dir.Write(name, text);
    }

    void Load(const std::vector<std::filesystem::path>& lists) {
        model->ListFiles = lists;
        model->LoadListFiles();
    }

    void Check() {
        model->StartCheck();
        model->WaitForCheck();
    }

    TItemRec& Entry(std::size_t i) { return *model->ItemList.at(i); }
    std::vector<std::int32_t> Statuses() {
        std::vector<std::int32_t> s;
        for (const auto& e : model->ItemList) s.push_back(e->Status);
        return s;
    }
    // Unchecked, Missing, Bad, Good.
    std::vector<std::int32_t> Counts() {
        const auto& c = model->Counters;
        return {c.UncheckedCount, c.MissingCount, c.BadCount, c.GoodCount};
    }
    // Every row that carries an entry is that entry's ListItem, and the other way round.
    void ExpectRowsMatchEntries() {
        std::size_t withRow = 0;
        for (const auto& e : model->ItemList) {
            if (e->ListItem == NoRow) continue;
            ++withRow;
            ASSERT_LT(e->ListItem, static_cast<RowIndex>(view.rows.size()));
            EXPECT_EQ(view.rows[static_cast<std::size_t>(e->ListItem)].data, e.get());
            EXPECT_EQ(view.rows[static_cast<std::size_t>(e->ListItem)].image, e->Status);
        }
        std::size_t dataRows = 0;
        for (const auto& r : view.rows) dataRows += r.data != nullptr;
        EXPECT_EQ(dataRows, withRow);
    }

    TempDir dir;
    FakeView view;
    RunState run{&view};
    RunState idle; // for digests a test computes itself, apart from the model's run
    FakeDispatcher dispatcher;
    std::unique_ptr<VerifyModel> model = std::make_unique<VerifyModel>(view, run, dispatcher);
};

} // namespace quillon::test
