#include "scratch_folder.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace stepquill::support {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "stepquill-bad-input-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
    path_ = name.data();
    fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
    const fs::path path = path_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::set<std::string> ScratchFolder::Names(const std::string& subfolder) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_ / subfolder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (in) bytes << in.rdbuf();
    return std::move(bytes).str();
}

std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (!entry.is_directory()) files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
    return files;
}

}  // namespace stepquill::support
