#pragma once

#include <string>
#include <string_view>

namespace stepquill {

// Text for standard output or standard error, gathered and written to the
// descriptor itself, so that a failed write is seen with its reason. After a
// failure nothing more is written; the first reason is kept.
class DescriptorWriter {
public:
    explicit DescriptorWriter(int descriptor);
    DescriptorWriter(const DescriptorWriter&) = delete;
    DescriptorWriter& operator=(const DescriptorWriter&) = delete;
    ~DescriptorWriter() { Flush(); }

    void Write(std::string_view text);
    // Text that may come from a chart: on a terminal its control characters
    // (below 0x20 but the tab, and 0x7F) are written as visible escapes
    // ("\x1B"), so that a chart can neither retitle nor clear the terminal;
    // into a file or a pipe it goes as it is.
    void WriteText(std::string_view text);
    // Writes what is gathered; false once any write has failed.
    bool Flush();
    // Flushes and closes the descriptor, whose close can be the first to
    // report a failed write (on NFS, for one).
    bool Close();
    bool Failed() const { return !failure_.empty(); }
    const std::string& Failure() const { return failure_; }  // strerror's text

private:
    bool WriteOut(std::string_view text);

    int descriptor_;
    bool terminal_;
    bool closed_ = false;
    std::string pending_;
    std::string failure_;
};

// Whether an output name means standard output: "-", or a name of
// descriptor 1 such as /dev/stdout or /proc/self/fd/1, also through links.
bool NamesStandardOutput(const std::string& path);

}  // namespace stepquill
