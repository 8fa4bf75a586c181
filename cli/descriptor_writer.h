#pragma once

#include <string>
#include <string_view>

namespace stepquill {

// Text for standard output or standard error, gathered and written to the
// descriptor itself, so that a failed write is seen with its reason. After a
// failure nothing more is written; the first reason is kept.
class DescriptorWriter {
public:
    explicit DescriptorWriter(int descriptor) : descriptor_(descriptor) {}
    DescriptorWriter(const DescriptorWriter&) = delete;
    DescriptorWriter& operator=(const DescriptorWriter&) = delete;
    ~DescriptorWriter() { Flush(); }

    void Write(std::string_view text);
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
    bool closed_ = false;
    std::string pending_;
    std::string failure_;
};

// Whether an output name means standard output: "-", or a name of
// descriptor 1 such as /dev/stdout or /proc/self/fd/1, also through links.
bool NamesStandardOutput(const std::string& path);

}  // namespace stepquill
