#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

namespace stepquill::support {

// A memory file system of a few kilobytes mounted on an empty folder, to
// see what a run does when the disk fills up. Unmounted when dropped.
class SmallDisk {
public:
    // Null, with the reason in `whyNot`, where mounting is not allowed.
    static std::unique_ptr<SmallDisk> Mount(const std::filesystem::path& folder, std::size_t kilobytes,
                                            std::string& whyNot);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

private:
    explicit SmallDisk(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::filesystem::path folder_;
};

}  // namespace stepquill::support
