#pragma once
// Which digest kernels this run of the core tests exercised and which it skipped because the
// processor lacks them: written to the report as the property "kernels" and to the output.
#include <string>

namespace quillon::test {

// family: "crc32", "md5", "sha1", "sha256", "sha512" or "blake3"; kernel: a routine's own name
// ("Pclmul", "VpclmulGfni") or a lower-case one ("many-avx512").
void KernelRan(const char* family, const std::string& kernel);
void KernelSkipped(const char* family, const std::string& kernel);
// "crc32: table slice16; md5: scalar; ...; skipped: crc32/pclmul crc32/vpclmul md5/avx512"
std::string KernelLine();

} // namespace quillon::test
