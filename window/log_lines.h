#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Lines of the log kept as the core wrote them, one run of bytes with the
// end of each line: about the bytes of the lines, where a string object per
// line would cost several times that for the short lines of a log.
class LogLines {
public:
    std::size_t Count() const { return ends_.size(); }
    std::string_view Line(std::size_t index) const {
        const std::size_t start = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(bytes_).substr(start, ends_[index] - start);
    }
    void Add(std::string_view line) {
        bytes_.append(line);
        ends_.push_back(bytes_.size());
    }
    void Clear() {
        std::string().swap(bytes_);
        std::vector<std::size_t>().swap(ends_);
    }

private:
    std::string bytes_;
    std::vector<std::size_t> ends_;
};
