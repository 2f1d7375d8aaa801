#pragma once
#include <string>
#include <vector>

// The subcommands of quillon-cli. Arguments are the ones after the subcommand name, as UTF-8 on
// POSIX and converted from the wide command line on Windows. Each returns the exit status.
namespace quillon::cli {

using Args = std::vector<std::string>;

int RunDigest(const Args& args);
int RunShow(const Args& args);
int RunCheck(const Args& args);
int RunCreate(const Args& args);
int RunUpdate(const Args& args);

} // namespace quillon::cli
