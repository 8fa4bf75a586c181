#include "commit_wave.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "temporary_name_guard.h"

namespace stepquill {

namespace {

// One descriptor on each file system the waiting files are on, kept open
// past the files' own, for the sync after the renames.
class FileSystems {
public:
    explicit FileSystems(const std::vector<std::pair<std::size_t, TimingFileWriter>>& files) {
        for (const auto& [number, file] : files) {
            struct stat info {};
            if (::fstat(file.Descriptor(), &info) != 0 || descriptors_.count(info.st_dev) != 0) continue;
            const int copy = ::dup(file.Descriptor());
            if (copy >= 0) descriptors_[info.st_dev] = copy;
        }
    }
    ~FileSystems() {
        for (const auto& [device, descriptor] : descriptors_) ::close(descriptor);
    }
    FileSystems(const FileSystems&) = delete;
    FileSystems& operator=(const FileSystems&) = delete;

    // Syncs each; the reason per file system that could not be synced.
    std::map<dev_t, std::string> Sync() const {
        std::map<dev_t, std::string> failed;
        for (const auto& [device, descriptor] : descriptors_)
            if (::syncfs(descriptor) != 0)
                failed[device] = "cannot write the output file (" + std::string(std::strerror(errno)) + ")";
        return failed;
    }
    bool Holds(dev_t device) const { return descriptors_.count(device) != 0; }

private:
    std::map<dev_t, int> descriptors_;
};

}  // namespace

std::size_t CommitWave::Add(TimingFileWriter file) {
    std::lock_guard<std::mutex> held(lock_);
    if (waiting_.size() >= mostWaiting_) CommitLocked();
    const std::size_t number = outcomes_.size();
    outcomes_.emplace_back();
    waiting_.emplace_back(number, std::move(file));
    return number;
}

void CommitWave::Commit() {
    std::lock_guard<std::mutex> held(lock_);
    CommitLocked();
}

void CommitWave::CommitLocked() {
    if (waiting_.empty()) return;
    const FileSystems systems(waiting_);
    const std::map<dev_t, std::string> unsynced = systems.Sync();
    {
        // Every name of the wave, or none of those still to come: an
        // interrupt waits until the names are in place.
        const HeldSignals held;
        for (auto& [number, file] : waiting_) {
            struct stat info {};
            const bool synced = ::fstat(file.Descriptor(), &info) == 0 && systems.Holds(info.st_dev);
            const auto failure = synced ? unsynced.find(info.st_dev) : unsynced.end();
            std::string reason;
            if (failure != unsynced.end())
                outcomes_[number] = failure->second;
            else  // a file whose file system was not synced is synced on its own
                outcomes_[number] = file.Commit(reason, synced) ? std::string() : reason;
        }
    }
    // The names on the disk as well.
    systems.Sync();
    waiting_.clear();
}

std::optional<std::string> CommitWave::Outcome(std::size_t number) const {
    std::lock_guard<std::mutex> held(lock_);
    return number < outcomes_.size() ? outcomes_[number] : std::nullopt;
}

std::size_t CommitWave::Waiting() const {
    std::lock_guard<std::mutex> held(lock_);
    return waiting_.size();
}

}  // namespace stepquill
