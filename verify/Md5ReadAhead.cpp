#include "verify/Md5ReadAhead.h"

#include "verify/SmallFilePrefetch.h"

namespace quillon {

void Md5ReadAhead::Begin(std::size_t first) {
    count_ = 0;
    first_ = end_ = first;
}

bool Md5ReadAhead::Add(std::size_t index, const std::filesystem::path::string_type& fileName,
                       SmallFilePrefetch* prefetch) {
    bool mine = true;
    const unsigned char* bytes = prefetch ? prefetch->Take(index, files_[count_], mine) : nullptr;
    if (!bytes && !mine)
        return false; // as if this read had failed
    if (!bytes) {
        if (!blocks_)
            blocks_ = std::make_unique_for_overwrite<Block[]>(MD5ManyLanes);
        if (!ReadSmallFile(fileName, blocks_[count_].bytes, files_[count_]))
            return false;
        bytes = blocks_[count_].bytes;
    }
    bytes_[count_] = bytes;
    index_[count_++] = index;
    return true;
}

void Md5ReadAhead::Finish(std::size_t end) {
    end_ = end;
    if (count_ == 0)
        return;
    const unsigned char* messages[MD5ManyLanes];
    std::size_t lengths[MD5ManyLanes];
    for (std::size_t i = 0; i < count_; ++i) {
        messages[i] = bytes_[i];
        lengths[i] = files_[i].size;
    }
    MD5Many(messages, lengths, count_, digests_);
}

bool Md5ReadAhead::Take(std::size_t index, DigestResult& result, RunState& run) const {
    for (std::size_t i = 0; i < count_; ++i) {
        if (index_[i] == index) {
            result = SmallFileMd5Result(files_[i], digests_[i], run);
            return true;
        }
    }
    return false;
}

} // namespace quillon
