#include "record_writer.h"

#include <algorithm>
#include <limits>

namespace stepquill {

namespace {

// Without a sink the records are gathered in OutputBuffer this many at a time.
constexpr std::size_t kMemoryBlockBytes = 64 * 1024;
// However large a block a sink asks for, the writer holds no more.
constexpr std::size_t kLargestBlockBytes = 64 << 20;

}  // namespace

RecordWriter::RecordWriter(RecordSink* sink, std::string& outputBuffer, std::size_t longestToken)
    : sink_(sink), outputBuffer_(outputBuffer), lastMs_(-std::numeric_limits<double>::infinity()) {
    blockBytes_ = std::min(sink ? sink->BlockBytes() : kMemoryBlockBytes, kLargestBlockBytes);
    blockRoom_ = blockBytes_ + longestToken + kRecordRoomBesideToken;
    NewBlock();
}

void RecordWriter::NewBlock() {
    // A block given back by the sink is nearly as long already, so little
    // of it is filled anew.
    block_.resize(blockRoom_);
    next_ = block_.data();
    full_ = next_ + blockBytes_;
}

bool RecordWriter::Spill(std::string& reason) {
    const auto used = static_cast<std::size_t>(next_ - block_.data());
    if (sink_ == nullptr) {
        outputBuffer_.append(block_.data(), used);
        next_ = block_.data();
        return true;
    }
    block_.resize(used);
    const bool taken = sink_->TakeOver(block_, reason);
    NewBlock();
    return taken;
}

void RecordWriter::Finish() {
    outputBuffer_.append(block_.data(), static_cast<std::size_t>(next_ - block_.data()));
    next_ = block_.data();
}

}  // namespace stepquill
