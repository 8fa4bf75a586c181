#include "overlapped_writes.h"

#include <utility>

namespace stepquill {

OverlappedWrites::OverlappedWrites(WriteBlock write)
    : write_(std::move(write)), thread_([this] { WriteQueued(); }) {}

OverlappedWrites::~OverlappedWrites() {
    {
        const std::lock_guard lock(mutex_);
        dropped_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool OverlappedWrites::Hand(std::string_view block, std::string& reason) {
    return Queue([&](std::string& slot) { slot.assign(block); }, reason);
}

bool OverlappedWrites::HandOver(std::string& block, std::string& reason) {
    return Queue([&](std::string& slot) { slot.swap(block); }, reason);
}

template <class Fill>
bool OverlappedWrites::Queue(Fill fill, std::string& reason) {
    std::size_t slot = 0;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return failed_ || queued_ < kBlocks; });
        if (failed_) {
            reason = reason_;
            return false;
        }
        slot = (first_ + queued_) % kBlocks;
    }
    // The writer's thread touches a block only while it is queued.
    fill(blocks_[slot]);
    {
        const std::lock_guard lock(mutex_);
        ++queued_;
    }
    changed_.notify_all();
    return true;
}

bool OverlappedWrites::Drain(std::string& reason) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || queued_ == 0; });
    if (!failed_) return true;
    reason = reason_;
    return false;
}

void OverlappedWrites::WriteQueued() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return dropped_ || queued_ > 0; });
        if (dropped_) return;
        const std::string& block = blocks_[first_];
        lock.unlock();
        std::string reason;
        const bool written = write_(block, reason);
        lock.lock();
        if (written) {
            first_ = (first_ + 1) % kBlocks;
            --queued_;
        } else {
            failed_ = true;
            reason_ = std::move(reason);
            queued_ = 0;
        }
        changed_.notify_all();
        if (!written) return;
    }
}

}  // namespace stepquill
