#pragma once
// The settings store in memory, for the rules that read and write it.
#include "util/SettingsStore.h"

#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace quillon::test {

// Values as "Name=number", "Name=sz" (a string) or "Name=bin" (longer than a DWORD); reads
// throw the registry's texts, so a read the rules do not allow shows up as a wrong result.
class MemoryStore final : public SettingsStore {
public:
    MemoryStore() = default;
    explicit MemoryStore(const std::string& values) {
        std::istringstream in(values);
        for (std::string item; in >> item;) {
            const auto eq = item.find('=');
            values_[std::wstring(item.begin(), item.begin() + eq)] = item.substr(eq + 1);
        }
    }
    bool ValueExists(std::wstring_view name) const override { return values_.contains(name); }
    std::int32_t ReadInteger(std::wstring_view name) const override {
        const std::string n(name.begin(), name.end());
        reads += (reads.empty() ? "" : " ") + n;
        const auto it = values_.find(name);
        if (it == values_.end() || it->second == "bin")
            throw std::runtime_error("Failed to get data for '" + n + "'");
        if (it->second == "sz")
            throw std::runtime_error("Invalid data type for '" + n + "'");
        return std::stoi(it->second);
    }
    void WriteInteger(std::wstring_view name, std::int32_t value) override {
        const std::string n(name.begin(), name.end());
        if (n == failWrite)
            throw std::runtime_error("Failed to set data for '" + n + "'");
        writes += (writes.empty() ? "" : " ") + n + "=" + std::to_string(value);
        values_[std::wstring(name)] = std::to_string(value);
    }

    void DeleteValue(std::wstring_view name) override {
        const std::string n(name.begin(), name.end());
        if (n == failWrite)
            throw std::runtime_error("Failed to set data for '" + n + "'");
        writes += (writes.empty() ? "" : " ") + n + "=deleted";
        values_.erase(std::wstring(name));
    }

    mutable std::string reads;
    std::string writes;
    std::string failWrite;

private:
    std::map<std::wstring, std::string, std::less<>> values_;
};

} // namespace quillon::test
