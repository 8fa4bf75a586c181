#pragma once

#include <filesystem>

namespace stepquill {

// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& Path() const { return path_; }
    // Removes everything inside, keeping the folder.
    void Clear();

private:
    std::filesystem::path path_;
};

}  // namespace stepquill
