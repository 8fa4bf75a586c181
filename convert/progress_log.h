#pragma once

#include <string>
#include <vector>

namespace stepquill {

// The conversion's log: an ordered list of lines that can only be cleared or
// appended to. The window backs it with its list box, the converter with
// standard output, tests with a vector.
class ProgressLog {
public:
    virtual ~ProgressLog() = default;
    virtual void Clear() = 0;
    virtual void Append(const std::string& line) = 0;
    // False for a log that drops every line, such as a quiet run's: the
    // lines of the arrows, one per record, are then not even built.
    virtual bool KeepsLines() const { return true; }
};

// A log nobody reads: a quiet run's, or a library's charts'.
class UnreadLog final : public ProgressLog {
public:
    void Clear() override {}
    void Append(const std::string&) override {}
    bool KeepsLines() const override { return false; }
};

class VectorLog final : public ProgressLog {
public:
    void Clear() override { Lines.clear(); }
    void Append(const std::string& line) override { Lines.push_back(line); }
    std::vector<std::string> Lines;
};

}  // namespace stepquill
