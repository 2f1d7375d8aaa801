#include "verify/Md5ReadAhead.h"

namespace quillon {

void Md5ReadAhead::Begin(std::size_t first) {
    count_ = 0;
    first_ = end_ = first;
}

bool Md5ReadAhead::Add(std::size_t index, const std::filesystem::path::string_type& fileName) {
    if (!blocks_)
        blocks_ = std::make_unique_for_overwrite<Block[]>(MD5ManyLanes);
    if (!ReadSmallFile(fileName, blocks_[count_].bytes, files_[count_]))
        return false;
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
        messages[i] = blocks_[i].bytes;
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
