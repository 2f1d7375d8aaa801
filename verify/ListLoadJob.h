#pragma once
#include "verify/ItemList.h"
#include "verify/Loader.h"

#include <atomic>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace quillon {

class GuiDispatcher;

// Reads list files into entries off the GUI thread, so that the window answers while a long list
// loads, and hands them back on the GUI thread through the dispatcher (posted: the reader never
// waits for the window).
class ListLoadJob {
public:
    // The entries read, a report of each list read, and why the reading stopped early (a list
    // that cannot be opened): the entries and reports of the lists before it stay.
    using Done = std::function<void(TItemList items, std::vector<ListReport> reports,
                                    std::exception_ptr failure)>;
    // How the reader thread is started; tests make it fail.
    using StartThread = std::function<std::thread(std::function<void()> body)>;

    explicit ListLoadJob(GuiDispatcher& dispatcher, StartThread startThread = {});
    // Joins a reader still running; its result is dropped.
    ~ListLoadJob();
    ListLoadJob(const ListLoadJob&) = delete;
    ListLoadJob& operator=(const ListLoadJob&) = delete;

    // GUI thread. Reads lists (the old entries are freed on the reader too: a million of them
    // take a while) and calls done on the GUI thread. When no thread can be started the lists
    // are read here and done is posted all the same. stop ends the reading early. False, doing
    // nothing, while a load runs.
    bool Start(std::vector<std::filesystem::path> lists, TItemList old, bool lookUpSizes,
               const std::atomic<bool>* stop, Done done);
    // From Start until done has been called.
    bool Running() const { return state_ != nullptr; }
    // GUI thread: waits for the reader (whom a set stop hurries) and drops its result.
    void Cancel();

private:
    struct State;
    void Finish(const std::shared_ptr<State>& state);

    GuiDispatcher& dispatcher_;
    StartThread startThread_;
    std::shared_ptr<State> state_;
    std::thread reader_;
};

} // namespace quillon
