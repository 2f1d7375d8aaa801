#pragma once
#include "core/Crc32.h"
#include "core/FileDigest.h"
#include "core/MD5Many.h"
#include "verify/SizeLookup.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace quillon {

class SmallFilePrefetch;

// The small files of an MD5 check, read whole a few entries ahead of their turn and digested
// side by side: one MD5 is one long chain of dependent steps, sixteen in the lanes of a vector
// register cost little more. A file it could not read whole is left to the usual digest at its
// turn, which decides Missing or Bad for it as always.
class Md5ReadAhead {
public:
    // A file of this size at the start of the check may be read ahead; one whose size is left
    // to its open is tried (a bigger one is refused as soon as it is open).
    static bool Fits(std::int64_t size) {
        return (size >= 0 && size < DigestBufferSize) || size == SizeAtOpen;
    }

    // Forgets the files read before; first is the entry the next ones start from.
    void Begin(std::size_t first);
    bool Full() const { return count_ == MD5ManyLanes; }
    // Reads the file of entry index, which comes after the ones added before, unless prefetch
    // has read it. False when it could not be read whole (its turn must read it).
    bool Add(std::size_t index, const std::filesystem::path::string_type& fileName,
             SmallFilePrefetch* prefetch = nullptr);
    // Digests the files read; the entries before end have all been considered.
    void Finish(std::size_t end);

    // Whether entry index has been considered since Begin.
    bool Covers(std::size_t index) const { return index >= first_ && index < end_; }
    // The result of entry index, with its progress call to run, when its file was read.
    bool Take(std::size_t index, DigestResult& result, RunState& run) const;

private:
    struct alignas(64) Block {
        unsigned char bytes[DigestBufferSize];
    };
    std::unique_ptr<Block[]> blocks_;
    std::size_t index_[MD5ManyLanes] = {};
    const unsigned char* bytes_[MD5ManyLanes] = {}; // a block, or what prefetch read
    SmallFile files_[MD5ManyLanes];
    unsigned char digests_[MD5ManyLanes][16] = {};
    std::size_t count_ = 0;
    std::size_t first_ = 0;
    std::size_t end_ = 0;
};

} // namespace quillon
