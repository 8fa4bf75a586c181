#pragma once

#include <optional>
#include <string>

namespace stepquill {

// The timing file, written whole or not at all: the bytes go into a temporary
// file in the target's folder, which is renamed over the target only once it
// is complete. A writer dropped before Commit leaves no trace and the target
// exactly as it was. A target with other hard links is replaced by a new
// file under its name; the other links keep the old bytes.
class TimingFileWriter {
public:
    // Creates the temporary file; the reason is set when it cannot be made.
    static std::optional<TimingFileWriter> Create(const std::string& targetPath, std::string& reason);

    TimingFileWriter(TimingFileWriter&& other) noexcept;
    TimingFileWriter& operator=(TimingFileWriter&&) = delete;
    TimingFileWriter(const TimingFileWriter&) = delete;
    ~TimingFileWriter();

    bool Commit(const std::string& bytes, std::string& reason);

private:
    TimingFileWriter(std::string target, std::string temporary, int descriptor);
    void Discard();

    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
};

}  // namespace stepquill
