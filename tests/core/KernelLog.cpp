#include "tests/core/KernelLog.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iostream>
#include <map>
#include <utility>
#include <vector>

namespace quillon::test {
namespace {

// "VpclmulGfni" -> "vpclmul-gfni"
std::string LowerName(const std::string& name) {
    std::string s;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (i != 0 && std::isupper(c))
            s += '-';
        s += static_cast<char>(std::tolower(c));
    }
    return s;
}

struct Entry {
    bool ran = false;
    bool skipped = false;
};

// The known kernels in a fixed order (any other after them, by name), so that the line reads the
// same whatever order the tests ran in.
const char* const Known[] = {"table",        "slice16", "pclmul",   "vpclmul",
                             "vpclmul-gfni", "scalar",  "portable", "sse41",
                             "sha-ni",       "avx2",    "avx512",   "many-avx512"};

int Rank(const std::string& kernel) {
    for (std::size_t i = 0; i < std::size(Known); ++i)
        if (kernel == Known[i])
            return static_cast<int>(i);
    return static_cast<int>(std::size(Known));
}

using Log = std::map<std::string, std::map<std::pair<int, std::string>, Entry>>;

Log& TheLog() {
    static Log log;
    return log;
}

Entry& At(const char* family, const std::string& kernel) {
    const std::string name = LowerName(kernel);
    return TheLog()[family][{Rank(name), name}];
}

// RecordProperty outside any test lands on the report's top element.
class KernelReport : public ::testing::Environment {
public:
    void TearDown() override {
        const std::string line = KernelLine();
        ::testing::Test::RecordProperty("kernels", line);
        std::cout << "kernels: " << line << std::endl;
    }
};

[[maybe_unused]] ::testing::Environment* const Registered =
    ::testing::AddGlobalTestEnvironment(new KernelReport);

} // namespace

void KernelRan(const char* family, const std::string& kernel) {
    At(family, kernel).ran = true;
}

void KernelSkipped(const char* family, const std::string& kernel) {
    At(family, kernel).skipped = true;
}

std::string KernelLine() {
    std::string line, skipped;
    for (const char* family : {"crc32", "md5", "sha1", "sha256", "sha512", "blake3"}) {
        std::string ran;
        for (const auto& [key, entry] : TheLog()[family]) {
            // A kernel cannot be both: support does not change within a run. Skipped ones carry
            // their family: several have an avx512.
            if (entry.ran)
                ran += (ran.empty() ? "" : " ") + key.second;
            else
                skipped += (skipped.empty() ? "" : " ") + std::string(family) + "/" + key.second;
        }
        line += std::string(family) + ": " + (ran.empty() ? "none" : ran) + "; ";
    }
    return line + "skipped: " + (skipped.empty() ? "none" : skipped);
}

} // namespace quillon::test
