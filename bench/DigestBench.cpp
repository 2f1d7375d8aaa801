// Routine speeds over 64 KiB buffers, the size every file digest reads in, beside zlib's crc32()
// and OpenSSL's MD5, SHA-1, SHA-256 and SHA-512 on the same buffers (BLAKE3 has no yardstick in
// process: bench/compare.sh times it against b3sum). Run with --benchmark_filter to pick cases; the
// ratios are printed at the end from the figures of this run.
#include "core/Crc32.h"
#include "core/Crc32Kernels.h"
#include "core/Digest.h"
#include "core/MD5.h"
#include "core/MD5Kernels.h"
#include "core/MD5Many.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace quillon;

constexpr std::size_t BlockSize = DigestBufferSize;
// The cases run over state.range(0) blocks in turn: 1 is the digest loop, whose one buffer is
// still in the near caches when read() has just filled it; 32 (2 MiB) is beyond them.
constexpr std::size_t MaxBlocks = 32;

const unsigned char* Data() {
    static const std::unique_ptr<unsigned char[]> data = [] {
        auto d = std::make_unique<unsigned char[]>(BlockSize * MaxBlocks + 64);
        std::mt19937_64 rng(20240607);
        for (std::size_t i = 0; i < BlockSize * MaxBlocks + 64; ++i)
            d[i] = static_cast<unsigned char>(rng());
        return d;
    }();
    // On a cache line, as the file digests' own buffers are.
    return data.get() + ((0 - reinterpret_cast<std::uintptr_t>(data.get())) & 63);
}

// fn takes one 64 KiB block per iteration.
template <class Fn> void Cycle(benchmark::State& state, Fn fn) {
    const unsigned char* data = Data();
    const auto blocks = static_cast<std::size_t>(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        fn(data + BlockSize * i);
        if (++i == blocks) i = 0;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BlockSize));
}

void CrcKernelCase(benchmark::State& state, const CrcKernel* kernel) {
    if (!kernel->supported) {
        state.SkipWithError("not on this processor");
        return;
    }
    std::uint32_t crc = 0xFFFFFFFFu;
    Cycle(state, [&](const unsigned char* p) { crc = kernel->update(crc, p, BlockSize); });
    benchmark::DoNotOptimize(crc);
}

void CrcLevelCase(benchmark::State& state, CrcLevel level) {
    if (!CrcLevelSupported(level)) {
        state.SkipWithError("not on this processor");
        return;
    }
    std::uint32_t crc = 0xFFFFFFFFu;
    Cycle(state,
        [&](const unsigned char* p) { crc = UpdateCrc32At(level, crc, p, BlockSize); });
    benchmark::DoNotOptimize(crc);
}

// The entry every file digest goes through, with whatever it chose.
void CrcUpdate(benchmark::State& state) {
    std::uint32_t crc = 0xFFFFFFFFu;
    Cycle(state, [&](const unsigned char* p) {
        crc = UpdateCrc32(crc, p, static_cast<std::int32_t>(BlockSize));
    });
    benchmark::DoNotOptimize(crc);
}

void ZlibCrc32(benchmark::State& state) {
    uLong crc = crc32(0, nullptr, 0);
    Cycle(state,
        [&](const unsigned char* p) { crc = crc32(crc, p, static_cast<uInt>(BlockSize)); });
    benchmark::DoNotOptimize(crc);
}

void Md5Case(benchmark::State& state, Md5Path path) {
    if (!Md5PathSupported(path)) {
        state.SkipWithError("not on this processor");
        return;
    }
    const Md5Path before = SelectMd5Path(path);
    TMD5Context context;
    MD5Init(context);
    Cycle(state, [&](const unsigned char* p) { MD5UpdateBuffer(context, p, BlockSize); });
    unsigned char digest[16];
    MD5Final(digest, context);
    benchmark::DoNotOptimize(digest);
    SelectMd5Path(before);
}

// Each 64 KiB block as sixteen whole 4 KiB messages: the many-small-files case.
void Md5ManyCase(benchmark::State& state, Md5Path path) {
    if (!Md5PathSupported(path)) {
        state.SkipWithError("not on this processor");
        return;
    }
    constexpr std::size_t Count = 16, Length = BlockSize / Count;
    std::size_t lengths[Count];
    for (std::size_t& n : lengths) n = Length;
    unsigned char digests[Count][16];
    Cycle(state, [&](const unsigned char* p) {
        const unsigned char* messages[Count];
        for (std::size_t i = 0; i < Count; ++i) messages[i] = p + i * Length;
        MD5Many(path, messages, lengths, Count, digests);
    });
    benchmark::DoNotOptimize(digests);
}

// Each 64 KiB block as one message of 60 KiB and fifteen of 256 bytes: a group the lanes would
// run as long as its longest message.
void Md5ManyUnevenCase(benchmark::State& state, int how) {
    constexpr std::size_t Count = 16, Long = 60 * 1024, Short = 256;
    std::size_t lengths[Count];
    for (std::size_t& n : lengths)
        n = Short;
    lengths[0] = Long;
    unsigned char digests[Count][16];
    Cycle(state, [&](const unsigned char* p) {
        const unsigned char* messages[Count];
        messages[0] = p;
        for (std::size_t i = 1; i < Count; ++i)
            messages[i] = p + Long + (i - 1) * Short;
        if (how == 0)
            MD5Many(messages, lengths, Count, digests);
        else
            MD5Many(how == 1 ? Md5Path::Avx512 : Md5Path::Scalar, messages, lengths, Count,
                    digests);
    });
    benchmark::DoNotOptimize(digests);
}

void OpensslMd5(benchmark::State& state) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, EVP_md5(), nullptr);
    Cycle(state, [&](const unsigned char* p) { EVP_DigestUpdate(ctx, p, BlockSize); });
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx, digest, &length);
    EVP_MD_CTX_free(ctx);
    benchmark::DoNotOptimize(digest);
}

// One kind through Hasher on one path (selected for the process meanwhile), 64 KiB per call.
template <class Path>
void KindCase(benchmark::State& state, DigestKind kind, Path path, bool (*supported)(Path),
              Path (*select)(Path)) {
    if (!supported(path)) {
        state.SkipWithError("not on this processor");
        return;
    }
    const Path before = select(path);
    Hasher h(kind);
    Cycle(state, [&](const unsigned char* p) { h.Update(p, BlockSize); });
    benchmark::DoNotOptimize(h.FinalText());
    select(before);
}

void OpensslCase(benchmark::State& state, const EVP_MD* md) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, md, nullptr);
    Cycle(state, [&](const unsigned char* p) { EVP_DigestUpdate(ctx, p, BlockSize); });
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx, digest, &length);
    EVP_MD_CTX_free(ctx);
    benchmark::DoNotOptimize(digest);
}

// Keeps the bytes/second of every case as the console shows them, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // The median when there are repetitions, else the one run.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            auto it = run.counters.find("bytes_per_second");
            if (it == run.counters.end()) continue;
            const std::string name = run.run_name.str();
            if (median || !medians_.count(name)) rates_[name] = it->second.value;
            if (median) medians_.insert(name);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Rate(const std::string& name) const {
        auto it = rates_.find(name);
        return it == rates_.end() ? 0 : it->second;
    }
    const std::map<std::string, double>& All() const { return rates_; }

private:
    std::map<std::string, double> rates_;
    std::set<std::string> medians_;
};

// "Group/case/blocks" over "Group/yardstick/blocks".
void PrintRatios(const RatioReporter& r) {
    std::printf("\nRatios from this run (bytes/second over the yardstick on as many blocks):\n");
    for (const auto& [name, rate] : r.All()) {
        const std::size_t slash = name.rfind('/');
        const std::string blocks = name.substr(slash + 1);
        const bool crc = name.rfind("Crc32/", 0) == 0;
        const std::string group = name.substr(0, name.find('/'));
        const double base = r.Rate(crc ? "Crc32/zlib/" + blocks : group + "/OpenSSL_EVP/" + blocks);
        if (base <= 0) {
            std::printf("  %-30s %8.2f GB/s\n", name.c_str(), rate / 1e9);
            continue;
        }
        const bool entry = name.rfind("Crc32/UpdateCrc32/", 0) == 0 ||
                           name.rfind("Md5/MD5UpdateBuffer/", 0) == 0 ||
                           name.find("/best/") != std::string::npos;
        std::printf("  %-30s %8.2f GB/s %7.2fx %s%s\n", name.c_str(), rate / 1e9, rate / base,
                    crc ? "zlib crc32()" : ("OpenSSL " + group).c_str(),
                    entry ? (crc ? "   (target >= 12)" : "    (target >= 1)") : "");
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<benchmark::internal::Benchmark*> cases;
    for (const CrcKernel& kernel : CrcKernels())
        cases.push_back(benchmark::RegisterBenchmark(
            (std::string("Crc32/kernel:") + kernel.name).c_str(), CrcKernelCase, &kernel));
    for (CrcLevel level : {CrcLevel::Table, CrcLevel::Slice16, CrcLevel::Pclmul, CrcLevel::Vpclmul})
        cases.push_back(benchmark::RegisterBenchmark(
            (std::string("Crc32/level:") + CrcLevelName(level)).c_str(), CrcLevelCase, level));
    cases.push_back(benchmark::RegisterBenchmark("Crc32/UpdateCrc32", CrcUpdate));
    cases.push_back(benchmark::RegisterBenchmark("Crc32/zlib", ZlibCrc32));
    for (Md5Path path : {Md5Path::Scalar, Md5Path::Avx512})
        cases.push_back(benchmark::RegisterBenchmark(
            (std::string("Md5/path:") + Md5PathName(path)).c_str(), Md5Case, path));
    cases.push_back(benchmark::RegisterBenchmark("Md5/MD5UpdateBuffer", Md5Case, BestMd5Path()));
    for (Md5Path path : {Md5Path::Scalar, Md5Path::Avx512})
        cases.push_back(benchmark::RegisterBenchmark(
            (std::string("Md5/MD5Many_4KiB:") + Md5PathName(path)).c_str(), Md5ManyCase, path));
    cases.push_back(
        benchmark::RegisterBenchmark("Md5/MD5Many_uneven:default", Md5ManyUnevenCase, 0));
    cases.push_back(
        benchmark::RegisterBenchmark("Md5/MD5Many_uneven:Avx512", Md5ManyUnevenCase, 1));
    cases.push_back(
        benchmark::RegisterBenchmark("Md5/MD5Many_uneven:Scalar", Md5ManyUnevenCase, 2));
    cases.push_back(benchmark::RegisterBenchmark("Md5/OpenSSL_EVP", OpensslMd5));
    for (Sha1Path path : {Sha1Path::Scalar, Sha1Path::ShaNi})
        cases.push_back(benchmark::RegisterBenchmark(
            (std::string("Sha1/path:") + Sha1PathName(path)).c_str(), KindCase<Sha1Path>,
            DigestKind::Sha1, path, Sha1PathSupported, SelectSha1Path));
    cases.push_back(benchmark::RegisterBenchmark("Sha1/best", KindCase<Sha1Path>, DigestKind::Sha1,
                                                 BestSha1Path(), Sha1PathSupported,
                                                 SelectSha1Path));
    cases.push_back(benchmark::RegisterBenchmark("Sha1/OpenSSL_EVP", OpensslCase, EVP_sha1()));
    for (Sha256Path path : {Sha256Path::Scalar, Sha256Path::ShaNi})
        cases.push_back(benchmark::RegisterBenchmark(
            (std::string("Sha256/path:") + Sha256PathName(path)).c_str(), KindCase<Sha256Path>,
            DigestKind::Sha256, path, Sha256PathSupported, SelectSha256Path));
    cases.push_back(benchmark::RegisterBenchmark("Sha256/best", KindCase<Sha256Path>,
                                                 DigestKind::Sha256, BestSha256Path(),
                                                 Sha256PathSupported, SelectSha256Path));
    cases.push_back(benchmark::RegisterBenchmark("Sha256/OpenSSL_EVP", OpensslCase, EVP_sha256()));
    for (Sha512Path path : {Sha512Path::Scalar, Sha512Path::Avx2, Sha512Path::Avx512})
        cases.push_back(benchmark::RegisterBenchmark(
            (std::string("Sha512/path:") + Sha512PathName(path)).c_str(), KindCase<Sha512Path>,
            DigestKind::Sha512, path, Sha512PathSupported, SelectSha512Path));
    cases.push_back(benchmark::RegisterBenchmark("Sha512/best", KindCase<Sha512Path>,
                                                 DigestKind::Sha512, BestSha512Path(),
                                                 Sha512PathSupported, SelectSha512Path));
    cases.push_back(benchmark::RegisterBenchmark("Sha512/OpenSSL_EVP", OpensslCase, EVP_sha512()));
    for (Blake3Path path :
         {Blake3Path::Portable, Blake3Path::Sse41, Blake3Path::Avx2, Blake3Path::Avx512})
        cases.push_back(benchmark::RegisterBenchmark(
            (std::string("Blake3/path:") + Blake3PathName(path)).c_str(), KindCase<Blake3Path>,
            DigestKind::Blake3, path, Blake3PathSupported, SelectBlake3Path));
    for (auto* c : cases)
        c->Arg(1)->Arg(static_cast<std::int64_t>(MaxBlocks));

    // Other work on the machine makes single runs noisy: medians of five unless told otherwise.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5", aggregates =
        "--benchmark_report_aggregates_only=true", minTime = "--benchmark_min_time=0.2";
    auto given = [&](const char* flag) {
        for (int i = 1; i < argc; ++i)
            if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
        return false;
    };
    if (!given("--benchmark_repetitions")) {
        args.push_back(repetitions.data());
        if (!given("--benchmark_report_aggregates_only")) args.push_back(aggregates.data());
    }
    if (!given("--benchmark_min_time")) args.push_back(minTime.data());
    argc = static_cast<int>(args.size());
    args.push_back(nullptr);
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::printf("MD5 path chosen at first use: %s", Md5PathName(BestMd5Path()));
#if defined(__x86_64__) || defined(_M_X64)
    if (Md5PathSupported(Md5Path::Avx512))
        std::printf("; a block of all sixteen lanes costs %.2f scalar blocks", Md5ManyBlockCost());
#endif
    std::printf("\nSHA-1 %s, SHA-256 %s, SHA-512 %s, BLAKE3 %s chosen at first use\n",
                Sha1PathName(BestSha1Path()), Sha256PathName(BestSha256Path()),
                Sha512PathName(BestSha512Path()), Blake3PathName(BestBlake3Path()));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
