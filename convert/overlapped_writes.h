#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace stepquill {

// Writes blocks on a thread of its own, so that the walk fills the next
// block while the kernel takes the last one: a walk and its write no longer
// take turns. The blocks are copies, a few held at once; a caller that
// hands one while all are waiting waits for the oldest to be written.
//
// A write that fails ends the writing: the blocks after it are dropped, and
// its reason is told at the next Hand or at Drain. Dropping the writer
// drops the blocks not yet written and waits only for the write under way.
class OverlappedWrites {
public:
    // Writes one block, on the writer's thread; false with the reason when
    // it could not.
    using WriteBlock = std::function<bool(std::string_view block, std::string& reason)>;

    explicit OverlappedWrites(WriteBlock write);
    ~OverlappedWrites();
    OverlappedWrites(const OverlappedWrites&) = delete;
    OverlappedWrites& operator=(const OverlappedWrites&) = delete;

    // Queues a copy of `block`; false, with the reason, once a write failed.
    bool Hand(std::string_view block, std::string& reason);
    // Queues `block` itself, giving back in its place a string whose
    // block was written, or an empty one.
    bool HandOver(std::string& block, std::string& reason);
    // Waits until every block handed is written; false, with the reason,
    // when one of them could not be.
    bool Drain(std::string& reason);

private:
    // Two blocks written while the walk fills a third: more would only hold
    // more memory, as the walk outruns the writes or the writes the walk.
    static constexpr std::size_t kBlocks = 3;

    void WriteQueued();
    // Waits for a free slot and has `fill` put the block in it.
    template <class Fill>
    bool Queue(Fill fill, std::string& reason);

    WriteBlock write_;
    std::array<std::string, kBlocks> blocks_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // Guarded by mutex_: the oldest queued block, how many are queued, and
    // how the writing ended.
    std::size_t first_ = 0;
    std::size_t queued_ = 0;
    bool failed_ = false;
    bool dropped_ = false;
    std::string reason_;
    std::thread thread_;  // last: it starts once everything above is made
};

}  // namespace stepquill
