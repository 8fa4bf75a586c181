#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "overlapped_writes.h"
#include "record_sink.h"
#include "temporary_name_guard.h"

namespace stepquill {

// A run holds at most about this much of its timing file in memory.
inline constexpr std::size_t kTimingFileBlockBytes = 1 << 20;

// The timing file, written whole or not at all: the records go into a
// temporary file in the target's folder as the walk hands them on, a block
// at a time, and the file is renamed over the target only once it is
// complete. The temporary file has no name until then where the system
// allows it, so not even a run that is killed leaves it behind. A writer
// dropped before Commit leaves no trace and the target exactly as it was.
// A target with other hard links is replaced by a new file under its name;
// the other links keep the old bytes. A replaced file keeps its mode, and
// its owner and group where the caller may set them. While the temporary
// file has a name, SIGINT, SIGTERM and SIGHUP remove it before they end the
// program. A link at the target's name in a sticky folder that everyone may
// write is followed only when it is the caller's or the folder owner's.
class TimingFileWriter final : public RecordSink {
public:
    // Creates the temporary file; the reason is set when it cannot be made.
    // `unnamed` false names it from the start, as on a file system that
    // cannot make a file without a name.
    static std::optional<TimingFileWriter> Create(const std::string& targetPath, std::string& reason,
                                                  std::size_t blockBytes = kTimingFileBlockBytes,
                                                  bool unnamed = true);

    TimingFileWriter(TimingFileWriter&& other) noexcept;
    TimingFileWriter& operator=(TimingFileWriter&&) = delete;
    TimingFileWriter(const TimingFileWriter&) = delete;
    ~TimingFileWriter() override;

    std::size_t BlockBytes() const override { return blockBytes_; }
    // Appends records to the temporary file. From the first whole block on,
    // they are written on a thread of their own while the walk makes the
    // next, so a write that fails is told at the next Take or at Commit.
    // After a failure the writer is discarded and takes nothing more.
    bool Take(std::string_view records, std::string& reason) override;
    bool TakeOver(std::string& block, std::string& reason) override;
    // Waits until every record taken is written to the file, with the
    // reason when one could not be.
    bool Complete(std::string& reason) { return FinishWrites(reason); }
    // Puts the file on the disk and renames it over the target. `synced`:
    // the caller has put the file's bytes on the disk already, as a sync of
    // its whole file system does for many files at once, and holds
    // interrupts off until the rename is done.
    bool Commit(std::string& reason, bool synced = false);
    // The file being written, for a sync of the file system it is on.
    int Descriptor() const { return descriptor_; }

private:
    // Whether the file is open, with the writing thread started once a
    // whole block of `size` bytes comes.
    bool StartWrites(std::size_t size, std::string& reason);
    TimingFileWriter(std::string target, std::string folder, std::string temporary,
                     std::unique_ptr<TemporaryNameGuard> guard, int descriptor, std::size_t blockBytes);
    void Discard();
    // Waits for the blocks still being written; false, the writer
    // discarded, when one could not be.
    bool FinishWrites(std::string& reason);
    // Links a file that has no name yet into the target's folder.
    bool GiveName(std::string& reason, bool signalsHeld);
    // Links the file, which has no name yet, at `name`: 0, or -1 with errno.
    int Link(const std::string& name) const;

    std::string target_;
    std::string folder_;     // the target's folder, "" or ending in "/"
    std::string temporary_;  // empty while the file has no name
    std::unique_ptr<TemporaryNameGuard> guard_;  // while it has one
    int descriptor_ = -1;
    std::size_t blockBytes_;
    std::size_t written_ = 0;  // by this thread, before the writes overlapped
    std::unique_ptr<OverlappedWrites> writes_;
};

}  // namespace stepquill
