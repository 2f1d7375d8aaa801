#pragma once
// A file list and a current-file view in memory, for the create run's tests.
#include "create/CreateRun.h"

#include <functional>

namespace quillon::test {

struct Item {
    std::filesystem::path name;
    std::int64_t size = 0;
    bool selected = true;
    bool folder = false;
};

class FakeSource : public CreateSource, public CreateView {
public:
    std::vector<Item> items;
    std::vector<ViewText> shown; // what the view was told, in order
    std::function<void()> onSize;

    std::size_t Count() const override { return items.size(); }
    bool Selected(std::size_t i) const override { return items[i].selected; }
    bool IsFolder(std::size_t i) const override { return items[i].folder; }
    std::int64_t Size(std::size_t i) const override {
        if (onSize)
            onSize();
        return items[i].size;
    }
    std::filesystem::path Name(std::size_t i) const override { return items[i].name; }
    void ShowCurrentFile(const ViewText& name) override { shown.push_back(name); }
};

} // namespace quillon::test
