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
    const std::size_t blockBytes = std::min(sink ? sink->BlockBytes() : kMemoryBlockBytes, kLargestBlockBytes);
    block_ = std::make_unique_for_overwrite<char[]>(blockBytes + longestToken + kRecordRoomBesideToken);
    next_ = block_.get();
    full_ = block_.get() + blockBytes;
}

bool RecordWriter::Spill(std::string& reason) {
    const std::string_view records(block_.get(), static_cast<std::size_t>(next_ - block_.get()));
    next_ = block_.get();
    if (sink_ == nullptr) {
        outputBuffer_.append(records);
        return true;
    }
    return sink_->Take(records, reason);
}

void RecordWriter::Finish() {
    outputBuffer_.append(block_.get(), static_cast<std::size_t>(next_ - block_.get()));
    next_ = block_.get();
}

}  // namespace stepquill
