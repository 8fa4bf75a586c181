#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "timing_file.h"

namespace stepquill {

// Timing files that are whole but not yet at their names, put on the disk
// together: one sync of each file system they are on puts every file's
// bytes on the disk, then each is renamed over its target, then one more
// sync puts the names there. Thousands of small files cost two syncs, not
// two each, and still each is whole or not there at all: a file is renamed
// only after its bytes are on the disk, and until then it has no name (or a
// temporary one) and the old file stays. Each waiting file holds a
// descriptor, so at most `mostWaiting` wait; the next one commits them
// first. Files may come from several threads.
class CommitWave {
public:
    explicit CommitWave(std::size_t mostWaiting) : mostWaiting_(mostWaiting == 0 ? 1 : mostWaiting) {}
    CommitWave(const CommitWave&) = delete;
    CommitWave& operator=(const CommitWave&) = delete;

    // Takes a file whose records are all written; the number its outcome
    // goes by.
    std::size_t Add(TimingFileWriter file);
    // Commits every file waiting.
    void Commit();
    // None while the file waits; then empty when it is at its name, or the
    // reason it is not.
    std::optional<std::string> Outcome(std::size_t number) const;
    std::size_t Waiting() const;

private:
    void CommitLocked();

    std::size_t mostWaiting_;
    mutable std::mutex lock_;
    std::vector<std::pair<std::size_t, TimingFileWriter>> waiting_;
    std::vector<std::optional<std::string>> outcomes_;
};

}  // namespace stepquill
