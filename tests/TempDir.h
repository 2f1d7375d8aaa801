#pragma once
// A scratch folder for one test, removed with everything in it afterwards.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace quillon::test {

class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        std::random_device rd;
        auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("quillon-test-" + std::to_string(rd()) + "-" +
                            std::to_string(counter++));
            std::error_code ec;
            if (std::filesystem::create_directory(path_, ec)) break;
            // A taken name is tried again; a folder where nothing can be made is the end.
            if (ec) throw std::filesystem::filesystem_error("cannot make a test folder", path_, ec);
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

    std::filesystem::path Write(const std::filesystem::path& name, std::string_view bytes) const {
        auto p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        // A test that goes on without its file would test something else.
        if (!out) throw std::runtime_error("cannot write test file " + p.string());
        return p;
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

} // namespace quillon::test
