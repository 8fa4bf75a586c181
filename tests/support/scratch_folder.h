#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace stepquill::support {

// A new folder under the system's temporary folder, removed with everything
// in it when dropped. Anyone may enter and read it, so that a child process
// that has given up root still reaches the charts inside.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const;
    // The names of everything in the folder, hidden files included.
    std::set<std::string> Names(const std::string& subfolder = "") const;

private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& path);
// Every file under a folder (none when it is missing), by its path relative
// to the folder, with its bytes.
std::map<std::string, std::string> FilesUnder(const std::filesystem::path& folder);

}  // namespace stepquill::support
