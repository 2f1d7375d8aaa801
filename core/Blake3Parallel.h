#pragma once
#include "core/Blake3.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon {

// Hashes runs of whole 64 KiB subtrees on worker threads and on the caller's, so that one large
// file's BLAKE3 uses every processor while the caller goes on reading it in order.
class Blake3Workers {
public:
    // threads: workers besides the caller; 0 leaves all the hashing to Finish.
    explicit Blake3Workers(unsigned threads);
    ~Blake3Workers();
    Blake3Workers(const Blake3Workers&) = delete;
    Blake3Workers& operator=(const Blake3Workers&) = delete;

    // Starts hashing count subtrees: subtree i at data + i * Blake3SubtreeSize, whose index in
    // the input is first + i, into out[i]. data and out must stay until Finish returns. Only one
    // run at a time.
    void Start(const unsigned char* data, std::size_t count, std::uint64_t first,
               Blake3Subtree* out);
    // Hashes what no worker has taken yet, then waits for the rest of the run.
    void Finish();

private:
    void Work();
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::uint64_t generation_ = 0;
    bool stop_ = false;
    const unsigned char* data_ = nullptr;
    std::size_t count_ = 0;
    std::uint64_t first_ = 0;
    Blake3Subtree* out_ = nullptr;
    std::size_t next_ = 0;     // the next subtree to take
    std::size_t finished_ = 0; // subtrees done
    unsigned inside_ = 0;      // workers within the run: a new run waits until none is
    std::vector<std::thread> threads_;
};

// How many threads one file's BLAKE3 uses here: the processors this process may run on, up to 16.
unsigned Blake3Threads();

} // namespace quillon
