#include "scratch_folder.h"

#include <unistd.h>

#include <string>
#include <system_error>
#include <vector>

namespace stepquill {

ScratchFolder::ScratchFolder() {
    std::error_code error;
    const std::string pattern =
        (std::filesystem::temp_directory_path(error) / "stepquill-fuzz-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) != nullptr) path_ = name.data();
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

void ScratchFolder::Clear() {
    std::error_code error;
    if (path_.empty()) return;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error))
        std::filesystem::remove_all(entry.path(), error);
}

}  // namespace stepquill
