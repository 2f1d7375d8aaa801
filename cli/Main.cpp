// quillon-cli: the console companion of Quillon, on the same core as the window.
#include "cli/Commands.h"
#include "cli/Console.h"

#include <exception>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// clang-format off
constexpr const char* kUsage =
    "usage: quillon-cli digest (--crc32 | --md5 | --sha1 | --sha256 | --sha512 | --blake3) "
    "FILE...\n"
    "       quillon-cli show [--porcelain] LIST...\n"
    "       quillon-cli check [--porcelain] [--quiet] [--strict] [--report FILE.csv] LIST...\n"
    "       quillon-cli create (--sfv | --md5 | --sha1 | --sha256 | --sha512 | --blake3) [-r] -o "
    "LIST FILE...\n"
    "       quillon-cli create (--sfv | --md5 | --sha1 | --sha256 | --sha512 | --blake3) [-r] "
    "FOLDER...\n"
    "       quillon-cli update [--prune] LIST...\n";
// clang-format on

int Run(const quillon::cli::Args& all) {
    using namespace quillon::cli;
    if (all.empty()) {
        Err(kUsage);
        return 2;
    }
    const std::string& command = all[0];
    Args args(all.begin() + 1, all.end());
    if (command == "digest") return RunDigest(args);
    if (command == "show") return RunShow(args);
    if (command == "check") return RunCheck(args);
    if (command == "create") return RunCreate(args);
    if (command == "update") return RunUpdate(args);
    if (command == "--help" || command == "-h" || command == "help") {
        Out(kUsage);
        return 0;
    }
    Err("quillon-cli: unknown command: " + command + "\n" + kUsage);
    return 2;
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    quillon::cli::Args args;
    for (int i = 1; i < argc; ++i) {
        int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, s.data(), n, nullptr, nullptr);
        args.push_back(std::move(s));
    }
#else
int main(int argc, char** argv) {
    quillon::cli::Args args(argv + 1, argv + argc);
#endif
    int status;
    try {
        status = Run(args);
    } catch (const std::exception& e) {
        quillon::cli::Err(std::string("quillon-cli: ") + e.what() + "\n");
        status = 2;
    }
    quillon::cli::Flush();
    if (!quillon::cli::OutFailure().empty()) {
        quillon::cli::Err("quillon-cli: write error: " + quillon::cli::OutFailure() + "\n");
        status = 2;
    }
    return status;
}
