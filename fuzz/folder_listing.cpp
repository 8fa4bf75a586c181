#include "folder_listing.h"

#include <fstream>
#include <iterator>

namespace stepquill {

namespace fs = std::filesystem;

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Listing ListFolder(const fs::path& folder) {
    Listing listing;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        const std::string name = fs::relative(entry.path(), folder, error).string();
        listing[name] = entry.is_directory() ? kFolderMark : ReadFileBytes(entry.path());
    }
    return listing;
}

FolderEmptier::~FolderEmptier() {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) fs::remove_all(entry.path(), error);
}

}  // namespace stepquill
