#include "core/MD5.h"
#include "tests/TempDir.h"
#include "tests/core/KernelLog.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace quillon {
namespace {

std::vector<unsigned char> OpenSslMd5(const std::string& data) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    std::vector<unsigned char> digest(EVP_MAX_MD_SIZE);
    unsigned int size = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), data.data(), data.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), digest.data(), &size) != 1)
        return {};
    digest.resize(size);
    return digest;
}

std::vector<unsigned char> OurMd5(const std::string& data) {
    TMD5Context context;
    MD5Init(context);
    MD5UpdateBuffer(context, data.data(), data.size());
    std::vector<unsigned char> digest(16);
    MD5Final(digest.data(), context);
    return digest;
}

class PathGuard {
public:
    explicit PathGuard(Md5Path path) : before_(SelectMd5Path(path)) {}
    ~PathGuard() { SelectMd5Path(before_); }

private:
    Md5Path before_;
};

TEST(MD5OpenSsl, RandomInputsOnEveryPath) {
    ASSERT_EQ(OpenSslMd5("abc").size(), 16u) << "OpenSSL has no MD5 here";
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 1100; ++n)
        lengths.push_back(n);
    for (std::size_t n : {16383u, 16384u, 16385u, 65535u, 65536u, 65537u, 1000000u})
        lengths.push_back(n);
    std::mt19937 gen(31);
    for (int i = 0; i < 60; ++i)
        lengths.push_back(gen() % 300000);
    for (Md5Path path : {Md5Path::Scalar, Md5Path::Avx512}) {
        if (!Md5PathSupported(path)) {
            test::KernelSkipped("md5", Md5PathName(path)); // not passed over unseen
            continue;
        }
        PathGuard guard(path);
        int failures = 0;
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            const std::string data = test::RandomBytes(lengths[i], static_cast<unsigned>(100 + i));
            if (OurMd5(data) != OpenSslMd5(data) && ++failures <= 5)
                ADD_FAILURE() << Md5PathName(path) << " length " << lengths[i];
        }
    }
}

} // namespace
} // namespace quillon
