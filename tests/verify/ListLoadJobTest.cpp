#include "verify/ListLoadJob.h"

#include "core/FileError.h"
#include "tests/TempDir.h"
#include "tests/verify/FakeDispatcher.h"

#include <gtest/gtest.h>

#include <system_error>

namespace quillon::test {
namespace {

struct Loaded {
    bool called = false;
    std::size_t entries = 0, lists = 0;
    std::exception_ptr failure;
};

// The lists arrive through the dispatcher whether or not a thread could be started (when none
// can, they are read on the calling thread; the closure was once moved away before that and
// nothing loaded); a list that cannot be opened arrives as the failure, after the entries read.
TEST(ListLoadJob, DeliversOnTheGuiThreadWithOrWithoutAThread) {
    TempDir dir;
    const auto good = dir.Write("a.sfv", "a.txt 00000000\r\nb.txt 00000000\r\n");
    const auto gone = dir / "gone.sfv";
    const ListLoadJob::StartThread noThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    const struct {
        bool threads;
        std::vector<std::filesystem::path> lists;
        std::size_t entries;
        bool fails;
    } cases[] = {
        {true, {good}, 2, false},
        {false, {good}, 2, false},
        {true, {good, gone, good}, 2, true},
        {false, {gone}, 0, true},
    };
    for (const auto& c : cases) {
        FakeDispatcher dispatcher;
        ListLoadJob job(dispatcher, c.threads ? ListLoadJob::StartThread() : noThread);
        TItemList old;
        old.push_back(std::make_unique<TItemRec>());
        Loaded loaded;
        ASSERT_TRUE(job.Start(
            c.lists, std::move(old), true, nullptr,
            [&](TItemList items, std::vector<ListReport> reports, std::exception_ptr failure) {
                loaded = {true, items.size(), reports.size(), failure};
            }));
        EXPECT_FALSE(job.Start(c.lists, {}, true, nullptr, {})) << "one load at a time";
        dispatcher.ServeUntil([&] { return loaded.called; });
        EXPECT_FALSE(job.Running());
        EXPECT_EQ(loaded.entries, c.entries) << c.lists.size() << " lists, threads " << c.threads;
        EXPECT_EQ(loaded.failure != nullptr, c.fails);
        EXPECT_EQ(loaded.lists, c.fails ? std::size_t{c.entries > 0} : c.lists.size())
            << "a report for each list read";
        if (loaded.failure) {
            EXPECT_THROW(std::rethrow_exception(loaded.failure), FileError);
        }
    }
}

// A window that goes while a load runs: the reader is waited for and its result dropped.
TEST(ListLoadJob, CancelDropsTheResult) {
    TempDir dir;
    const auto list = dir.Write("a.sfv", "a.txt 00000000\r\n");
    FakeDispatcher dispatcher;
    bool called = false;
    {
        ListLoadJob job(dispatcher);
        job.Start({list}, {}, true, nullptr,
                  [&](TItemList, std::vector<ListReport>, std::exception_ptr) { called = true; });
        job.Cancel();
        EXPECT_FALSE(job.Running());
    }
    dispatcher.RunPosted();
    EXPECT_FALSE(called);
}

} // namespace
} // namespace quillon::test
