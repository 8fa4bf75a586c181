#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace stepquill {

// Takes a run's records a block at a time, so that a run holds no more than
// one block of its timing file, however long the part.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    // How many bytes of records make a block.
    virtual std::size_t BlockBytes() const = 0;
    // False, with the reason, when the records could not be kept.
    virtual bool Take(std::string_view records, std::string& reason) = 0;
    // Whether the records' text is read at all: where it is not, a writer
    // only judges each press, as a device's timeline needs, and spends
    // nothing on digits that would be dropped.
    virtual bool ReadsRecords() const { return true; }
    // Takes the bytes of `block` as Take does, but may keep the string
    // itself and hand back another in its place, so that a large block
    // needs no copy.
    virtual bool TakeOver(std::string& block, std::string& reason) { return Take(block, reason); }
};

}  // namespace stepquill
