#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace stepquill {

// Every file and folder under a scratch folder with its bytes, to tell
// exactly what a run changed there.
using Listing = std::map<std::string, std::string>;
inline constexpr const char* kFolderMark = "<folder>";

Listing ListFolder(const std::filesystem::path& folder);
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// Empties the scratch folder when it goes, whichever check returned.
class FolderEmptier {
public:
    explicit FolderEmptier(const std::filesystem::path& folder) : folder_(folder) {}
    ~FolderEmptier();
    FolderEmptier(const FolderEmptier&) = delete;
    FolderEmptier& operator=(const FolderEmptier&) = delete;

private:
    std::filesystem::path folder_;
};

}  // namespace stepquill
