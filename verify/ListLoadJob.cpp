#include "verify/ListLoadJob.h"

#include "verify/GuiDispatcher.h"
#include "verify/Loader.h"

#include <system_error>
#include <utility>

namespace quillon {

// Shared by the job, the reader and the posted call: none of them may outlive the others' data.
struct ListLoadJob::State {
    std::vector<std::filesystem::path> lists;
    TItemList old, items;
    std::vector<ListReport> reports;
    bool lookUpSizes = true;
    const std::atomic<bool>* stop = nullptr;
    std::exception_ptr failure;
    Done done;
    std::atomic<bool> cancelled{false};

    void Read() {
        old.clear();
        try {
            ReadListFiles(lists, items, lookUpSizes, stop, &reports);
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

ListLoadJob::ListLoadJob(GuiDispatcher& dispatcher, StartThread startThread)
    : dispatcher_(dispatcher), startThread_(std::move(startThread)) {
    if (!startThread_)
        startThread_ = [](std::function<void()> body) { return std::thread(std::move(body)); };
}

ListLoadJob::~ListLoadJob() {
    Cancel();
}

bool ListLoadJob::Start(std::vector<std::filesystem::path> lists, TItemList old, bool lookUpSizes,
                        const std::atomic<bool>* stop, Done done) {
    if (state_)
        return false;
    auto state = std::make_shared<State>();
    state->lists = std::move(lists);
    state->old = std::move(old);
    state->lookUpSizes = lookUpSizes;
    state->stop = stop;
    state->done = std::move(done);
    state_ = state;
    // The closure holds only a pointer: should the thread fail to start, nothing of the work has
    // been moved away and it runs here instead.
    try {
        reader_ = startThread_([this, state] {
            state->Read();
            dispatcher_.PostToGuiThread([this, state] { Finish(state); });
        });
    } catch (const std::system_error&) {
        state->Read();
        dispatcher_.PostToGuiThread([this, state] { Finish(state); });
    }
    return true;
}

void ListLoadJob::Finish(const std::shared_ptr<State>& state) {
    if (state->cancelled)
        return;
    if (reader_.joinable())
        reader_.join();
    state_.reset();
    state->done(std::move(state->items), std::move(state->reports), state->failure);
}

void ListLoadJob::Cancel() {
    if (state_)
        state_->cancelled = true;
    if (reader_.joinable())
        reader_.join();
    state_.reset();
}

} // namespace quillon
