#pragma once
#include "core/MD5.h"

#include <cstddef>

namespace quillon {

// The most messages one call to a many-message kernel takes: the lanes of a 512-bit register.
constexpr std::size_t MD5ManyLanes = 16;

// The MD5 digests of whole messages side by side. One message is one long chain of dependent
// steps; sixteen of them in the lanes of vector registers cost little more than one, which a
// list of many small files feels. A message much longer than the rest of its sixteen goes alone,
// where that is measured to cost less. Any count; the digests come out as MD5Final writes them.
void MD5Many(const unsigned char* const messages[], const std::size_t lengths[], std::size_t count,
             unsigned char digests[][16]);
// The same through a chosen path (tests and benchmarks), every message in it: Scalar runs them
// one by one, Avx512 sixteen at a time. A path the processor lacks selects the scalar one.
void MD5Many(Md5Path path, const unsigned char* const messages[], const std::size_t lengths[],
             std::size_t count, unsigned char digests[][16]);

} // namespace quillon
