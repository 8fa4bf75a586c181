#pragma once

#include <istream>
#include <streambuf>
#include <string_view>

namespace stepquill::bench {

// An input stream over bytes already in memory, without copying them, so a
// measure of the reading does not also measure a copy of the chart.
class MemoryInput {
public:
    explicit MemoryInput(std::string_view bytes) : buffer_(bytes), stream_(&buffer_) {}
    std::istream& Stream() { return stream_; }

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(std::string_view bytes) {
            char* start = const_cast<char*>(bytes.data());  // only ever read
            setg(start, start, start + bytes.size());
        }
    };
    Buffer buffer_;
    std::istream stream_;
};

}  // namespace stepquill::bench
